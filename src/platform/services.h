#pragma once

#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/filesystem.h"
#include "platform/logfile.h"
#include "platform/messagebox.h"
#include "platform/network.h"
#include "platform/power.h"

#include <memory>

namespace tarnwell {

class RunLog;

// What the logic is given to work with. The program passes the real ones, tests fakes.
struct Services
{
    FileSystem& fileSystem;
    Network& network;
    Clock& clock;
    CodePage& codePage;
    MessageBox& messageBox;
    // Where the commands record what they did; none in most tests.
    RunLog* runLog = nullptr;
    // Keeps the computer awake during a backup; none in most tests.
    Power* power = nullptr;
};

// The platform services of the backend this program was built for.
struct SystemServices
{
    std::unique_ptr<FileSystem> fileSystem;
    std::unique_ptr<Network> network;
    std::unique_ptr<Clock> clock;
    std::unique_ptr<CodePage> codePage;
    std::unique_ptr<LogFile> logFile;
    std::unique_ptr<Power> power;
};
SystemServices makeSystemServices();

} // namespace tarnwell
