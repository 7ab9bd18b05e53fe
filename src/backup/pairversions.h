#pragma once

#include "copy/foldercopy.h"
#include "copy/versionretention.h"
#include "platform/clock.h"
#include "platform/copyprimitives.h"

#include <string>

namespace tarnwell {

// What a backup run does with one pair's kept versions in T/.tarnwell-versions/<F>: removes
// those past their days before the copy, tells the copy where to keep what it replaces (or,
// keeping none, to hold back a mass change), and frees room when the target's disk is full.
class PairVersions
{
public:
    // target: T as the file system is asked for it; runName: the run's dated folder name.
    PairVersions(PathStyle style, const std::string& target, const std::string& copyName,
                 const std::string& runName, int keepDays);

    bool keeps() const { return m_keepDays > 0; }
    // T/.tarnwell-versions/<F>/<run>: where this run keeps the pair's old copies.
    const std::string& datedFolder() const { return m_datedFolder; }

    // Removes the dated folders past their days, after making sure that the versions folder is
    // there when versions are kept, so that no copy can wander into it.
    VersionRemoval removeExpired(CopyPrimitives& primitives, const LocalDateTime& today) const;
    // Sets where the copy keeps old copies; without versions (0 days), a mass change is held
    // back unless accepted. --every-file compares nothing, so it raises no alarm.
    void apply(CopyOptions& options, bool acceptChanges) const;
    // For a full disk: removes the oldest versions of every pair of the target.
    VersionRemoval makeRoom(CopyPrimitives& primitives) const;

private:
    std::string m_target;
    std::string m_root;
    std::string m_pairFolder;
    std::string m_runName;
    std::string m_datedFolder;
    int m_keepDays;
};

// The mass-change alarm of a pair whose first copy round reported copied: its summary fragment
// and its log line, saying how many of how many files changed since the last backup and where
// their previous copies are (kept: in the dated folder; else still in destination).
std::string massChangeFragment(const CopyProgress& copied, const std::string& keptIn,
                               const std::string& source, const std::string& target);
std::string massChangeDetail(const CopyProgress& copied, const std::string& keptIn,
                             const std::string& source, const std::string& target);

} // namespace tarnwell
