#pragma once

#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/filesystem.h"
#include "platform/logfile.h"
#include "platform/network.h"
#include "platform/power.h"

#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace tarnwell {

// What the headless front end works with; message boxes and the status box it makes itself.
struct CliPlatform
{
    FileSystem& fileSystem;
    Network& network;
    Clock& clock;
    CodePage& codePage;
    // Makes dir the working directory; false when it cannot.
    std::function<bool(const std::string& dir)> changeDirectory;
    // Where the run log is appended; none keeps no log.
    LogFile* logFile = nullptr;
    // Keeps the computer awake during a backup; none stays out of it.
    Power* power = nullptr;
    // Started by Task Scheduler (tarnwell-task), maybe right after waking or at logon: a backup
    // waits for the network before it counts a pair's folders as missing.
    bool scheduled = false;
};

namespace CliExit {
constexpr int Success = 0;
constexpr int Failed = 1;      // "Error! ..." or a drive row that failed
constexpr int CouldNotRun = 2; // bad usage, no working directory, unreadable configuration
} // namespace CliExit

// Runs tarnwell-cli with its arguments (without the program name). Results go to out, message
// boxes, errors and usage to err; progress too when err is a terminal. Returns the exit status.
int runCli(const std::vector<std::string>& args, CliPlatform& platform, std::ostream& out,
           std::ostream& err, bool errIsTerminal);

} // namespace tarnwell
