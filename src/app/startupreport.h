#pragma once

#include "platform/clock.h"
#include "platform/filesystem.h"

#include <string>
#include <vector>

namespace tarnwell {

// What the status box says at start-up after the load step's own reports: without Config.dat,
// how to begin; else when the last complete backup was, from the run log, and, when a daily time
// is set and no backup has completed for more than two days, that it has not.
std::vector<std::string> startupReport(FileSystem& fileSystem, const LocalDateTime& now,
                                       const std::string& backupTime);

// The tray icon's tool tip: the last outcome and when the next backup is.
std::string stateText(const std::string& lastOutcome, const std::string& backupTime);

} // namespace tarnwell
