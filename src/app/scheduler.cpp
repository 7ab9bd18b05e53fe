#include "app/scheduler.h"

#include "platform/errortrap.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>
#include <string_view>
#include <utility>

namespace tarnwell {

namespace {

constexpr long long kSecondsPerDay = 24 * 60 * 60;
// A tick this close after the one before is merely late; a longer gap means the computer slept
// or was too busy to tick, and a backup it passed over is marked as started late.
constexpr long long kLateTickSeconds = 2;

long long secondsOf(const LocalDateTime& when)
{
    using namespace std::chrono;
    const sys_days day = year_month_day(year(when.year), month(static_cast<unsigned>(when.month)),
                                        std::chrono::day(static_cast<unsigned>(when.day)));
    return static_cast<long long>(day.time_since_epoch().count()) * kSecondsPerDay +
           when.hour * 3600LL + when.minute * 60LL + when.second;
}

std::string clockTextOfSecond(long long seconds)
{
    const long long ofDay = ((seconds % kSecondsPerDay) + kSecondsPerDay) % kSecondsPerDay;
    LocalDateTime when;
    when.hour = static_cast<int>(ofDay / 3600);
    when.minute = static_cast<int>(ofDay / 60 % 60);
    when.second = static_cast<int>(ofDay % 60);
    return backupClockText(when);
}

// The second of the day whose clock text is backupTime, if there is one.
std::optional<long long> secondOfDay(const std::string& backupTime)
{
    int hour = 0;
    int minute = 0;
    int second = 0;
    char half[3] = {};
    if (std::sscanf(backupTime.c_str(), "%2d:%2d:%2d %2s", &hour, &minute, &second, half) != 4 ||
        hour < 1 || hour > 12 || minute < 0 || minute > 59 || second < 0 || second > 59)
        return std::nullopt;
    const long long seconds =
        (hour % 12 + (std::string_view(half) == "PM" ? 12 : 0)) * 3600LL + minute * 60LL + second;
    // Only the exact text form matches, as the clock's own text would.
    if (clockTextOfSecond(seconds) != backupTime)
        return std::nullopt;
    return seconds;
}

} // namespace

std::string backupClockText(const LocalDateTime& when)
{
    const int hour = when.hour % 12 == 0 ? 12 : when.hour % 12;
    char text[32];
    std::snprintf(text, sizeof text, "%d:%02d:%02d %s", hour, when.minute, when.second,
                  when.hour < 12 ? "AM" : "PM");
    return text;
}

Scheduler::Hold::Hold(Scheduler& scheduler) : m_scheduler(scheduler)
{
    ++m_scheduler.m_holds;
}

Scheduler::Hold::~Hold()
{
    --m_scheduler.m_holds;
}

Scheduler::Scheduler(MessageBox& messageBox, StartBackup startBackup)
    : m_messageBox(messageBox), m_startBackup(std::move(startBackup))
{
}

void Scheduler::tick(const LocalDateTime& now, const std::string& backupTime)
{
    errorTrap(m_messageBox, " in ctrTimer_Timer", [&] {
        std::string lateReason;
        if (due(now, backupTime, lateReason)) {
            m_lastStart = now;
            m_pending = busy() ? "started late: the clock passed " + backupTime +
                                     " while another command ran"
                               : lateReason;
        }
        m_previousTick = now;
        if (busy() || !m_pending)
            return;
        // Taken before the run, so that a failure of the run is not repeated at every tick.
        const std::string reason = *std::exchange(m_pending, std::nullopt);
        Hold hold(*this);
        if (!m_startBackup(reason))
            m_pending = "started late: another backup or drive command held Config.dat";
    });
}

bool Scheduler::due(const LocalDateTime& now, const std::string& backupTime,
                    std::string& lateReason) const
{
    const std::optional<long long> backupSecond = secondOfDay(backupTime);
    if (!backupSecond)
        return false;
    const long long current = secondsOf(now);
    long long gap = 0;
    if (m_previousTick)
        gap = std::max(0LL, current - secondsOf(*m_previousTick));
    // The first second after the previous tick whose time of day is the backup time.
    const long long first = current - std::max(0LL, gap - 1);
    const long long offset =
        ((*backupSecond - first) % kSecondsPerDay + kSecondsPerDay) % kSecondsPerDay;
    const long long passed = first + offset;
    // Two ticks within the backup second start one backup.
    if (passed > current || (m_lastStart && passed == secondsOf(*m_lastStart)))
        return false;
    if (gap > kLateTickSeconds && passed != current)
        lateReason = "started late: the clock passed " + backupTime +
                     " while the computer was asleep or busy";
    return true;
}

} // namespace tarnwell
