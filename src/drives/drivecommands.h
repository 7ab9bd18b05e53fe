#pragma once

#include "platform/services.h"
#include "platform/statusbox.h"

#include <string>

namespace tarnwell {

struct DrivePassResult
{
    bool completed = false;      // false when the error trap ended the pass
    bool anyRowFailed = false;   // a mapping or a cancel did not succeed
    bool anotherRunning = false; // another backup or drive command held Config.dat; no row done
};

// "Map Drives": reads the drive table, empties strDriveLog, appends one line per configured row,
// and shows the report in the status box. Error trap suffix " in cmdMapDrives_Click". The run
// log, when services have one, gets a block with what started it (trigger), every message and
// every row's line.
DrivePassResult cmdMapDrives_Click(const Services& services, StatusBox& status,
                                   std::string& strDriveLog,
                                   const std::string& trigger = "the Map Drives button");

// "Disconnect Drives": the same for cancelling. Suffix " in cmdDisconnectDrives_Click".
DrivePassResult
cmdDisconnectDrives_Click(const Services& services, StatusBox& status, std::string& strDriveLog,
                          const std::string& trigger = "the Disconnect Drives button");

} // namespace tarnwell
