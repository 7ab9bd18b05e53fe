#include "backup/backupcommand.h"

#include "backup/networkwait.h"
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

std::string onlineOnlyLine(int pair, std::uint64_t files)
{
    return "Pair " + std::to_string(pair) + ": " + std::to_string(files) +
           (files == 1 ? " online-only file" : " online-only files") + " left out, not downloaded";
}

namespace {

// Keeps the computer awake from the start of a run to its end, also when the run throws.
class AwakeDuringRun
{
public:
    explicit AwakeDuringRun(Power* power) : m_power(power)
    {
        if (m_power)
            m_power->holdAwake();
    }
    ~AwakeDuringRun()
    {
        if (m_power)
            m_power->releaseAwake();
    }
    AwakeDuringRun(const AwakeDuringRun&) = delete;
    AwakeDuringRun& operator=(const AwakeDuringRun&) = delete;

private:
    Power* m_power;
};

} // namespace

BackupOutcome runBackupCommand(const Services& given, StatusBox& status, const std::string& trigger,
                               const BackupOptions& options)
{
    // Taken before the log is touched, so that a refused run writes nothing into the block of
    // the run that holds it.
    const RunLock lock(given.fileSystem);
    if (lock.otherRunning()) {
        logRefusal(given, "backup", trigger);
        status.setText(std::string("Error! ") + kAnotherRunFragment);
        status.repaint();
        return BackupOutcome::AnotherRunning;
    }
    const AwakeDuringRun awake(given.power);
    RunLogBlock log(given, "backup", trigger, lock.held());
    const Services& services = log.services();
    BackupOutcome outcome = BackupOutcome::CouldNotRun;
    std::map<int, CopyProgress> copied; // each pair's count, over all its attempts
    const bool finished = errorTrap(services.messageBox, "", [&] {
        status.setText("Performing backups.  Please wait...");
        status.repaint();

        std::string summary;
        std::int16_t count = 0;
        BackupRunReport report;
        report.problemNoted = [&](const std::string& problem) {
            log.write("Problem", problem);
            status.showDetail(problem);
        };
        report.skipNoted = [&](const std::string& note) {
            log.write("Skipped", note);
            status.showDetail(note);
        };
        NetworkWait wait(services.fileSystem, services.clock, [&](const std::string& line) {
            log.write("Waited", line);
            status.showProgress(line);
            status.showDetail(line);
        });
        StartBackup(
            services, summary, count, report,
            [&](int pair, const std::string& source, const CopyProgress& progress) {
                copied[pair] = progress;
                status.showProgress(
                    backupProgressLine(pair, source, progress.files, progress.bytes));
            },
            options.everyFile, options.acceptChanges, options.waitForNetwork ? &wait : nullptr);
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
        for (const auto& [pair, files] : report.onlineOnlyLeftOut)
            lines.push_back(onlineOnlyLine(pair, files));
        for (const std::string& share : report.unmappedShares) {
            // The platform's reason follows, so that the user knows what to mend.
            const auto refusal = report.mappingRefusals.find(share);
            lines.push_back(
                "Mapping of " + share + " failed!" +
                (refusal == report.mappingRefusals.end() ? "" : "  " + refusal->second));
            status.showDetail(lines.back());
        }
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
        log.write("Copied", "Pair " + std::to_string(pair) + ": " + std::to_string(counted.files) +
                                (counted.files == 1 ? " file, " : " files, ") +
                                byteCountText(counted.bytes) + "; " +
                                std::to_string(counted.upToDate) + " already up to date");
        total.files += counted.files;
        total.bytes += counted.bytes;
    }
    log.write("Copied", std::to_string(total.files) + (total.files == 1 ? " file, " : " files, ") +
                            byteCountText(total.bytes));
    return outcome;
}

} // namespace tarnwell
