#include "cli/historycommands.h"

#include "backup/backupcommand.h"
#include "backup/backuphistory.h"
#include "backup/restorefiles.h"
#include "backup/verifycopies.h"
#include "cli/cli.h"
#include "config/runlock.h"
#include "config/settings.h"
#include "copy/versionlayout.h"
#include "platform/printable.h"

#include <optional>

namespace tarnwell {

namespace {

// The configured pairs, or nothing after saying why they could not be read.
std::optional<std::vector<PairCopy>> readPairs(const Services& services, std::ostream& err)
{
    try {
        return pairCopies(services.fileSystem.pathStyle(),
                          readFolderPairs(services.fileSystem, services.codePage));
    } catch (const std::exception& error) {
        err << "tarnwell-cli: cannot read Config.dat: " << errorReport(toRuntimeError(error))
            << "\n";
        return std::nullopt;
    }
}

// A path as typed, made full against the working directory.
std::string fullPath(FileSystem& fileSystem, const std::string& path)
{
    const PathStyle style = fileSystem.pathStyle();
    const std::string given = withDriveRoot(style, path);
    if (splitPath(style, given).root.empty())
        return normalizePath(style, joinPath(style, fileSystem.currentDirectory(), given));
    return normalizePath(style, given);
}

// The pair and place of path, or nothing after saying that no pair holds it.
std::optional<BackupPath> locate(const Services& services, const std::vector<PairCopy>& pairs,
                                 const std::string& path, std::ostream& err)
{
    FileSystem& fileSystem = services.fileSystem;
    const std::string full = fullPath(fileSystem, path);
    auto where = findInBackup(fileSystem.pathStyle(), pairs, full);
    if (!where)
        err << "tarnwell-cli: " << printable(full)
            << " is in no source and no copy of the folder pairs of Config.dat\n";
    return where;
}

std::string stampText(const Clock& clock, const FileStamp& stamp)
{
    return "modified " + dateTimeText(clock.localTimeOf(stamp.seconds)) + ", " +
           byteCountText(stamp.size);
}

std::optional<std::vector<FileHistory>> history(const Services& services, const BackupPath& where,
                                                std::ostream& err)
{
    try {
        return readHistory(services.fileSystem.copyPrimitives(), where);
    } catch (const RuntimeError& error) {
        err << "tarnwell-cli: cannot read the backup: " << printable(errorReportWithPath(error))
            << "\n";
        return std::nullopt;
    }
}

int anotherRunning(std::ostream& err)
{
    err << "Tarnwell: " << kAnotherCommandRunning << " for this Config.dat\n";
    return CliExit::CouldNotRun;
}

} // namespace

int versionsCommand(const std::vector<std::string>& options, const Services& services,
                    std::ostream& out, std::ostream& err, const UsageError& usage)
{
    if (options.size() != 1)
        return usage(options.empty() ? "versions needs a file or folder"
                                     : "unexpected argument: " + options[1]);
    const auto pairs = readPairs(services, err);
    if (!pairs)
        return CliExit::CouldNotRun;
    const auto where = locate(services, *pairs, options[0], err);
    if (!where)
        return CliExit::CouldNotRun;
    const auto files = history(services, *where, err);
    if (!files)
        return CliExit::CouldNotRun;
    out << "Pair " << where->pair.pair << ": " << printable(where->pair.source) << " -> "
        << printable(where->pair.copy) << "\n";
    if (files->empty()) {
        out << "The backup holds nothing of " << printable(options[0]) << "\n";
        return CliExit::Failed;
    }
    for (const FileHistory& file : *files) {
        out << printable(file.relative) << "\n";
        for (const KeptFile& kept : file.kept) {
            out << (kept.replacedAt ? "  kept until " + dateTimeText(*kept.replacedAt) + ", "
                                    : std::string("  current copy, "))
                << stampText(services.clock, kept.stamp) << "\n      " << printable(kept.path)
                << "\n";
        }
    }
    return CliExit::Success;
}

int restoreCommand(const std::vector<std::string>& options, const Services& services,
                   std::ostream& out, std::ostream& err, const UsageError& usage)
{
    std::string path;
    std::string to;
    std::optional<LocalDateTime> asOf;
    bool overwrite = false;
    for (std::size_t at = 0; at < options.size(); ++at) {
        const std::string& option = options[at];
        const bool valued = option == "--as-of" || option == "--to";
        if (valued && at + 1 >= options.size())
            return usage(option + " needs a value");
        if (option == "--as-of") {
            asOf = parseAsOfTime(options[++at]);
            if (!asOf)
                return usage("--as-of needs a time as \"YYYY-MM-DD HH:MM\", not " +
                             printable(options[at]));
        } else if (option == "--to") {
            to = options[++at];
        } else if (option == "--overwrite") {
            overwrite = true;
        } else if (path.empty() && !option.empty() && option[0] != '-') {
            path = option;
        } else {
            return usage("unexpected argument: " + printable(option));
        }
    }
    if (path.empty() || to.empty())
        return usage("restore needs a file or folder and --to DIR");

    const auto pairs = readPairs(services, err);
    if (!pairs)
        return CliExit::CouldNotRun;
    const auto where = locate(services, *pairs, path, err);
    if (!where)
        return CliExit::CouldNotRun;
    FileSystem& fileSystem = services.fileSystem;
    const PathStyle style = fileSystem.pathStyle();
    const std::string destination = fullPath(fileSystem, to);
    for (const PairCopy& pair : *pairs) {
        if (isInside(style, destination, pair.copy) ||
            isInside(style, destination, versionsRoot(style, pair.target))) {
            err << "tarnwell-cli: " << printable(destination)
                << " lies inside the backup; restore into a folder outside it\n";
            return CliExit::CouldNotRun;
        }
    }
    // A run that replaces copies while they are read would move them away underneath.
    const RunLock lock(fileSystem);
    if (lock.otherRunning())
        return anotherRunning(err);
    const auto files = history(services, *where, err);
    if (!files)
        return CliExit::CouldNotRun;
    if (files->empty()) {
        err << "tarnwell-cli: the backup holds nothing of " << printable(path) << "\n";
        return CliExit::CouldNotRun;
    }
    RestoreReport report;
    try {
        report = restoreFiles(fileSystem.copyPrimitives(), services.clock, *files, asOf,
                              destination, overwrite);
    } catch (const RuntimeError& error) {
        err << "tarnwell-cli: cannot restore into " << printable(destination) << ": "
            << printable(errorReportWithPath(error)) << "\n";
        return CliExit::CouldNotRun;
    }
    for (const std::string& written : report.written)
        out << "restored: " << printable(written) << "\n";
    for (const std::string& existing : report.existing)
        err << "tarnwell-cli: not restored, a file is there already (--overwrite replaces it): "
            << printable(existing) << "\n";
    for (const std::string& failed : report.failed)
        err << "tarnwell-cli: not restored: " << printable(failed) << "\n";
    out << report.written.size() << (report.written.size() == 1 ? " file" : " files") << ", "
        << byteCountText(report.bytes) << " restored into " << printable(destination);
    if (asOf)
        out << " as of " << dateTimeText(*asOf);
    out << "\n";
    if (report.absent > 0)
        out << report.absent << (report.absent == 1 ? " file" : " files")
            << " of the backup did not exist yet then\n";
    if (report.written.empty() && report.existing.empty() && report.failed.empty()) {
        err << "tarnwell-cli: nothing of " << printable(path) << " existed then\n";
        return CliExit::CouldNotRun;
    }
    return report.existing.empty() && report.failed.empty() ? CliExit::Success : CliExit::Failed;
}

int verifyCommand(const std::vector<std::string>& options, const Services& services,
                  Console& console, std::ostream& out, std::ostream& err, const UsageError& usage)
{
    int only = 0;
    bool repair = false;
    for (std::size_t at = 0; at < options.size(); ++at) {
        if (options[at] == "--repair") {
            repair = true;
        } else if (options[at] == "--pair" && at + 1 < options.size()) {
            const std::string& given = options[++at];
            only = given.size() <= 2 && given.find_first_not_of("0123456789") == std::string::npos
                       ? std::stoi("0" + given)
                       : 0;
            if (only < 1 || only > kRowCount)
                return usage("--pair needs a pair number from 1 to 10");
        } else {
            return usage("unexpected argument: " + printable(options[at]));
        }
    }
    const auto all = readPairs(services, err);
    if (!all)
        return CliExit::CouldNotRun;
    std::vector<PairCopy> chosen;
    for (const PairCopy& pair : *all) {
        if (only == 0 || pair.pair == only)
            chosen.push_back(pair);
    }
    if (chosen.empty()) {
        err << "tarnwell-cli: "
            << (only ? "pair " + std::to_string(only) + " is not set up" : "no pair is set up")
            << " in Config.dat\n";
        return CliExit::CouldNotRun;
    }
    // A run that copies while the copies are read would show differences that are not there.
    const RunLock lock(services.fileSystem);
    if (lock.otherRunning())
        return anotherRunning(err);
    VerifyOutput output;
    output.line = [&](const std::string& line) {
        console.showProgress("");
        out << printable(line) << "\n" << std::flush;
    };
    if (console.drawsProgress())
        output.progress = [&](const std::string& line) { console.showProgress(line); };
    RepairVersions keeping;
    if (repair) {
        keeping.runName = runStampName(services.clock.now());
        keeping.keepDays = parseKeepDays(readKeepDaysText(services.fileSystem, services.codePage))
                               .value_or(kDefaultKeepDays);
    }
    const VerifyTotals totals =
        verifyCopies(services.fileSystem, chosen, *all, repair, keeping, output);
    if (totals.leftOut > 0)
        out << totals.leftOut << " left out on purpose, as the backup leaves them out: "
            << "not compared.\n";
    if (totals.differing == 0 && totals.failed == 0) {
        out << "All " << totals.compared << " copies match.\n";
        return CliExit::Success;
    }
    out << totals.differing << (totals.differing == 1 ? " copy differs" : " copies differ")
        << " or " << (totals.differing == 1 ? "is" : "are") << " missing, " << totals.failed
        << " not compared";
    if (repair)
        out << "; " << totals.repaired << " copied again"
            << (totals.repairFailed ? ", some could not be" : "");
    out << ".\n";
    const bool repaired = repair && !totals.repairFailed && totals.failed == 0;
    return repaired ? CliExit::Success : CliExit::Failed;
}

} // namespace tarnwell
