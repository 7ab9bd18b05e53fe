// One pair's copy in a backup run: the rounds of the copy, the clearing of copies refused by
// their own flags, the retry after a full disk, the mass-change alarm and how its failures count.
#include "backup/attrtree.h"
#include "backup/backuppaths.h"
#include "backup/backuprun.h"
#include "backup/copyoutcome.h"

namespace tarnwell::backuprun {

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

} // namespace tarnwell::backuprun
