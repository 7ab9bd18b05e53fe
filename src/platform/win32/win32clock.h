#pragma once

#include "platform/clock.h"

namespace tarnwell::win32 {

// The local time, written in the user's regional formats.
class Win32Clock : public Clock
{
public:
    LocalDateTime now() const override;
    LocalDateTime localTimeOf(std::int64_t secondsSince1970) const override;
    std::string regionalTime(const LocalDateTime& when) const override;
    std::string regionalDate(const LocalDateTime& when) const override;
    void sleep(int milliseconds) override;
};

} // namespace tarnwell::win32
