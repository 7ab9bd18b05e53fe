#include "config/runlock.h"

#include "platform/error.h"
#include "platform/runlog.h"

namespace tarnwell {

RunLock::RunLock(FileSystem& fileSystem)
{
    try {
        m_lock = fileSystem.tryLockFile(kRunLockFileName);
        m_otherRunning = !m_lock;
    } catch (const RuntimeError&) {
        // A folder where no lock file can be made (read-only, say) cannot be guarded; the run
        // goes ahead as it did before there was a lock.
    }
}

void logRefusal(const Services& services, const std::string& command, const std::string& trigger)
{
    if (!services.runLog)
        return;
    services.runLog->refused(command, trigger, kAnotherCommandRunning);
    // The holder may have taken in what was held back just before this block was written.
    const RunLock again(services.fileSystem);
    if (again.held())
        services.runLog->takeHeldBack();
}

} // namespace tarnwell
