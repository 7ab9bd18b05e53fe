#pragma once

#include "platform/filesystem.h"
#include "platform/services.h"

#include <memory>
#include <string>

namespace tarnwell {

// The file beside Config.dat whose lock a backup run or a drive command holds.
inline constexpr const char* kRunLockFileName = "Config.dat.lock";

// What a backup run refused for that reason adds to its summary, counted as one problem.
inline constexpr const char* kAnotherRunFragment = ", another backup is running";
// Why a command did not start, as a drive command shows it after "Error! , " and as the run
// log records every refused command.
inline constexpr const char* kAnotherCommandRunning = "another backup or drive command is running";

// Held by a backup run or a drive command for its whole length, so that two of them never
// work from one Config.dat at once (the window's daily time and a scheduled tarnwell-cli, or
// two windows): the second finds it taken and does not start. The lock dies with its process.
class RunLock
{
public:
    explicit RunLock(FileSystem& fileSystem);

    // True when another backup or drive command of this Config.dat holds the lock.
    bool otherRunning() const { return m_otherRunning; }
    // True while this command holds it; false also where no lock could be made at all.
    bool held() const { return m_lock != nullptr; }

private:
    std::unique_ptr<FileLock> m_lock;
    bool m_otherRunning = false;
};

// Records in the run log, when services have one, that command (started by trigger) did not
// start because another held the lock. Its block waits beside the log until the holder's
// block has ended; when the holder ended meanwhile, it is taken in at once.
void logRefusal(const Services& services, const std::string& command, const std::string& trigger);

} // namespace tarnwell
