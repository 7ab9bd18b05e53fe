#pragma once

#include "platform/clock.h"
#include "platform/filesystem.h"

#include <cstdint>
#include <functional>
#include <string>

namespace tarnwell {

// Right after waking, and at logon, a run starts before Wi-Fi and the network shares are back.
// A run that waits looks again for a pair's folders that cannot be found yet, every few
// seconds, before the pair goes on and counts what is missing or maps its drive. The waiting
// is shared by the whole run: once it is spent, no pair waits again.
class NetworkWait
{
public:
    static constexpr int kLimitSeconds = 120;
    static constexpr int kStepMilliseconds = 5000;

    // notice is told when a pair starts to wait and how the wait ended: a line for the status
    // box and the run log.
    NetworkWait(FileSystem& fileSystem, Clock& clock,
                std::function<void(const std::string& line)> notice);

    // Returns once source can be found and target can, or the folder it would be made in;
    // at once when they can, or when the run's waiting is spent.
    void forPair(int pair, const std::string& source, const std::string& target);

private:
    bool found(const std::string& path);
    bool ready(const std::string& source, const std::string& target);

    FileSystem& m_fileSystem;
    Clock& m_clock;
    std::function<void(const std::string& line)> m_notice;
    std::int64_t m_waitedSeconds = 0; // by every pair of the run
};

} // namespace tarnwell
