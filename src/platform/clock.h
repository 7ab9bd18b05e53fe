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
};

} // namespace tarnwell
