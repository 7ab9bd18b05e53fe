#include "cli/cli.h"

#include "backup/backupcommand.h"
#include "cli/console.h"
#include "cli/showconfig.h"
#include "drives/drivecommands.h"

namespace tarnwell {

namespace {

constexpr const char* kUsage =
    "Usage: tarnwell-cli [-C DIR] COMMAND\n"
    "\n"
    "Runs Tarnwell's commands without its window, with Config.dat of the working directory.\n"
    "\n"
    "Commands:\n"
    "  backup             back up every configured folder pair\n"
    "  show               show the folder pairs, the backup time and the drive table\n"
    "  map-drives         map every configured network drive that is not there\n"
    "  disconnect-drives  disconnect every configured network drive that is there\n"
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

int backup(const Services& services, Console& console, std::ostream& out, std::ostream& err)
{
    const BackupOutcome outcome = runBackupCommand(services, console);
    if (outcome == BackupOutcome::AnotherRunning)
        return anotherRunning(err);
    out << consoleLines(console.text());
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
    out << consoleLines(console.text());
    return result.anyRowFailed ? CliExit::Failed : CliExit::Success;
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
    if (at + 1 < args.size())
        return usageError(err, "unexpected argument: " + args[at + 1]);

    Console console(err, errIsTerminal);
    const Services services{platform.fileSystem, platform.network, platform.clock,
                            platform.codePage, console};
    if (command == "backup")
        return backup(services, console, out, err);
    if (command == "show")
        return showConfiguration(services, out, err);
    std::string strDriveLog;
    if (command == "map-drives")
        return drivePass(cmdMapDrives_Click(services, console, strDriveLog), console, out, err);
    if (command == "disconnect-drives")
        return drivePass(cmdDisconnectDrives_Click(services, console, strDriveLog), console, out,
                         err);
    return usageError(err, "unknown command: " + command);
}

} // namespace tarnwell
