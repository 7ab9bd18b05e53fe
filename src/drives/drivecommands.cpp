#include "drives/drivecommands.h"

#include "config/runlock.h"
#include "config/settings.h"
#include "drives/driveprobe.h"
#include "drives/mapdrive.h"
#include "platform/errortrap.h"
#include "platform/runlog.h"

#include <cstdint>
#include <utility>
#include <vector>

namespace tarnwell {

namespace {

constexpr const char* kLineEnd = "\r\n";

// The drive as the report and the cancel name it: the letter as typed, without the colon or
// backslash some rows carry; a text that names no drive stays as stored.
std::string rowDrive(const std::string& drive)
{
    return driveLetterText(drive).empty() ? drive : drive.substr(0, 1);
}

// One row of "Map Drives"; false when the drive is still absent afterwards.
bool mapRow(const Services& services, const DriveRow& row, std::string& strDriveLog)
{
    const std::string d = rowDrive(row.drive);
    if (drivePresent(services.fileSystem, row.drive)) {
        strDriveLog += d + ": was already mapped.  " + kLineEnd;
        return true;
    }
    // A text that names no drive could not be found afterwards, so it is not connected.
    std::string refusal;
    if (namesDrive(row.drive))
        MapDrive(services, row.drive, row.uncPath, row.userName, row.password, &refusal);
    if (drivePresent(services.fileSystem, row.drive)) {
        strDriveLog += d + ": drive was mapped successfully.  " + kLineEnd;
        return true;
    }
    // The platform's reason follows the line, so that the user knows what to mend.
    strDriveLog += "Mapping of " + row.uncPath + " to " + d + " failed!  " + refusal + kLineEnd;
    return false;
}

// One row of "Disconnect Drives"; false when the cancel was refused.
bool disconnectRow(const Services& services, const DriveRow& row, std::string& strDriveLog)
{
    std::string d = rowDrive(row.drive);
    std::int16_t success = 0;
    std::string errorText;
    if (!drivePresent(services.fileSystem, row.drive)) {
        strDriveLog += d + " was not connected." + kLineEnd;
        return true;
    }
    cmdDisconnect_Click(services, d, success, errorText); // d now ends in ":"
    if (success == -1) {
        strDriveLog += d + " Disconnected." + kLineEnd;
        return true;
    }
    strDriveLog += d + " FAILED to disconnect! " + errorText + kLineEnd;
    return false;
}

using RowAction = bool (*)(const Services&, const DriveRow&, std::string&);

DrivePassResult drivePass(const Services& given, StatusBox& status, std::string& strDriveLog,
                          const char* command, const std::string& trigger, const char* suffix,
                          RowAction handleRow)
{
    DrivePassResult result;
    // Taken before the log is touched, as the backup command does.
    const RunLock lock(given.fileSystem);
    if (lock.otherRunning()) {
        logRefusal(given, command, trigger);
        result.anotherRunning = true;
        status.setText(std::string("Error! , ") + kAnotherCommandRunning);
        status.repaint();
        return result;
    }
    RunLogBlock log(given, command, trigger, lock.held());
    const Services& services = log.services();
    result.completed = errorTrap(services.messageBox, suffix, [&] {
        const DriveTable table = readDriveTable(services.fileSystem, services.codePage);
        strDriveLog.clear();
        std::vector<std::string> lines;
        for (const DriveRow& row : table) {
            if (row.drive.empty())
                continue;
            const std::size_t start = strDriveLog.size();
            const bool done = handleRow(services, row, strDriveLog);
            // Each row adds one line; kept apart so that no text of a row can start another.
            std::string line = strDriveLog.substr(start);
            if (line.size() >= 2 && line.compare(line.size() - 2, 2, kLineEnd) == 0)
                line.resize(line.size() - 2);
            log.write("Outcome", line);
            if (!done) {
                result.anyRowFailed = true;
                status.showDetail(line); // the command line's error stream
            }
            lines.push_back(std::move(line));
        }
        status.setReport(strDriveLog, lines);
        status.repaint();
    });
    return result;
}

} // namespace

DrivePassResult cmdMapDrives_Click(const Services& services, StatusBox& status,
                                   std::string& strDriveLog, const std::string& trigger)
{
    return drivePass(services, status, strDriveLog, "map drives", trigger, " in cmdMapDrives_Click",
                     mapRow);
}

DrivePassResult cmdDisconnectDrives_Click(const Services& services, StatusBox& status,
                                          std::string& strDriveLog, const std::string& trigger)
{
    return drivePass(services, status, strDriveLog, "disconnect drives", trigger,
                     " in cmdDisconnectDrives_Click", disconnectRow);
}

} // namespace tarnwell
