#pragma once

#include "platform/clock.h"
#include "platform/messagebox.h"

#include <functional>
#include <optional>
#include <string>

namespace tarnwell {

// The time of day in the backup-time form, whatever the regional settings: "1:05:00 PM",
// midnight "12:00:00 AM".
std::string backupClockText(const LocalDateTime& when);

// Starts the daily backup from the main window's once-a-second tick. It compares the clock with
// the configured backup time at every tick; a tick that comes up to two seconds after the one
// before also covers the seconds it skipped, so a late timer still starts the backup once. A
// longer gap means the program was held by other work, and what passed then is not made up.
class Scheduler
{
public:
    // Marks the program busy with a command, so that a tick delivered meanwhile (by the message
    // loop of a message box, say) is ignored. Held while the scheduler's own backup runs; the
    // window holds it around a backup or drive command started by hand as well.
    class Hold
    {
    public:
        explicit Hold(Scheduler& scheduler);
        ~Hold();
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;

    private:
        Scheduler& m_scheduler;
    };

    // startBackup runs the backup command and returns when it has ended.
    Scheduler(MessageBox& messageBox, std::function<void()> startBackup);

    // One tick at the local time now; backupTime is read afresh every time ("" means none).
    // Errors are reported with the suffix " in ctrTimer_Timer".
    void tick(const LocalDateTime& now, const std::string& backupTime);

    bool busy() const { return m_holds > 0; }

private:
    bool due(const LocalDateTime& now, const std::string& backupTime) const;

    MessageBox& m_messageBox;
    std::function<void()> m_startBackup;
    int m_holds = 0;
    std::optional<LocalDateTime> m_previousTick;
    std::optional<LocalDateTime> m_lastStart;
};

} // namespace tarnwell
