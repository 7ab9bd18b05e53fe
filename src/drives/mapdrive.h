#pragma once

#include "platform/services.h"

#include <cstdint>
#include <string>

namespace tarnwell {

// Connects the drive named by the first character of drive to uncPath, remembered across
// logons. True when the platform answered 0; otherwise refusal, when given, becomes why (see
// connectRefusal). Error trap suffix " in Public Function MapDrive".
bool MapDrive(const Services& services, const std::string& drive, const std::string& uncPath,
              const std::string& userName, const std::string& password,
              std::string* refusal = nullptr);

// Why the platform refused a connection: its number and its own text, such as
// "1326 The user name or password is incorrect.", so that a user knows what to mend.
std::string connectRefusal(const Network& network, int number);

// Cancels the connection of drive (a letter; ":" is appended to the caller's text), forgetting
// it. success becomes -1 or 0; on failure errorText becomes the platform's error number.
// Error trap suffix " in Sub cmdDisconnect_Click".
void cmdDisconnect_Click(const Services& services, std::string& drive, std::int16_t& success,
                         std::string& errorText);

} // namespace tarnwell
