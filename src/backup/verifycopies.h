#pragma once

#include "backup/backuppaths.h"
#include "platform/filesystem.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tarnwell {

struct VerifyOutput
{
    // One line of the results: each pair, each copy that differs or is missing, each file left
    // out or not compared, and each pair's count.
    std::function<void(const std::string& line)> line;
    // The progress line, redrawn now and then; empty to show none (and skip counting first).
    std::function<void(const std::string& line)> progress;
};

struct VerifyTotals
{
    std::uint64_t compared = 0;  // files read through on both sides or told apart by size
    std::uint64_t bytes = 0;     // of the sources compared
    std::uint64_t differing = 0; // copies that differ or are missing
    std::uint64_t failed = 0;    // files or folders that could not be compared
    std::uint64_t leftOut = 0;   // what the backup leaves out on purpose
    std::uint64_t repaired = 0;  // copies made again
    bool repairFailed = false;   // some copy could not be made again
};

// How a repair keeps the copies it replaces, as a backup run does: in the dated folder of
// runName, unless keepDays is 0.
struct RepairVersions
{
    std::string runName;
    int keepDays = 0;
};

// Reads every file of each source in pairs and its copy, compares their content and reports
// what differs. all: every pair of the configuration, whose copies and versions folders are
// never entered in a source. With repair, the copies that differ or are missing are copied
// again by the backup's copy, which replaces them as a backup run does; the caller holds the
// run lock.
VerifyTotals verifyCopies(FileSystem& fileSystem, const std::vector<PairCopy>& pairs,
                          const std::vector<PairCopy>& all, bool repair,
                          const RepairVersions& keeping, const VerifyOutput& output);

// "Pair 1: 120 of 5000 files, 1.2 GB of 3.4 GB, 250.0 MB/s, 0:09 left"
std::string verifyProgressLine(int pair, std::uint64_t files, std::uint64_t totalFiles,
                               std::uint64_t bytes, std::uint64_t totalBytes,
                               double bytesPerSecond);

} // namespace tarnwell
