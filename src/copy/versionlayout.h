#pragma once

#include "platform/clock.h"
#include "platform/pathrules.h"

#include <optional>
#include <string>
#include <string_view>

namespace tarnwell {

// Where a target keeps what the backup replaced, in plain dated folders a user can browse:
//
//   T/.tarnwell-versions/<F>/<YYYY-MM-DD HHMMSS>/<path inside F>
//
// F is the folder the pair copies into (the source's last name, or "(DriveRoot)"), the dated
// folder is named after the start of the run that replaced the files it holds, and each file
// in it is the content its copy in T + F had until that run.

inline constexpr std::string_view kVersionsFolderName = ".tarnwell-versions";

// True when a folder of that name would be the versions folder itself (without regard to
// case on Windows): no pair may copy into it.
bool isVersionsFolderName(PathStyle style, std::string_view name);

// T/.tarnwell-versions
std::string versionsRoot(PathStyle style, const std::string& target);
// T/.tarnwell-versions/<F>
std::string pairVersionsFolder(PathStyle style, const std::string& target,
                               const std::string& copyName);

// "2026-12-08 130500": sorts as the times do and is a valid name on every file system.
std::string runStampName(const LocalDateTime& when);
// The time a dated folder's name stands for; nothing for any other name.
std::optional<LocalDateTime> parseRunStampName(std::string_view name);

// Whole days from `from` to `to` by the calendar, negative when `to` comes first.
long daysBetween(const LocalDateTime& from, const LocalDateTime& to);

} // namespace tarnwell
