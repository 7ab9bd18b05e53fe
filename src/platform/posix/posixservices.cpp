#include "platform/posix/posixclock.h"
#include "platform/posix/posixcodepage.h"
#include "platform/posix/posixfilesystem.h"
#include "platform/posix/posixlogfile.h"
#include "platform/posix/posixnetwork.h"
#include "platform/services.h"

namespace tarnwell {

namespace {

// A Linux desktop keeps a machine awake by its own settings; nothing to hold here.
class PosixPower : public Power
{
public:
    void holdAwake() override {}
    void releaseAwake() override {}
};

} // namespace

SystemServices makeSystemServices()
{
    SystemServices services;
    services.fileSystem = std::make_unique<posix::PosixFileSystem>();
    services.network = std::make_unique<posix::PosixNetwork>();
    services.clock = std::make_unique<posix::PosixClock>();
    services.codePage = std::make_unique<posix::PosixCodePage>();
    services.logFile = std::make_unique<posix::PosixLogFile>();
    services.power = std::make_unique<PosixPower>();
    return services;
}

} // namespace tarnwell
