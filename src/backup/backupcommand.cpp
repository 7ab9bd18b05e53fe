#include "backup/backupcommand.h"

#include "backup/startbackup.h"
#include "config/runlock.h"
#include "platform/errortrap.h"
#include "platform/runlog.h"

#include <cstdio>
#include <map>
#include <vector>

namespace tarnwell {

std::string byteCountText(std::uint64_t bytes)
{
    static const char* const units[] = {"KB", "MB", "GB", "TB"};
    if (bytes < 1024)
        return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
    double value = static_cast<double>(bytes) / 1024.0;
    std::size_t unit = 0;
    // Compared with what one decimal rounds up to, so 1048575 bytes read 1.0 MB.
    while (value >= 1023.95 && unit + 1 < std::size(units)) {
        value /= 1024.0;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.1f %s", value, units[unit]);
    return text;
}

std::string backupProgressLine(int pair, const std::string& source, std::uint64_t files,
                               std::uint64_t bytes)
{
    return "Pair " + std::to_string(pair) + ": " + source + " - " + std::to_string(files) +
           (files == 1 ? " file, " : " files, ") + byteCountText(bytes) + " copied";
}

BackupOutcome runBackupCommand(const Services& given, StatusBox& status, const std::string& trigger,
                               bool everyFile)
{
    RunLogBlock log(given, "backup", trigger);
    const Services& services = log.services();
    BackupOutcome outcome = BackupOutcome::CouldNotRun;
    // Each pair's count: what earlier attempts copied, and the latest count of the current one.
    // A repeat after the attributes were cleared starts counting from zero again.
    struct PairCopied
    {
        CopyProgress earlier;
        CopyProgress current;
    };
    std::map<int, PairCopied> copied;
    const bool finished = errorTrap(services.messageBox, "", [&] {
        const RunLock lock(services.fileSystem);
        if (lock.otherRunning()) {
            status.setText(std::string("Error! ") + kAnotherRunFragment);
            status.repaint();
            outcome = BackupOutcome::AnotherRunning;
            return;
        }
        status.setText("Performing backups.  Please wait...");
        status.repaint();

        std::string summary;
        std::int16_t count = 0;
        BackupRunReport report;
        report.problemNoted = [&](const std::string& problem) {
            log.write("Problem", problem);
            status.showDetail(problem);
        };
        StartBackup(
            services, summary, count, report,
            [&](int pair, const std::string& source, const CopyProgress& progress) {
                PairCopied& counted = copied[pair];
                if (progress.files < counted.current.files ||
                    progress.upToDate < counted.current.upToDate) {
                    counted.earlier.files += counted.current.files;
                    counted.earlier.bytes += counted.current.bytes;
                    counted.earlier.upToDate += counted.current.upToDate;
                }
                counted.current = progress;
                status.showProgress(
                    backupProgressLine(pair, source, progress.files, progress.bytes));
            },
            everyFile);
        status.showProgress("");
        if (report.configUnreadable) {
            const std::string problem = "cannot read Config.dat in " +
                                        services.fileSystem.currentDirectory() + ": " +
                                        report.configError;
            log.write("Problem", problem);
            status.showDetail(problem);
        }

        std::vector<std::string> lines;
        if (count == 0) {
            const LocalDateTime now = services.clock.now();
            lines.push_back("Backups Complete at " + services.clock.regionalTime(now) + ", on " +
                            services.clock.regionalDate(now));
            outcome = BackupOutcome::Complete;
        } else {
            lines.push_back("Error! " + summary);
            outcome = report.configUnreadable ? BackupOutcome::CouldNotRun : BackupOutcome::Error;
        }
        // Shown after the outcome so that the first line stays the outcome.
        for (const std::string& share : report.unmappedShares)
            lines.push_back("Mapping of " + share + " failed!");
        std::string text;
        for (const std::string& line : lines) {
            text += text.empty() ? "" : "\r\n";
            text += line;
            log.write("Outcome", line);
        }
        status.setReport(text, lines);
        status.repaint();
    });
    if (!finished)
        status.showProgress(""); // the text stays as it was; a stale count would mislead
    CopyProgress total;
    for (const auto& [pair, counted] : copied) {
        const std::uint64_t files = counted.earlier.files + counted.current.files;
        const std::uint64_t bytes = counted.earlier.bytes + counted.current.bytes;
        log.write("Copied",
                  "Pair " + std::to_string(pair) + ": " + std::to_string(files) +
                      (files == 1 ? " file, " : " files, ") + byteCountText(bytes) + "; " +
                      std::to_string(counted.earlier.upToDate + counted.current.upToDate) +
                      " already up to date");
        total.files += files;
        total.bytes += bytes;
    }
    log.write("Copied", std::to_string(total.files) + (total.files == 1 ? " file, " : " files, ") +
                            byteCountText(total.bytes));
    return outcome;
}

} // namespace tarnwell
