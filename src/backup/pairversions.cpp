#include "backup/pairversions.h"

#include "copy/versionlayout.h"

namespace tarnwell {

namespace {

std::string changedText(const CopyProgress& copied)
{
    const std::uint64_t copies = copied.upToDate + copied.changed;
    return std::to_string(copied.changed) + " of " + std::to_string(copies) +
           " files changed since the last backup";
}

} // namespace

PairVersions::PairVersions(PathStyle style, const std::string& target, const std::string& copyName,
                           const std::string& runName, int keepDays)
    : m_target(target), m_root(versionsRoot(style, target)),
      m_pairFolder(pairVersionsFolder(style, target, copyName)), m_runName(runName),
      m_datedFolder(joinPath(style, m_pairFolder, runName)), m_keepDays(keepDays)
{
}

VersionRemoval PairVersions::removeExpired(CopyPrimitives& primitives,
                                           const LocalDateTime& today) const
{
    if (keeps()) {
        try {
            primitives.makeFolder(m_root);
        } catch (const RuntimeError&) {
            // Keeping the first old copy says what is wrong, with the file it concerns.
        }
    }
    return removeExpiredVersions(primitives, m_pairFolder, today, m_keepDays);
}

void PairVersions::apply(CopyOptions& options, bool acceptChanges) const
{
    options.versionsBase = keeps() ? m_target : std::string();
    options.versionsFolder = keeps() ? m_datedFolder : std::string();
    options.holdMassChange = !keeps() && !acceptChanges && !options.everyFile;
}

VersionRemoval PairVersions::makeRoom(CopyPrimitives& primitives) const
{
    return removeOldestVersions(primitives, m_root, m_runName);
}

std::string massChangeFragment(const CopyProgress& copied, const std::string& keptIn,
                               const std::string& source, const std::string& target)
{
    const std::string where = copied.heldBack > 0 ? " and were not copied, previous copies left in "
                                                  : ", previous copies kept in ";
    return ", " + changedText(copied) + where + keptIn + " (" + source + " " + target;
}

std::string massChangeDetail(const CopyProgress& copied, const std::string& keptIn,
                             const std::string& source, const std::string& target)
{
    const std::string pair = " (" + source + " -> " + target + ")";
    if (copied.heldBack > 0)
        return changedText(copied) + "; none of them was copied, since no versions are kept " +
               "(keep-days 0): their previous copies are still in " + keptIn +
               ". If the changes are wanted, tarnwell-cli backup --accept-changes copies them" +
               pair;
    return changedText(copied) + "; they were copied, and their previous copies are kept in " +
           keptIn + pair;
}

} // namespace tarnwell
