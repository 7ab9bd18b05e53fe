#pragma once

#include "platform/clock.h"
#include "platform/copyprimitives.h"

#include <cstddef>
#include <string>
#include <vector>

namespace tarnwell {

// What a removal of kept versions did: how many dated folders went, and each that could not.
struct VersionRemoval
{
    std::size_t removed = 0;
    std::vector<RuntimeError> failures;
};

// Removes from T/.tarnwell-versions/<F> (pairVersions) the dated folders of runs more than
// keepDays calendar days before today. Only folders whose names read as a run's time are
// touched, never a link, and nothing when the versions folder or the pair's folder in it is
// a link; a versions folder that is not there has nothing to remove.
VersionRemoval removeExpiredVersions(CopyPrimitives& primitives, const std::string& pairVersions,
                                     const LocalDateTime& today, int keepDays);

// For a full disk: removes the older half (at least one) of the dated folders of every pair
// under T/.tarnwell-versions (versionsRoot), oldest first, but none of the run named
// currentRun.
VersionRemoval removeOldestVersions(CopyPrimitives& primitives, const std::string& versionsRoot,
                                    const std::string& currentRun);

} // namespace tarnwell
