#pragma once

#include <cstdint>
#include <string>

namespace tarnwell {

struct LocalDateTime
{
    int year = 2000;
    int month = 1; // 1-12
    int day = 1;   // 1-31
    int hour = 0;  // 0-23
    int minute = 0;
    int second = 0;
};

// The local clock and its texts in the user's regional format.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual LocalDateTime now() const = 0;
    // The local time of a moment given in seconds since 1970 (UTC), as a file's time is kept.
    virtual LocalDateTime localTimeOf(std::int64_t secondsSince1970) const = 0;
    // The time of day with seconds, as the user's regional settings write it.
    virtual std::string regionalTime(const LocalDateTime& when) const = 0;
    // The date in the user's short date form.
    virtual std::string regionalDate(const LocalDateTime& when) const = 0;
    // Lets the calling thread wait so long; tests pass the time without waiting.
    virtual void sleep(int milliseconds) = 0;
};

// Seconds since 1970-01-01 00:00 of a time in the proleptic Gregorian calendar, for spans.
inline std::int64_t secondsSinceEpoch(const LocalDateTime& when)
{
    const int year = when.year - (when.month <= 2);
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const std::int64_t yearOfEra = year - era * 400;
    const std::int64_t dayOfYear =
        (153 * (when.month + (when.month > 2 ? -3 : 9)) + 2) / 5 + when.day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    const std::int64_t days = era * 146097 + dayOfEra - 719468;
    return days * 86400 + when.hour * 3600 + when.minute * 60 + when.second;
}

} // namespace tarnwell
