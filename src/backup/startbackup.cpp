#include "backup/startbackup.h"

#include "backup/attrtree.h"
#include "config/settings.h"
#include "drives/driveprobe.h"
#include "drives/mapdrive.h"
#include "platform/errortrap.h"

#include <algorithm>

namespace tarnwell {

namespace {

// A step refused with 70 is cleared and repeated at most this often; a file locked by another
// program would otherwise be retried without end.
constexpr int kPermissionRounds = 2;

// Bad file name or number: the pair's path cannot be used at all.
struct PairSkipped
{
};

class BackupRun
{
public:
    BackupRun(const Services& services, std::string& messages, std::int16_t& errors,
              BackupRunReport& report, const BackupProgressCallback& progress)
        : m_services(services), m_fileSystem(services.fileSystem), m_messages(messages),
          m_errors(errors), m_report(report), m_progress(progress)
    {
    }

    void run();

private:
    void readConfiguration();
    void processPair(int pair, const DriveRow& row);
    void abandonPair(const RuntimeError& error);
    void mapDrive(const DriveRow& row);
    void copyPair(int pair, const std::string& destination);

    // Runs one step. True when it succeeded; false when it failed with 76 (or with 70 after
    // the clearing rounds), which has then been counted and described. A failure that names no
    // path of its own is reported as concerning path.
    template <typename Step> bool attempt(Step&& step, const std::string& path);
    // Whether path exists; assumed when the probe itself failed with a counted error.
    bool exists(const std::string& path, bool assumedOnFailure);

    // Counts one problem: its fragment for the summary, and for the run log and the command
    // line what it was with the full paths and the error's own text.
    void count(const std::string& fragment, const std::string& detail)
    {
        ++m_errors;
        m_messages += fragment;
        if (m_report.problemNoted)
            m_report.problemNoted(m_pairLabel + detail);
    }
    void countError(const std::string& fragment, const RuntimeError& error)
    {
        count(fragment, errorReportWithPath(error) + " (" + m_source + " -> " + m_target + ")");
    }

    const Services& m_services;
    FileSystem& m_fileSystem;
    std::string& m_messages;
    std::int16_t& m_errors;
    BackupRunReport& m_report;
    const BackupProgressCallback& m_progress;

