#include "cli/cli.h"

#include "backup/backupcommand.h"
#include "cli/console.h"
#include "cli/historycommands.h"
#include "cli/showconfig.h"
#include "cli/showlog.h"
#include "config/settings.h"
#include "drives/drivecommands.h"
#include "platform/printable.h"
#include "platform/runlog.h"

#include <cstddef>
#include <optional>

namespace tarnwell {

namespace {

constexpr const char* kUsage =
    "Usage: tarnwell-cli [-C DIR] COMMAND\n"
    "\n"
    "Runs Tarnwell's commands without its window, with Config.dat of the working directory.\n"
    "\n"
    "Commands:\n"
    "  backup [--every-file] [--accept-changes]\n"
    "                     back up every configured folder pair; --every-file copies also\n"
    "                     the files whose copy is up to date; --accept-changes copies a\n"
    "                     pair where most files changed at once without raising the alarm\n"
    "  show               show the folder pairs, the backup time, the days versions are\n"
    "                     kept and the drive table\n"
    "  set keep-days N    keep the versions of replaced copies N days (0: keep none)\n"
    "  map-drives         map every configured network drive that is not there\n"
    "  disconnect-drives  disconnect every configured network drive that is there\n"
    "  log [-n N]         show the last N runs of the run log Tarnwell.log (10 when not given)\n"
    "  versions PATH      list the current copy and the kept versions of a file or folder\n"
    "                     (PATH in a source or in its copy), newest first\n"
    "  restore PATH [--as-of \"YYYY-MM-DD HH:MM\"] --to DIR [--overwrite]\n"
    "                     put the file or folder, as it was at that time, into DIR;\n"
    "                     existing files in DIR are only replaced with --overwrite\n"
    "  verify [--pair N] [--repair]\n"
    "                     compare every source file with its copy and name each copy that\n"
    "                     differs or is missing; --repair copies those again\n"
    "\n"
    "Options:\n"
    "  -C DIR             change to DIR first\n"
    "  --help             show this text\n"
    "  --version          show the version\n"
    "\n"
    "Exit status: 0 done, 1 done with errors, 2 could not run.\n";

int usageError(std::ostream& err, const std::string& problem)
{
    err << "tarnwell-cli: " << problem << "\n" << kUsage;
    return CliExit::CouldNotRun;
}

int anotherRunning(std::ostream& err)
{
    err << "Tarnwell: another backup or drive command is running for this Config.dat\n";
    return CliExit::CouldNotRun;
}

int backup(const Services& services, Console& console, std::ostream& out, std::ostream& err,
           bool everyFile, bool acceptChanges, bool scheduled)
{
    const std::string trigger = std::string(scheduled ? "tarnwell-task" : "tarnwell-cli") +
                                (everyFile ? " --every-file" : "") +
                                (acceptChanges ? " --accept-changes" : "");
    BackupOptions options;
    options.everyFile = everyFile;
    options.acceptChanges = acceptChanges;
    options.waitForNetwork = scheduled;
    const BackupOutcome outcome = runBackupCommand(services, console, trigger, options);
    if (outcome == BackupOutcome::AnotherRunning)
        return anotherRunning(err);
    out << console.report();
    switch (outcome) {
    case BackupOutcome::Complete:
        return CliExit::Success;
    case BackupOutcome::Error:
        return CliExit::Failed;
    case BackupOutcome::CouldNotRun:
    case BackupOutcome::AnotherRunning:
        break;
    }
    return CliExit::CouldNotRun;
}

int drivePass(const DrivePassResult& result, Console& console, std::ostream& out, std::ostream& err)
{
    if (result.anotherRunning)
        return anotherRunning(err);
    if (!result.completed)
        return CliExit::CouldNotRun;
    out << console.report();
    return result.anyRowFailed ? CliExit::Failed : CliExit::Success;
}

// "log [-n N]"
int logCommand(const std::vector<std::string>& options, FileSystem& fileSystem, std::ostream& out,
               std::ostream& err)
{
    int count = kDefaultLogBlocks;
    if (!options.empty()) {
        if (options.size() != 2 || options[0] != "-n")
            return usageError(err, "unexpected argument: " + options[0]);
        const std::string& given = options[1];
        const bool digits = !given.empty() && given.size() <= 6 &&
                            given.find_first_not_of("0123456789") == std::string::npos;
        count = digits ? std::stoi(given) : 0;
        if (count < 1)
            return usageError(err, "-n needs a number of runs from 1 up");
    }
    return showRunLog(fileSystem, count, out, err);
}

// "set keep-days N": checked whole before Config.dat is touched, then record 22 alone is saved.
int setCommand(const std::vector<std::string>& options, CliPlatform& platform, std::ostream& out,
               std::ostream& err)
{
    if (options.size() != 2 || options[0] != "keep-days")
        return usageError(err, "set needs keep-days and a number of days");
    const std::optional<int> days = options[1].empty() ? std::nullopt : parseKeepDays(options[1]);
    if (!days)
        return usageError(err, "keep-days needs a whole number of days from 0 to " +
                                   std::to_string(kMaxKeepDays));
    try {
        saveKeepDays(platform.fileSystem, platform.codePage, *days);
    } catch (const std::exception& error) {
        err << "tarnwell-cli: cannot save Config.dat: " << errorReport(toRuntimeError(error))
            << "\n";
        return CliExit::CouldNotRun;
    }
    out << keepDaysLine(*days) << "\n";
    return CliExit::Success;
}

} // namespace

int runCli(const std::vector<std::string>& args, CliPlatform& platform, std::ostream& out,
           std::ostream& err, bool errIsTerminal)
{
    std::size_t at = 0;
    while (at < args.size() && args[at] == "-C") {
        if (at + 1 >= args.size())
            return usageError(err, "-C needs a folder");
        const std::string& dir = args[at + 1];
        if (!platform.changeDirectory(dir)) {
            err << "tarnwell-cli: cannot change to " << dir << "\n";
            return CliExit::CouldNotRun;
        }
        at += 2;
    }
    if (at >= args.size())
        return usageError(err, "no command given");
    const std::string& command = args[at];
    if (command == "--help" || command == "-h") {
        out << kUsage;
        return CliExit::Success;
    }
    if (command == "--version") {
        out << "tarnwell-cli " << TARNWELL_VERSION << "\n";
        return CliExit::Success;
    }
    if (command == "log")
        return logCommand({args.begin() + static_cast<std::ptrdiff_t>(at) + 1, args.end()},
                          platform.fileSystem, out, err);
    const std::vector<std::string> options(args.begin() + static_cast<std::ptrdiff_t>(at) + 1,
                                           args.end());
    if (command == "set")
        return setCommand(options, platform, out, err);
    // The history commands read their own options; the others take only the backup's flags.
    const bool takesOptions = command == "versions" || command == "restore" || command == "verify";
    bool everyFile = false;
    bool acceptChanges = false;
    for (const std::string& option : takesOptions ? std::vector<std::string>{} : options) {
        bool& flag = option == "--every-file" ? everyFile : acceptChanges;
        if (command != "backup" || (option != "--every-file" && option != "--accept-changes") ||
            flag)
            return usageError(err, "unexpected argument: " + option);
        flag = true;
    }

    Console console(err, errIsTerminal);
    // A log that cannot be written costs the command nothing but this line.
    std::optional<RunLog> runLog;
    if (platform.logFile)
        runLog.emplace(*platform.logFile, platform.clock, [&err](const std::string& problem) {
            err << "tarnwell-cli: " << printable(problem) << "\n";
        });
    const Services services{platform.fileSystem, platform.network, platform.clock,
                            platform.codePage,   console,          runLog ? &*runLog : nullptr,
                            platform.power};
    if (command == "backup")
        return backup(services, console, out, err, everyFile, acceptChanges, platform.scheduled);
    if (command == "show")
        return showConfiguration(services, out, err);
    const UsageError usage = [&err](const std::string& problem) {
        return usageError(err, problem);
    };
    if (command == "versions")
        return versionsCommand(options, services, out, err, usage);
    if (command == "restore")
        return restoreCommand(options, services, out, err, usage);
    if (command == "verify")
        return verifyCommand(options, services, console, out, err, usage);
    std::string strDriveLog;
    if (command == "map-drives")
        return drivePass(cmdMapDrives_Click(services, console, strDriveLog, "tarnwell-cli"),
                         console, out, err);
    if (command == "disconnect-drives")
        return drivePass(cmdDisconnectDrives_Click(services, console, strDriveLog, "tarnwell-cli"),
                         console, out, err);
    return usageError(err, "unknown command: " + command);
}

} // namespace tarnwell
