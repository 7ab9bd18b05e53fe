#include "platform/error.h"
#include "platform/posix/posixclock.h"
#include "platform/posix/posixcodepage.h"
#include "platform/services.h"

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>
#include <optional>

namespace tarnwell::posix {
namespace {

// Sets an environment variable for the lifetime of the object.
class ScopedEnvironment
{
public:
    ScopedEnvironment(const char* name, const char* value) : m_name(name)
    {
        if (const char* old = std::getenv(name))
            m_old = old;
        ::setenv(name, value, 1);
    }
    ~ScopedEnvironment()
    {
        if (m_old)
            ::setenv(m_name, m_old->c_str(), 1);
        else
            ::unsetenv(m_name);
    }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

TEST(PosixCodePageTest, ValidUtf8PassesUnchanged)
{
    const PosixCodePage codePage;
    for (const std::string text : {"", "plain",
                                   "Gr\xc3\xbc\xc3\x9f"
                                   "e",
                                   "\xe2\x82\xac 5", "\xf0\x9d\x84\x9e clef", "\xf4\x8f\xbf\xbf"}) {
        EXPECT_EQ(codePage.toAnsi(text), text);
        EXPECT_EQ(codePage.fromAnsi(text), text);
        EXPECT_TRUE(codePage.isValidAnsi(text));
    }
    EXPECT_EQ(codePage.fromAnsi("\xff\xfe"), "\xff\xfe");
}

TEST(PosixCodePageTest, InvalidUtf8IsRefusedWithAClearDescription)
{
    const PosixCodePage codePage;
    const char* invalid[] = {
        "\xff",             // never a UTF-8 byte
        "abc\xc3",          // sequence cut short
        "\xc3(",            // lead byte without its continuation
        "\x80",             // continuation without a lead
        "\xc0\xaf",         // overlong "/"
        "\xe0\x80\xaf",     // overlong "/" in three bytes
        "\xed\xa0\x80",     // a surrogate
        "\xf4\x90\x80\x80", // beyond U+10FFFF
    };
    for (const char* text : invalid) {
        EXPECT_FALSE(codePage.isValidAnsi(text)) << text;
        try {
            codePage.toAnsi(text);
            ADD_FAILURE() << "accepted: " << text;
        } catch (const RuntimeError& error) {
            EXPECT_EQ(error.number(), ErrorNumber::InvalidProcedureCall);
            EXPECT_NE(error.description().find("UTF-8"), std::string::npos);
        }
    }
}

TEST(PosixClockTest, NowIsTheLocalTime)
{
    const PosixClock clock;
    const std::time_t before = std::time(nullptr);
    const LocalDateTime now = clock.now();
    std::tm fields{};
    fields.tm_year = now.year - 1900;
    fields.tm_mon = now.month - 1;
    fields.tm_mday = now.day;
    fields.tm_hour = now.hour;
    fields.tm_min = now.minute;
    fields.tm_sec = now.second;
    fields.tm_isdst = -1;
    EXPECT_LE(std::abs(std::difftime(std::mktime(&fields), before)), 2.0);
}

TEST(PosixClockTest, TextsFollowTheLocaleAndFallBackToC)
{
    const LocalDateTime when{2024, 3, 5, 13, 5, 9};
    {
        ScopedEnvironment all("LC_ALL", "C");
        const PosixClock clock;
        EXPECT_EQ(clock.regionalTime(when), "13:05:09");
        EXPECT_EQ(clock.regionalDate(when), "03/05/24");
    }
    {
        ScopedEnvironment all("LC_ALL", "xx_NOWHERE.UTF-8");
        const PosixClock clock;
        EXPECT_EQ(clock.regionalTime(when), "13:05:09");
        EXPECT_EQ(clock.regionalDate(when), "03/05/24");
    }
    // Whatever the machine is set to, the texts are never empty.
    const PosixClock clock;
    EXPECT_FALSE(clock.regionalTime(clock.now()).empty());
    EXPECT_FALSE(clock.regionalDate(clock.now()).empty());
}

TEST(PosixNetworkTest, ThereAreNoDriveLettersToConnect)
{
    SystemServices services = makeSystemServices();
    Network& network = *services.network;
    EXPECT_EQ(network.connect("X:", "\\\\server\\share", "user", "secret", true), 50);
    EXPECT_EQ(network.lastError(), 50);
    EXPECT_EQ(network.cancel("X:", true, true), 2250);
    EXPECT_EQ(network.lastError(), 2250);
}

} // namespace
} // namespace tarnwell::posix
