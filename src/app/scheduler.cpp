#include "app/scheduler.h"

#include "platform/errortrap.h"

#include <chrono>
#include <cstdio>
#include <utility>

namespace tarnwell {

namespace {

constexpr long long kSecondsPerDay = 24 * 60 * 60;
// A tick this close after the one before is merely late; the seconds between count as seen.
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
    // The time the program was held is not made up by the next tick.
    if (--m_scheduler.m_holds == 0)
        m_scheduler.m_previousTick.reset();
}

Scheduler::Scheduler(MessageBox& messageBox, std::function<void()> startBackup)
    : m_messageBox(messageBox), m_startBackup(std::move(startBackup))
{
}

void Scheduler::tick(const LocalDateTime& now, const std::string& backupTime)
{
    errorTrap(m_messageBox, " in ctrTimer_Timer", [&] {
        if (busy())
            return;
        const bool start = due(now, backupTime);
        m_previousTick = now;
        if (!start)
            return;
        m_lastStart = now;
        Hold hold(*this);
        m_startBackup();
    });
}

bool Scheduler::due(const LocalDateTime& now, const std::string& backupTime) const
{
    if (backupTime.empty())
        return false;
    const long long current = secondsOf(now);
    long long first = current;
    if (m_previousTick) {
        const long long gap = current - secondsOf(*m_previousTick);
        if (gap > 0 && gap <= kLateTickSeconds)
            first = current - gap + 1;
    }
    const long long lastStart = m_lastStart ? secondsOf(*m_lastStart) : current + 1;
    for (long long second = first; second <= current; ++second) {
        // Two ticks within the backup second start one backup.
        if (second != lastStart && clockTextOfSecond(second) == backupTime)
            return true;
    }
    return false;
}

} // namespace tarnwell
