#pragma once

#include "platform/services.h"

#include <functional>
#include <string>
#include <vector>

namespace tarnwell {

// The program's argument text: the arguments after the program's own name, joined by blanks.
std::string argumentText(const std::vector<std::string>& arguments);

// What the start-up may run before the backup time is read.
struct StartupActions
{
    std::function<void()> backup;    // the Backup button's command
    std::function<void()> mapDrives; // the Map Drives button's command
};

// The main window's load step: "auto" runs a backup and "mapdrives" maps the drives (the whole
// text, exact and case-sensitive; anything else is ignored), then record 21, trimmed of blanks,
// becomes strBackupTime. A failure is reported with " in Form_Load".
void runFormLoad(const Services& services, const std::string& arguments,
                 const StartupActions& actions);

} // namespace tarnwell
