#pragma once

#include "platform/clock.h"

#include <locale.h>

namespace tarnwell::posix {

// The local clock; its texts follow the user's LC_TIME locale from the environment, or the
// "C" locale when that one is not installed.
class PosixClock : public Clock
{
public:
    PosixClock();
    ~PosixClock() override;
    PosixClock(const PosixClock&) = delete;
    PosixClock& operator=(const PosixClock&) = delete;

    LocalDateTime now() const override;
    LocalDateTime localTimeOf(std::int64_t secondsSince1970) const override;
    std::string regionalTime(const LocalDateTime& when) const override;
    std::string regionalDate(const LocalDateTime& when) const override;
    void sleep(int milliseconds) override;

private:
    std::string format(const char* pattern, const LocalDateTime& when) const;

    locale_t m_locale;
};

} // namespace tarnwell::posix
