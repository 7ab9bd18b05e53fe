#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

namespace tarnwell {

// What the file system of a destination folder keeps of what a copy gives each file, and so
// what the quick check can compare there. A backend learns it from the target itself: it
// writes a small file with a mode and a time and reads them back.
struct TargetKeeps
{
    // The bits of FileStamp::flags that come back as they were set: all of them, only the
    // read-only flag (a FAT or exFAT disk on Linux), or none (an NTFS disk through ntfs-3g
    // shows every file as 0777 whatever it was given).
    std::uint32_t flags = ~std::uint32_t{0};
    // How finely modification times are kept; zero when exactly as given.
    std::chrono::nanoseconds resolution{0};
};

// FAT and FAT32 keep 2 seconds, and local time: a change of daylight-saving time moves every
// stored time by an hour.
inline constexpr std::chrono::seconds kFatResolution{2};

// The time a probe gives its file: odd seconds and odd nanoseconds, so that any coarser way of
// keeping times shows in what comes back.
inline constexpr std::int64_t kProbeSeconds = 1'000'000'001; // 2001-09-09
inline constexpr std::uint32_t kProbeNanoseconds = 123'456'789;

// How finely a file system keeps times, from a time given to a file and read back: zero when it
// came back as given, else the coarsest of 100 ns, 1 us, 1 ms, 10 ms, 1 s and 2 s that the time
// read back lies on. Nothing when it came back further off than that step: the file system
// does not keep the time it is given.
std::optional<std::chrono::nanoseconds> resolutionReadBack(std::int64_t givenSeconds,
                                                           std::uint32_t givenNanoseconds,
                                                           std::int64_t readSeconds,
                                                           std::uint32_t readNanoseconds);

} // namespace tarnwell
