#pragma once

#include "platform/services.h"
#include "platform/statusbox.h"

#include <cstdint>
#include <string>

namespace tarnwell {

enum class BackupOutcome
{
    Complete,      // "Backups Complete at ..."
    Error,         // "Error! ..." after a run that looked at its folder pairs
    CouldNotRun,   // the configuration could not be read, or the command itself failed
    AnotherRunning // another backup or drive command holds this Config.dat; nothing was done
};

// How the backup command runs.
struct BackupOptions
{
    // Copy also the files whose copy is up to date.
    bool everyFile = false;
    // For a run right after waking and the "auto" run at logon, which start before Wi-Fi and the
    // network shares are back: a pair whose folders cannot be found yet is looked for again for
    // up to two minutes before it counts as a problem or its drive is mapped.
    bool waitForNetwork = false;
    // Copy a mass change of a pair without holding it back.
    bool acceptChanges = false;
};

// The backup command behind the Backup button, the "auto" start and the daily time: announces
// the run in the status box, runs it, and replaces the announcement with the outcome, followed
// by one line per network drive that could not be mapped. Error trap without suffix. While
// another backup or drive command of the same Config.dat runs, it only says so. The run log,
// when services have one, gets a block saying what started it (trigger), every problem,
// message and outcome line, what each pair copied and left alone as up to date, and how long
// it took. The computer is kept awake while it runs.
BackupOutcome runBackupCommand(const Services& services, StatusBox& status,
                               const std::string& trigger, const BackupOptions& options);
inline BackupOutcome runBackupCommand(const Services& services, StatusBox& status,
                                      const std::string& trigger = "the Backup button",
                                      bool everyFile = false)
{
    BackupOptions options;
    options.everyFile = everyFile;
    return runBackupCommand(services, status, trigger, options);
}

// The progress line shown under the announcement while a pair is copied.
std::string backupProgressLine(int pair, const std::string& source, std::uint64_t files,
                               std::uint64_t bytes);

// The status box's line for the online-only files a pair left out.
std::string onlineOnlyLine(int pair, std::uint64_t files);

// A byte count for people: "512 bytes", "1.5 KB", "20.0 MB", "3.2 GB".
std::string byteCountText(std::uint64_t bytes);

} // namespace tarnwell
