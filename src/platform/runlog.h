#pragma once

#include "platform/clock.h"
#include "platform/logfile.h"
#include "platform/messagebox.h"
#include "platform/services.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwell {

// The run log lies beside Config.dat, in the working directory.
inline constexpr const char* kRunLogName = "Tarnwell.log";
// A log this large is renamed to kRunLogName + ".1" before the next block, replacing the older;
// only by a command that holds the run lock, so that two never rename it one after the other.
inline constexpr std::uint64_t kRunLogLimit = 1024 * 1024;
// The first line of every block begins so; no other line can.
inline constexpr std::string_view kRunLogBlockStart = "=== ";
// The second line of the block of a command that did not start begins so.
inline constexpr std::string_view kRunLogRefusal = "refused: ";
// Beside the log: the blocks of commands that did not start, held back until the command that
// holds the run lock has ended its own block, so that they never land inside it.
inline constexpr const char* kHeldBackSuffix = ".refused";

// The record of every backup and drive command: one block per command, each line appended as
// the command goes, so that a crash cuts at most the last line. Control characters are
// escaped, so that each line stays one line. Writing never fails a command: the first failure
// of a block is told to onFailure and the rest of that block is dropped.
class RunLog
{
public:
    using FailureHandler = std::function<void(const std::string& problem)>;

    RunLog(LogFile& file, const Clock& clock, FailureHandler onFailure = {},
           std::string path = kRunLogName);

    // "=== 2008-03-12 13:05:00 backup, started by the daily time". The holder of the run lock
    // first rotates a full log and takes in the blocks held back (left by a holder that
    // crashed, or by a command refused as the last holder ended).
    void begin(const std::string& command, const std::string& trigger, bool holdsLock);
    // The whole block of a command that did not start, "refused: " + why, in one append to the
    // file beside the log, where it waits for the holder of the lock.
    void refused(const std::string& command, const std::string& trigger, const std::string& reason);
    // "label: text"
    void write(const std::string& label, const std::string& text);
    // The duration and an empty line; then, for the lock's holder, the blocks held back.
    void end();
    // Appends the blocks held back beside the log to it. Only for the holder of the run lock.
    void takeHeldBack();

private:
    void append(const std::string& line) { appendLines({line}); }
    // Appends the file at path to the log and removes it.
    void moveIntoLog(const std::string& path);
    void appendLines(const std::vector<std::string>& lines);
    static std::string header(const LocalDateTime& started, const std::string& command,
                              const std::string& trigger);

    LogFile& m_file;
    const Clock& m_clock;
    FailureHandler m_onFailure;
    std::string m_path;
    LocalDateTime m_started;
    bool m_failed = false;
    bool m_holdsLock = false;
};

// One command's block in services.runLog: begun when made, ended when it goes (see RunLog for
// holdsLock); nothing at all without a log. services() are the given ones with every message
// box also recorded.
class RunLogBlock : private MessageBox
{
public:
    RunLogBlock(const Services& services, const std::string& command, const std::string& trigger,
                bool holdsLock);
    ~RunLogBlock() override;
    RunLogBlock(const RunLogBlock&) = delete;
    RunLogBlock& operator=(const RunLogBlock&) = delete;

    const Services& services() const { return m_services; }
    void write(const std::string& label, const std::string& text);

private:
    void show(const std::string& text, const std::string& title, MessageIcon icon) override;

    RunLog* m_log;
    MessageBox& m_shownBy;
    Services m_services;
};

} // namespace tarnwell
