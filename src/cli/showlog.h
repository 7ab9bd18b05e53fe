#pragma once

#include "platform/filesystem.h"

#include <ostream>

namespace tarnwell {

inline constexpr int kDefaultLogBlocks = 10;

// Prints the last count blocks of the run log in the working directory, oldest first, taking
// the older ones from the rotated log when the current one has fewer. Returns the exit status:
// 0, or 2 when the log cannot be read (reported on err).
int showRunLog(FileSystem& fileSystem, int count, std::ostream& out, std::ostream& err);

} // namespace tarnwell
