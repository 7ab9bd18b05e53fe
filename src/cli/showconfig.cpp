#include "cli/showconfig.h"

#include "cli/cli.h"
#include "config/settings.h"
#include "platform/error.h"
#include "platform/printable.h"

#include <iomanip>
#include <optional>

namespace tarnwell {

namespace {

constexpr const char* kHiddenPassword = "******";

void printRowNumber(std::ostream& out, int row)
{
    out << std::setw(4) << row << "  ";
}

void printPairs(std::ostream& out, const FolderPairs& pairs)
{
    out << "Folder pairs:\n";
    bool any = false;
    for (int k = 0; k < kRowCount; ++k) {
        if (pairs.sources[k].empty() && pairs.targets[k].empty())
            continue;
        printRowNumber(out, k + 1);
        out << printable(pairs.sources[k]) << "  ->  " << printable(pairs.targets[k]) << "\n";
        any = true;
    }
    if (!any)
        out << "  (none)\n";
}

void printDrives(std::ostream& out, const DriveTable& table)
{
    out << "Network drives:\n";
    bool any = false;
    for (int k = 0; k < kRowCount; ++k) {
        const DriveRow& row = table[k];
        if (row.uncPath.empty() && row.drive.empty() && row.userName.empty() &&
            row.password.empty())
            continue;
        printRowNumber(out, k + 1);
        out << "drive " << printable(row.drive) << "  share " << printable(row.uncPath) << "  user "
            << printable(row.userName) << "  password "
            << (row.password.empty() ? "" : kHiddenPassword) << "\n";
        any = true;
    }
    if (!any)
        out << "  (none)\n";
}

} // namespace

std::string keepDaysLine(int days)
{
    if (days == 0)
        return "Versions kept: none (keep-days 0)";
    return "Versions kept: " + std::to_string(days) + (days == 1 ? " day" : " days");
}

int showConfiguration(const Services& services, std::ostream& out, std::ostream& err)
{
    FolderPairs pairs;
    std::string backupTime;
    std::string keepDays;
    DriveTable drives;
    try {
        pairs = readFolderPairs(services.fileSystem, services.codePage);
        backupTime = readBackupTime(services.fileSystem, services.codePage);
        keepDays = readKeepDaysText(services.fileSystem, services.codePage);
        drives = readDriveTable(services.fileSystem, services.codePage);
    } catch (const std::exception& error) {
        err << "tarnwell-cli: cannot read Config.dat: " << errorReport(toRuntimeError(error))
            << "\n";
        return CliExit::CouldNotRun;
    }
    printPairs(out, pairs);
    out << "Backup time: "
        << (backupTime.empty() ? "(none, no daily backup)" : printable(backupTime)) << "\n";
    if (const std::optional<int> days = parseKeepDays(keepDays))
        out << keepDaysLine(*days) << "\n";
    else
        out << "Versions kept: " << kDefaultKeepDays << " days (record " << kKeepDaysRecord
            << " holds \"" << printable(keepDays) << "\", not a number of days)\n";
    printDrives(out, drives);
    return CliExit::Success;
}

} // namespace tarnwell
