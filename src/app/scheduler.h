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
// the configured backup time at every tick, and a tick also covers the seconds since the tick
// before: a late timer still starts the backup once, and so does the first tick after the
// computer slept or hibernated over the backup time (then the backup is marked as started
// late). A backup time that comes while another command runs (see Hold), or while another
// program's command holds Config.dat, starts the backup at the first tick after that command
// ended, marked as started late. Nothing is made up for a time that passed while the program
// was not running.
class Scheduler
{
public:
    // Marks the program busy with a command, so that a tick delivered meanwhile starts nothing
    // then; a backup time it passes is kept for the end of the command. Held while the
    // scheduler's own backup runs; the window holds it around every command started by hand.
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

    // startBackup runs the backup command and returns when it has ended; lateReason is empty
    // for a backup started in its second, or says why it starts later. It returns false when
    // another program's command held Config.dat, so that nothing ran: the next tick tries again.
    using StartBackup = std::function<bool(const std::string& lateReason)>;
    Scheduler(MessageBox& messageBox, StartBackup startBackup);

    // One tick at the local time now; backupTime is read afresh every time ("" means none).
    // Errors are reported with the suffix " in ctrTimer_Timer".
    void tick(const LocalDateTime& now, const std::string& backupTime);

    bool busy() const { return m_holds > 0; }

private:
    // Whether the backup time lies in the seconds this tick covers; lateReason is set when it
    // passed well before this tick.
    bool due(const LocalDateTime& now, const std::string& backupTime,
             std::string& lateReason) const;

    MessageBox& m_messageBox;
    StartBackup m_startBackup;
    int m_holds = 0;
    std::optional<LocalDateTime> m_previousTick;
    std::optional<LocalDateTime> m_lastStart;
    // Why a backup that is due has not started yet.
    std::optional<std::string> m_pending;
};

} // namespace tarnwell
