#include "app/startup.h"

#include "app/globalvariables.h"
#include "config/settings.h"
#include "platform/errortrap.h"

namespace tarnwell {

std::string argumentText(const std::vector<std::string>& arguments)
{
    std::string text;
    for (const std::string& argument : arguments) {
        if (!text.empty())
            text += ' ';
        text += argument;
    }
    return text;
}

void runFormLoad(const Services& services, const std::string& arguments,
                 const StartupActions& actions)
{
    errorTrap(services.messageBox, " in Form_Load", [&] {
        if (arguments == "auto" && actions.backup)
            actions.backup();
        if (arguments == "mapdrives" && actions.mapDrives)
            actions.mapDrives();
        const std::string stored = readBackupTime(services.fileSystem, services.codePage);
        mdlGlobalVariables::strBackupTime = trimmedBlanks(stored);
    });
}

} // namespace tarnwell