    FolderPairs m_pairs;
    DriveTable m_drives;
    std::string m_source;    // S: empty until the pair loop reaches a pair
    std::string m_target;    // T
    std::string m_pairLabel; // "Pair n: " in the pair loop
};

template <typename Step> bool BackupRun::attempt(Step&& step, const std::string& path)
{
    for (int round = 0;; ++round) {
        try {
            step();
            return true;
        } catch (RuntimeError& error) {
            error.concerning(path);
            switch (error.number()) {
            case ErrorNumber::PathNotFound:
                countError(", Path not found (" + m_source + " " + m_target, error);
                return false;
            case ErrorNumber::PermissionDenied:
                if (round < kPermissionRounds) {
                    ClearAttributes(m_services, m_target);
                    continue;
                }
                countError(", Permission denied (" + m_source + " " + m_target, error);
                return false;
            case ErrorNumber::BadFileName:
                throw PairSkipped{};
            default:
                throw;
            }
        }
    }
}

bool BackupRun::exists(const std::string& path, bool assumedOnFailure)
{
    bool found = assumedOnFailure;
    attempt([&] { found = !m_fileSystem.probe(path, ProbeMask::All).empty(); }, path);
    return found;
}

void BackupRun::readConfiguration()
{
    m_pairs = readFolderPairs(m_fileSystem, m_services.codePage);
    m_drives = readDriveTable(m_fileSystem, m_services.codePage);
}

void BackupRun::run()
{
    try {
        try {
            readConfiguration();
        } catch (const std::exception& error) {
            m_report.configUnreadable = true;
            m_report.configError = errorReport(toRuntimeError(error));
            throw;
        }
        for (int pair = 1; pair <= kRowCount; ++pair) {
            m_source = m_pairs.sources[pair - 1];
            m_target = m_pairs.targets[pair - 1];
            m_pairLabel = "Pair " + std::to_string(pair) + ": ";
            try {
                processPair(pair, m_drives[pair - 1]);
            } catch (const PairSkipped&) {
                const std::string skipped =
                    "Invalid Path in " + m_source +
                    ". Try selecting a subdirectory in this source instead of the root. " +
                    m_source + " was skipped.";
                count(", " + skipped, skipped);
            } catch (const std::exception& error) {
                abandonPair(toRuntimeError(error));
            }
        }
    } catch (const std::exception& error) {
        ++m_errors;
        reportError(m_services.messageBox, toRuntimeError(error),
                    " in Function StartBackup, debugline 0 strSource: " + m_source);
    }
}

// A failure the steps do not handle (a full disk, a device gone) costs only its own pair: it is
// counted, shown as any unexpected failure is, and the run goes on with the next pair.
void BackupRun::abandonPair(const RuntimeError& error)
{
    countError(", " + errorReport(error) + " (" + m_source + " " + m_target, error);
    reportError(m_services.messageBox, error,
                " in Function StartBackup, debugline 0 strSource: " + m_source);
}

void BackupRun::processPair(int pair, const DriveRow& row)
{
    const std::string& source = m_source;
    const std::string& target = m_target;
    if (source.empty() || target.empty())
        return;

    if (!exists(source, false))
        count(", " + source + " is not a valid source)", source + " is not a valid source");

    if (exists(source, true)) {
        const std::string name = backupFolderName(m_fileSystem.pathStyle(), source);
        if (name.empty())
            throw PairSkipped{};
        const std::string destination = joinPath(m_fileSystem.pathStyle(), target, name);

        const bool sourceFound = exists(source, false);
        const bool targetFound = exists(target, false);
        if ((!sourceFound || !targetFound) && !row.drive.empty())
            mapDrive(row);

        if (!exists(target, false))
            attempt([&] { m_fileSystem.makeDirectory(target); }, target);
        if (!exists(destination, false))
            attempt([&] { m_fileSystem.makeDirectory(destination); }, destination);
        copyPair(pair, destination);
    }

    if (!exists(target, false))
        count(", " + target + " was not created!", target + " was not created");
}

void BackupRun::mapDrive(const DriveRow& row)
{
    // As in the drive commands: a text that names no drive is never connected.
    if (namesDrive(row.drive))
        MapDrive(m_services, row.drive, row.uncPath, row.userName, row.password);
    bool present = true;
    if (!attempt([&] { present = drivePresent(m_fileSystem, row.drive); }, row.drive))
        return;
    std::vector<std::string>& unmapped = m_report.unmappedShares;
    if (!present && std::find(unmapped.begin(), unmapped.end(), row.uncPath) == unmapped.end())
        unmapped.push_back(row.uncPath);
}

void BackupRun::copyPair(int pair, const std::string& destination)
{
    CopyProgressCallback progress;
    if (m_progress) {
        m_progress(pair, m_source, CopyProgress{});
        progress = [this, pair](const CopyProgress& copied) { m_progress(pair, m_source, copied); };
    }
    // A repeat after the attributes were cleared copies only what failed the time before.
    std::vector<std::string> failed;
    attempt(
        [&] {
            try {
                copyFolderTree(m_fileSystem.copyPrimitives(), m_source, destination, progress, {},
                               failed);
            } catch (const FolderCopyError& error) {
                failed = error.failedEntries();
                throw;
            }
        },
        destination);
}

} // namespace

std::string backupFolderName(PathStyle style, const std::string& source)
{
    // On Windows the text after the last backslash names the copy, as existing backup folders
    // are named: \\srv\share gives "share"; C:\Data\ ends in nothing, as a drive root does.
    if (const auto last = source.rfind('\\');
        style == PathStyle::Windows && last != std::string::npos) {
        std::string name = source.substr(last + 1);
        if (name.empty())
            return "(DriveRoot)";
        // "." and ".." would put the copy beside the target or into it; a "/" hides a path.
        if (name != "." && name != ".." && name.find('/') == std::string::npos)
            return name;
    }
    const std::string path = normalizePath(style, source);
    if (isRootPath(style, path))
        return "(DriveRoot)";
    std::string name = lastComponent(style, path);
    return name == ".." ? std::string() : name;
}

void StartBackup(const Services& services, std::string& strMessages, std::int16_t& intErrors,
                 BackupRunReport& report, const BackupProgressCallback& progress)
{
    BackupRun(services, strMessages, intErrors, report, progress).run();
}

} // namespace tarnwell
