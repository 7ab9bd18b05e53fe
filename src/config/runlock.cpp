#include "config/runlock.h"

#include "platform/error.h"

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

} // namespace tarnwell
