#include "drives/mapdrive.h"

#include "platform/errortrap.h"

namespace tarnwell {

std::string connectRefusal(const Network& network, int number)
{
    const std::string text = network.errorText(number);
    return text.empty() ? std::to_string(number) : std::to_string(number) + " " + text;
}

bool MapDrive(const Services& services, const std::string& drive, const std::string& uncPath,
              const std::string& userName, const std::string& password, std::string* refusal)
{
    bool connected = false;
    errorTrap(services.messageBox, " in Public Function MapDrive", [&] {
        // Only the letter counts, so X, X: and X:\ all connect X:.
        const std::string localName = drive.substr(0, 1) + ":";
        const bool remember = true;
        const int answer =
            services.network.connect(localName, uncPath, userName, password, remember);
        connected = answer == 0;
        if (!connected && refusal)
            *refusal = connectRefusal(services.network, answer);
    });
    return connected;
}

void cmdDisconnect_Click(const Services& services, std::string& drive, std::int16_t& success,
                         std::string& errorText)
{
    errorTrap(services.messageBox, " in Sub cmdDisconnect_Click", [&] {
        drive += ":";
        const bool forget = true;
        const bool force = false; // open files keep the drive connected
        if (services.network.cancel(drive, forget, force) == 0) {
            success = -1;
            return;
        }
        success = 0;
        errorText = std::to_string(services.network.lastError());
    });
}

} // namespace tarnwell
