#include "platform/win32/win32network.h"
#include "platform/win32/winapi.h"
#include "scratchfolder.h"
#include "wine.h"

#include <gtest/gtest.h>

namespace tarnwell::win32 {
namespace {

using test::unusedDriveLetter;

// The calls reach the networking library and its answer comes back as the number. Wine has no
// networking provider and answers every call with "no network" (1222); Windows without the
// server answers with its own refusal.
TEST(Win32Network, AFailedConnectionReportsTheLibrarysNumber)
{
    Win32Network network;
    EXPECT_EQ(network.lastError(), 0);
    const std::string local = {unusedDriveLetter(), ':'};
    const int result =
        network.connect(local, "\\\\tarnwell-no-such-server\\share", "user", "secret", true);
    if (test::runningUnderWine())
        EXPECT_EQ(result, ERROR_NO_NETWORK);
    else
        EXPECT_NE(result, 0);
    EXPECT_EQ(network.lastError(), result);

    const int unremembered =
        network.connect(local, "\\\\tarnwell-no-such-server\\share", "", "", false);
    EXPECT_NE(unremembered, 0);
    EXPECT_EQ(network.lastError(), unremembered);
}

TEST(Win32Network, CancellingALetterWithoutConnectionFails)
{
    Win32Network network;
    const std::string local = {unusedDriveLetter(), ':'};
    const int expected = test::runningUnderWine() ? ERROR_NO_NETWORK : ERROR_NOT_CONNECTED;
    EXPECT_EQ(network.cancel(local, true, false), expected);
    EXPECT_EQ(network.lastError(), expected);
    EXPECT_EQ(network.cancel(local, false, true), expected);
    // The doubled colon of a drive text that already had one is not a name at all.
    EXPECT_NE(network.cancel(local + ":", true, false), 0);
    EXPECT_NE(network.lastError(), 0);
}

} // namespace
} // namespace tarnwell::win32
