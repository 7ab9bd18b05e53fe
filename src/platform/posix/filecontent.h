#pragma once

#include <cstdint>

namespace tarnwell::posix {

// Copies the rest of the open file from into to: the kernel's copy path where it can, plain
// reads and writes where it cannot. Stops after expectedSize bytes, or at the end of the file
// when expectedSize is 0. Returns the bytes copied; throws on a failure. largeRequests: to a
// file system where each write is a request that waits (a share, FUSE), in writes of 1 MiB
// through the program's memory instead, as the kernel's paths write 64 KiB at a time there.
std::uint64_t copyFileContent(int from, int to, std::uint64_t expectedSize,
                              bool largeRequests = false);

} // namespace tarnwell::posix
