#pragma once

#include "platform/services.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tarnwell {

// Sets every file below path to normal attributes, files before subfolders, depth first. A link
// below path (symbolic link, junction, mount point) is neither entered nor changed; path itself
// may be one.
// 0 when the whole tree was done, -1 when path is not a usable folder, otherwise the number of
// the first error met.
std::int32_t AttrTree(FileSystem& fileSystem, std::string path);

// AttrTree with its messages: "Invalid Directory" + path for -1, "An Error was occured" for
// any other failure.
void ClearAttributes(const Services& services, const std::string& path);

// The clearing round of a backup: sets to normal only the files listed, copies below path whose
// own flags refused their replacement, and nothing else of the tree. A listed path that is no
// file below path, or a link, is left alone. "An Error was occured" when one could not be set.
void ClearAttributes(const Services& services, const std::string& path,
                     const std::vector<std::string>& copies);

} // namespace tarnwell
