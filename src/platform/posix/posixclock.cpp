#include "platform/posix/posixclock.h"

#include <chrono>
#include <ctime>
#include <thread>

namespace tarnwell::posix {

PosixClock::PosixClock() : m_locale(::newlocale(LC_TIME_MASK, "", locale_t{}))
{
    if (!m_locale)
        m_locale = ::newlocale(LC_TIME_MASK, "C", locale_t{});
}

PosixClock::~PosixClock()
{
    if (m_locale)
        ::freelocale(m_locale);
}

LocalDateTime PosixClock::now() const
{
    return localTimeOf(std::time(nullptr));
}

LocalDateTime PosixClock::localTimeOf(std::int64_t secondsSince1970) const
{
    const auto seconds = static_cast<std::time_t>(secondsSince1970);
    std::tm local{};
    ::localtime_r(&seconds, &local);
    return LocalDateTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                         local.tm_hour,        local.tm_min,     local.tm_sec};
}

std::string PosixClock::regionalTime(const LocalDateTime& when) const
{
    return format("%X", when);
}

std::string PosixClock::regionalDate(const LocalDateTime& when) const
{
    return format("%x", when);
}

std::string PosixClock::format(const char* pattern, const LocalDateTime& when) const
{
    using namespace std::chrono;
    const year_month_day date{year{when.year}, month{static_cast<unsigned>(when.month)},
                              day{static_cast<unsigned>(when.day)}};
    std::tm fields{};
    fields.tm_year = when.year - 1900;
    fields.tm_mon = when.month - 1;
    fields.tm_mday = when.day;
    fields.tm_hour = when.hour;
    fields.tm_min = when.minute;
    fields.tm_sec = when.second;
    fields.tm_wday = static_cast<int>(weekday{sys_days{date}}.c_encoding());
    fields.tm_yday =
        static_cast<int>((sys_days{date} - sys_days{date.year() / January / 1}).count());
    fields.tm_isdst = -1;
    char text[128];
    const std::size_t length = m_locale
                                   ? ::strftime_l(text, sizeof text, pattern, &fields, m_locale)
                                   : std::strftime(text, sizeof text, pattern, &fields);
    return std::string(text, length);
}

void PosixClock::sleep(int milliseconds)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

} // namespace tarnwell::posix
