#pragma once

#include "copy/foldercopy.h"

#include <string>
#include <vector>

namespace tarnwell {

// How one entry that a copy could not copy weighs on its pair, from the least grave up.
enum class FailureKind
{
    Missing,     // a path that cannot be reached: gone since the listing, a share gone away
    OfThatEntry, // that file or folder alone: in use, refused, changed, a name or path too long
    Unexpected,  // the disk or the device: full, failing, not ready, or an error of no known kind
};
FailureKind failureKind(const RuntimeError& error);

// The failure that speaks for a copy that failed: of the gravest kind among them, the first by
// its entry's path, so that a pair ends the same way whatever order its files failed in.
const CopyFailure& leadingFailure(const std::vector<CopyFailure>& failures);

// The pair's fragment for a failed copy whose leading failure is leading, of a kind below
// Unexpected: ", Path not found (S T" or ", " + its description + " (S T".
std::string copyFailureFragment(const CopyFailure& leading, const std::string& source,
                                const std::string& target);

// The log line of an entry the copy left out on purpose, without the pair.
std::string copyNoteText(const CopyNote& note);

} // namespace tarnwell
