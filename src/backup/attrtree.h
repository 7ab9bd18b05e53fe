#pragma once

#include "platform/services.h"

#include <cstdint>
#include <string>

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

} // namespace tarnwell
