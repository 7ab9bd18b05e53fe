#include "platform/win32/win32clock.h"

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>

namespace tarnwell::win32 {
namespace {

TEST(Win32Clock, TheTimeTextCarriesHoursMinutesAndSeconds)
{
    const Win32Clock clock;
    const LocalDateTime afternoon{2024, 3, 17, 13, 5, 7};
    const std::string text = clock.regionalTime(afternoon);
    EXPECT_NE(text.find("05"), std::string::npos) << text;
    EXPECT_NE(text.find("07"), std::string::npos) << "seconds are shown: " << text;
    LocalDateTime later = afternoon;
    later.second = 8;
    EXPECT_NE(clock.regionalTime(later), text);
}

TEST(Win32Clock, TheDateTextIsTheShortDate)
{
    const Win32Clock clock;
    const std::string text = clock.regionalDate({2024, 3, 17, 13, 5, 7});
    EXPECT_NE(text.find("17"), std::string::npos) << text;
    EXPECT_NE(text.find("24"), std::string::npos) << text;
    EXPECT_EQ(text.find("March"), std::string::npos) << "the short form names no month: " << text;
    EXPECT_NE(clock.regionalDate({2024, 3, 18, 13, 5, 7}), text);
}

// Seconds since 1970 of a local date and time, compared without time zones on either side.
long long localSeconds(int year, int month, int day, int hour, int minute, int second)
{
    using namespace std::chrono;
    const sys_days date =
        year_month_day(std::chrono::year(year), std::chrono::month(month), std::chrono::day(day));
    return date.time_since_epoch().count() * 86400LL + hour * 3600LL + minute * 60LL + second;
}

TEST(Win32Clock, NowAgreesWithTheRuntimesLocalTime)
{
    const Win32Clock clock;
    const std::time_t moment = std::time(nullptr);
    std::tm local{};
    ASSERT_EQ(localtime_s(&local, &moment), 0);
    const LocalDateTime now = clock.now();
    const long long expected = localSeconds(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                                            local.tm_hour, local.tm_min, local.tm_sec);
    const long long actual =
        localSeconds(now.year, now.month, now.day, now.hour, now.minute, now.second);
    EXPECT_LE(std::llabs(actual - expected), 2)
        << now.year << "-" << now.month << "-" << now.day << " " << now.hour << ":" << now.minute
        << ":" << now.second;
}

} // namespace
} // namespace tarnwell::win32
