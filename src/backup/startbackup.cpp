#include "backup/startbackup.h"

#include "backup/attrtree.h"
#include "backup/copyoutcome.h"
#include "backup/networkwait.h"
#include "backup/pairversions.h"
#include "config/settings.h"
#include "copy/versionlayout.h"
#include "drives/driveprobe.h"
#include "drives/mapdrive.h"
#include "platform/errortrap.h"

#include <algorithm>
#include <utility>

namespace tarnwell {

namespace {

// Copies refused by their own flags are cleared and copied again at most this often.
constexpr int kPermissionRounds = 2;

// A copy that failed on more entries names this many, then how many more there were.
constexpr std::size_t kNamedFailures = 100;

// Bad file name or number on the source itself: the pair's path cannot be used at all.
struct PairSkipped
{
};

// Whether both paths lead to one folder; false when either cannot be looked at, which the
// copy then reports.
bool sameFolder(CopyPrimitives& primitives, const std::string& one, const std::string& other)
{
    try {
        return primitives.folderId(one) == primitives.folderId(other);
    } catch (const RuntimeError&) {
        return false;
    }
}

class BackupRun
{
public:
    BackupRun(const Services& services, std::string& messages, std::int16_t& errors,
              BackupRunReport& report, const BackupProgressCallback& progress, bool everyFile,
              bool acceptChanges, NetworkWait* wait)
        : m_services(services), m_fileSystem(services.fileSystem), m_messages(messages),
          m_errors(errors), m_report(report), m_progress(progress), m_wait(wait),
          m_acceptChanges(acceptChanges)
    {
        m_copyOptions.everyFile = everyFile;
    }

    void run();

private:
    void readConfiguration();
    void processPair(int pair, const DriveRow& row);
    void abandonPair(const std::exception& error);
    void mapDrive(const DriveRow& row);
    void readKeepDays();
    void copyPair(int pair, const std::string& destination, const std::string& name);
    // One round of the pair's copy; the failures of the copy itself, or none.
    // holdsSource: the destination is the source itself, so nothing was copied.
    // versions: the pair's, whose expired ones the first round removes before it copies.
    std::vector<CopyFailure> copyRound(const std::string& destination,
                                       const std::vector<std::string>& only,
                                       const CopyProgressCallback& progress, bool& holdsSource,
                                       const PairVersions& versions);
    // The full-disk failures of a copy copied once more after the oldest versions went.
    void retryFullDisk(std::vector<CopyFailure>& failures, const std::string& destination,
                       const CopyProgressCallback& progress, const PairVersions& versions);
    void noteVersionFailures(const VersionRemoval& removal);
    void countCopyFailures(std::vector<CopyFailure> failures);
    std::vector<std::string> foldersToAvoid(CopyPrimitives& primitives) const;
    void noteLeftOut(int pair, const CopyNote& note);
    bool invalidText(int record) const
    {
        const std::vector<int>& invalid = m_pairs.invalidRecords;
        return std::find(invalid.begin(), invalid.end(), record) != invalid.end();
    }

    // Runs one step. True when it succeeded; false when it failed with 76 or 70, which has then
    // been counted and described. A failure that names no path of its own is reported as
    // concerning path; 52 on the source itself skips the pair.
    template <typename Step> bool attempt(Step&& step, const std::string& path);
    // Whether path exists; assumed when the probe itself failed with a counted error.
    bool exists(const std::string& path, bool assumedOnFailure);

    // Counts one problem: its fragment for the summary, and for the run log and the command
    // line what it was with the full paths and the error's own text.
    void count(const std::string& fragment, const std::string& detail)
    {
        ++m_errors;
        m_messages += fragment;
        note(detail);
    }
    // A failed copy is one problem, but each entry it could not copy is named.
    void countError(const std::string& fragment, const RuntimeError& error);
    void note(const std::string& detail)
    {
        if (m_report.problemNoted)
            m_report.problemNoted(m_pairLabel + detail);
    }
    std::string withPair(const RuntimeError& error) const
    {
        return errorReportWithPath(error) + " (" + m_source + " -> " + m_target + ")";
    }

    const Services& m_services;
    FileSystem& m_fileSystem;
    std::string& m_messages;
    std::int16_t& m_errors;
    BackupRunReport& m_report;
    const BackupProgressCallback& m_progress;
    NetworkWait* m_wait;
    CopyOptions m_copyOptions;
    bool m_acceptChanges;
    int m_keepDays = kDefaultKeepDays;
    std::string m_runName;                  // the run's dated folder among the versions
    CopyPrimitives* m_primitives = nullptr; // of the last copy round

