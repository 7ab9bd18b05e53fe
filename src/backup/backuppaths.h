#pragma once

#include "config/settings.h"
#include "platform/copyprimitives.h"
#include "platform/pathrules.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwell {

// One configured pair as the backup run copies it.
struct PairCopy
{
    int pair = 0;         // 1-10
    std::string source;   // S, as the file system is asked for it
    std::string target;   // T
    std::string copy;     // T + F, where S is copied
    std::string versions; // where the target keeps what the runs of this pair replaced
};

// The pairs of Config.dat that a backup run copies (both folders set, valid text, a source
// that names a folder of its own), in pair order.
std::vector<PairCopy> pairCopies(PathStyle style, const FolderPairs& pairs);

// A path inside a pair's source or its copy: the pair and the path below either ("" for the
// folder itself), with the names separated as the style writes them.
struct BackupPath
{
    PairCopy pair;
    std::string relative;
};

// The first pair whose source or copy holds path (a full path, compared name by name, without
// case on Windows); nothing when no pair does.
std::optional<BackupPath> findInBackup(PathStyle style, const std::vector<PairCopy>& pairs,
                                       const std::string& path);

// True when path is folder or lies inside it, compared as findInBackup does.
bool isInside(PathStyle style, const std::string& path, const std::string& folder);

// The form under which two names are the same name: upper case on Windows.
std::string nameKey(PathStyle style, std::string_view name);

// Whether both paths lead to one folder; false when either cannot be looked at, which the
// copy then reports.
bool sameFolder(CopyPrimitives& primitives, const std::string& one, const std::string& other);

} // namespace tarnwell