    FolderPairs m_pairs;
    DriveTable m_drives;
    std::string m_source;     // S as configured: empty until the pair loop reaches a pair
    std::string m_target;     // T as configured
    std::string m_sourcePath; // S as the file system is asked for it
    std::string m_targetPath; // T as the file system is asked for it
    std::string m_pairLabel;  // "Pair n: " in the pair loop
    // S and T + F of every pair the run copies: no copy enters another's destination, nor
    // a versions folder.
    std::vector<std::pair<std::string, std::string>> m_copies;
    std::vector<std::string> m_versionRoots;
};

void BackupRun::countError(const std::string& fragment, const RuntimeError& error)
{
    ++m_errors;
    m_messages += fragment;
    const auto* copy = dynamic_cast<const FolderCopyError*>(&error);
    if (!copy) {
        note(withPair(error));
        return;
    }
    std::vector<const CopyFailure*> failures;
    for (const CopyFailure& failure : copy->failures())
        failures.push_back(&failure);
    std::sort(failures.begin(), failures.end(),
              [](const CopyFailure* a, const CopyFailure* b) { return a->entry < b->entry; });
    const std::size_t named = std::min(failures.size(), kNamedFailures);
    for (std::size_t i = 0; i < named; ++i)
        note(withPair(failures[i]->error));
    if (failures.size() > named)
        note("and " + std::to_string(failures.size() - named) + " more");
}

template <typename Step> bool BackupRun::attempt(Step&& step, const std::string& path)
{
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
            // Refused by an access list, not by a copy's flags: clearing flags cannot help.
            countError(", Permission denied (" + m_source + " " + m_target, error);
            return false;
        case ErrorNumber::BadFileName:
            // Elsewhere it is one more unexpected failure, named with its path.
            if (path == m_sourcePath)
                throw PairSkipped{};
            throw;
        default:
            throw;
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
    readKeepDays();
}

void BackupRun::readKeepDays()
{
    const std::string text = readKeepDaysText(m_fileSystem, m_services.codePage);
    const std::optional<int> days = parseKeepDays(text);
    m_keepDays = days.value_or(kDefaultKeepDays);
    m_runName = runStampName(m_services.clock.now());
    if (!days)
        count(", Keep-days is not a number of days (" + text + ")",
              recordName(kKeepDaysRecord) + ", holds \"" + text +
                  "\", not a number of days from 0 to " + std::to_string(kMaxKeepDays) +
                  "; versions are kept " + std::to_string(kDefaultKeepDays) + " days");
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
        const PathStyle style = m_fileSystem.pathStyle();
        for (int pair = 0; pair < kRowCount; ++pair) {
            const std::string& source = m_pairs.sources[pair];
            const std::string name = backupFolderName(style, source);
            if (!source.empty() && !m_pairs.targets[pair].empty() && !name.empty() &&
                !invalidText(kFirstSourceRecord + pair) &&
                !invalidText(kFirstTargetRecord + pair)) {
                const std::string target = withDriveRoot(style, m_pairs.targets[pair]);
                m_copies.emplace_back(withDriveRoot(style, source), joinPath(style, target, name));
                m_versionRoots.push_back(versionsRoot(style, target));
            }
        }
        for (int pair = 1; pair <= kRowCount; ++pair) {
            m_source = m_pairs.sources[pair - 1];
            m_target = m_pairs.targets[pair - 1];
            m_sourcePath = withDriveRoot(style, m_source);
            m_targetPath = withDriveRoot(style, m_target);
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
                abandonPair(error);
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
void BackupRun::abandonPair(const std::exception& failure)
{
    const RuntimeError error = toRuntimeError(failure);
    // A copy's own error names every entry that failed.
    const auto* copy = dynamic_cast<const FolderCopyError*>(&failure);
    const RuntimeError* counted = copy ? copy : &error;
    countError(", " + errorReport(error) + " (" + m_source + " " + m_target, *counted);
    reportError(m_services.messageBox, error,
                " in Function StartBackup, debugline 0 strSource: " + m_source);
}

void BackupRun::processPair(int pair, const DriveRow& row)
{
    // Fragments name the folders as configured; the file system is asked for what they mean.
    if (m_source.empty() || m_target.empty())
        return;
    const std::string& source = m_sourcePath;
    const std::string& target = m_targetPath;

    // A record that is not valid text names no folder: nothing of the pair is made or copied.
    const bool textSource = !invalidText(kFirstSourceRecord + pair - 1);
    const bool textTarget = !invalidText(kFirstTargetRecord + pair - 1);
    if (m_wait && textSource && textTarget)
        m_wait->forPair(pair, source, target);
    if (!textSource)
        count(", " + m_source + " is not a valid source)",
              recordName(kFirstSourceRecord + pair - 1) +
                  ", is not valid text in the code page, so it is not a valid source");
    else if (!exists(source, false))
        count(", " + m_source + " is not a valid source)", m_source + " is not a valid source");

    if (textSource && textTarget && exists(source, true)) {
        const std::string name = backupFolderName(m_fileSystem.pathStyle(), m_source);
        if (name.empty())
            throw PairSkipped{};
        if (isVersionsFolderName(m_fileSystem.pathStyle(), name)) {
            count(", " + m_source + " has the name of the versions folder (" + m_source + " " +
                      m_target,
                  m_source + " is not copied: its name is that of the folder where the target " +
                      "keeps the versions of replaced copies (" + m_source + " -> " + m_target +
                      ")");
            return;
        }
        const std::string destination = joinPath(m_fileSystem.pathStyle(), target, name);

        const bool sourceFound = exists(source, false);
        const bool targetFound = exists(target, false);
        if ((!sourceFound || !targetFound) && !row.drive.empty())
            mapDrive(row);

        if (!exists(target, false))
            attempt([&] { m_fileSystem.makeDirectory(target); }, target);
        if (!exists(destination, false))
            attempt([&] { m_fileSystem.makeDirectory(destination); }, destination);
        copyPair(pair, destination, name);
    }

    if (!textTarget)
        count(", " + m_target + " was not created!",
              recordName(kFirstTargetRecord + pair - 1) +
                  ", is not valid text in the code page, so the target was not created");
    else if (!exists(target, false))
        count(", " + m_target + " was not created!", m_target + " was not created");
}

void BackupRun::mapDrive(const DriveRow& row)
{
    // As in the drive commands: a text that names no drive is never connected.
    std::string refusal;
    if (namesDrive(row.drive))
        MapDrive(m_services, row.drive, row.uncPath, row.userName, row.password, &refusal);
    bool present = true;
    if (!attempt([&] { present = drivePresent(m_fileSystem, row.drive); }, row.drive))
        return;
    std::vector<std::string>& unmapped = m_report.unmappedShares;
    if (present || std::find(unmapped.begin(), unmapped.end(), row.uncPath) != unmapped.end())
        return;
    unmapped.push_back(row.uncPath);
    if (!refusal.empty())
        m_report.mappingRefusals.emplace(row.uncPath, refusal);
}

void BackupRun::copyPair(int pair, const std::string& destination, const std::string& name)
{
    const PairVersions versions(m_fileSystem.pathStyle(), m_targetPath, name, m_runName,
                                m_keepDays);
    versions.apply(m_copyOptions, m_acceptChanges);
    // The pair's count goes on over the repeats: what the attempts before copied, and this one.
    CopyProgress earlier;
    CopyProgress copied;
    CopyProgress whole; // the first attempt's, over the whole tree
    bool firstRound = true;
    const CopyProgressCallback progress = [&](const CopyProgress& attempt) {
        if (firstRound)
            whole = attempt;
        copied.files = earlier.files + attempt.files;
        copied.bytes = earlier.bytes + attempt.bytes;
        copied.upToDate = earlier.upToDate + attempt.upToDate;
        for (const CopyNote& note : attempt.notes)
            noteLeftOut(pair, note);
        if (m_progress)
            m_progress(pair, m_source, copied);
    };
    if (m_progress)
        m_progress(pair, m_source, CopyProgress{});
    // Only copies whose own flags refused their replacement have their flags cleared, and only
    // they are copied again; every other failure stands as it is.
    std::vector<CopyFailure> failures;
    std::vector<std::string> only;
    for (int round = 0;; ++round) {
        earlier = copied;
        std::vector<CopyFailure> refused;
        bool holdsSource = false;
        std::vector<CopyFailure> failed =
            copyRound(destination, only, progress, holdsSource, versions);
        firstRound = false;
        if (holdsSource) {
            count(", Target holds the source (" + m_source + " " + m_target,
                  "the target holds the source, which would be copied onto itself (" + m_source +
                      " -> " + m_target + ")");
            return;
        }
        for (CopyFailure& failure : failed) {
            if (round == 0 && failure.error.number() == ErrorNumber::BadFileName &&
                failure.entry.empty() && copied.files == 0)
                throw PairSkipped{};
            (failure.refusedByFlags ? refused : failures).push_back(std::move(failure));
        }
        if (refused.empty())
            break;
        if (round == kPermissionRounds) {
            failures.insert(failures.end(), refused.begin(), refused.end());
            break;
        }
        std::vector<std::string> copies;
        only.clear();
        for (const CopyFailure& failure : refused) {
            copies.push_back(failure.error.path());
            only.push_back(failure.entry);
        }
        ClearAttributes(m_services, destination, copies);
    }
    earlier = copied;
    retryFullDisk(failures, destination, progress, versions);
    // Accepted changes are what the user wants; --every-file compares nothing.
    if (isMassChange(whole.changed, whole.upToDate + whole.changed) && !m_copyOptions.everyFile &&
        !m_acceptChanges) {
        const std::string keptIn = versions.keeps() ? versions.datedFolder() : destination;
        count(massChangeFragment(whole, keptIn, m_source, m_target),
              massChangeDetail(whole, keptIn, m_source, m_target));
    }
    if (!failures.empty())
        countCopyFailures(std::move(failures));
}

void BackupRun::retryFullDisk(std::vector<CopyFailure>& failures, const std::string& destination,
                              const CopyProgressCallback& progress, const PairVersions& versions)
{
    const auto full = [](const CopyFailure& failure) {
        return failure.error.number() == ErrorNumber::DiskFull;
    };
    if (!m_primitives || std::none_of(failures.begin(), failures.end(), full))
        return;
    const VersionRemoval removal = versions.makeRoom(*m_primitives);
    noteVersionFailures(removal);
    if (removal.removed == 0)
        return;
    std::vector<std::string> only;
    for (const CopyFailure& failure : failures) {
        if (full(failure))
            only.push_back(failure.entry);
    }
    std::erase_if(failures, full);
    bool holdsSource = false;
    std::vector<CopyFailure> again = copyRound(destination, only, progress, holdsSource, versions);
    failures.insert(failures.end(), again.begin(), again.end());
}

// Versions that could not be removed take room on the target's disk: the pair says so.
void BackupRun::noteVersionFailures(const VersionRemoval& removal)
{
    if (removal.failures.empty())
        return;
    ++m_errors;
    m_messages += ", Old versions could not be removed (" + m_source + " " + m_target;
    for (const RuntimeError& failure : removal.failures)
        note("an old version could not be removed: " + withPair(failure));
}

std::vector<CopyFailure> BackupRun::copyRound(const std::string& destination,
                                              const std::vector<std::string>& only,
                                              const CopyProgressCallback& progress,
                                              bool& holdsSource, const PairVersions& versions)
{
    std::vector<CopyFailure> failures;
    attempt(
        [&] {
            CopyPrimitives& primitives = m_fileSystem.copyPrimitives();
            m_primitives = &primitives;
            holdsSource = sameFolder(primitives, m_sourcePath, destination);
            if (holdsSource)
                return;
            if (only.empty())
                noteVersionFailures(versions.removeExpired(primitives, m_services.clock.now()));
            try {
                copyFolderTree(primitives, m_sourcePath, destination, progress, m_copyOptions, only,
                               foldersToAvoid(primitives));
            } catch (const FolderCopyError& error) {
                failures = error.failures();
            }
        },
        destination);
    return failures;
}

// A failed copy is one problem of its pair, described by its leading failure. One of the disk
// or the device takes the path of any unexpected failure.
void BackupRun::countCopyFailures(std::vector<CopyFailure> failures)
{
    const CopyFailure leading = leadingFailure(failures);
    if (failureKind(leading.error) == FailureKind::Unexpected) {
        std::stable_partition(failures.begin(), failures.end(), [&](const CopyFailure& failure) {
            return failure.entry == leading.entry;
        });
        throw FolderCopyError(std::move(failures));
    }
    countError(copyFailureFragment(leading, m_source, m_target),
               FolderCopyError(std::move(failures)));
}

// The destinations of the run's other copies, but not one that is its own source: that pair
// copies nothing, and the folder is another's data.
std::vector<std::string> BackupRun::foldersToAvoid(CopyPrimitives& primitives) const
{
    std::vector<std::string> folders;
    for (const auto& [source, destination] : m_copies) {
        if (!sameFolder(primitives, source, destination))
            folders.push_back(destination);
    }
    folders.insert(folders.end(), m_versionRoots.begin(), m_versionRoots.end());
    return folders;
}

void BackupRun::noteLeftOut(int pair, const CopyNote& note)
{
    if (note.kind == CopyNote::Kind::OnlineOnly)
        ++m_report.onlineOnlyLeftOut[pair];
    if (m_report.skipNoted)
        m_report.skipNoted(m_pairLabel + copyNoteText(note));
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
                 BackupRunReport& report, const BackupProgressCallback& progress, bool everyFile,
                 bool acceptChanges, NetworkWait* wait)
{
    BackupRun(services, strMessages, intErrors, report, progress, everyFile, acceptChanges, wait)
        .run();
}

} // namespace tarnwell
