#include "platform/error.h"
#include "platform/win32/longpath.h"
#include "platform/win32/widetext.h"
#include "platform/win32/winapi.h"

#include <gtest/gtest.h>

namespace tarnwell::win32 {
namespace {

std::wstring currentFolder()
{
    wchar_t buffer[MAX_PATH + 1];
    const DWORD length = GetCurrentDirectoryW(MAX_PATH + 1, buffer);
    return std::wstring(buffer, length);
}

TEST(LongPath, DrivePathsGetThePrefixAndLoseDotsAndTrailingSeparators)
{
    EXPECT_EQ(toLongPath("C:\\Data\\Docs"), L"\\\\?\\C:\\Data\\Docs");
    EXPECT_EQ(toLongPath("C:/Data/Docs/"), L"\\\\?\\C:\\Data\\Docs");
    EXPECT_EQ(toLongPath("C:\\Data\\.\\Old\\..\\Docs\\\\"), L"\\\\?\\C:\\Data\\Docs");
    EXPECT_EQ(toLongPath("C:\\Data\\*.*"), L"\\\\?\\C:\\Data\\*.*");
}

TEST(LongPath, RootsKeepTheirSeparator)
{
    EXPECT_EQ(toLongPath("D:\\"), L"\\\\?\\D:\\");
    EXPECT_EQ(toLongPath("D:/"), L"\\\\?\\D:\\");
    EXPECT_EQ(toLongPath("\\\\server\\share\\"), L"\\\\?\\UNC\\server\\share\\");
}

TEST(LongPath, SharesGetTheUncPrefix)
{
    EXPECT_EQ(toLongPath("\\\\server\\share\\Data\\x.txt"),
              L"\\\\?\\UNC\\server\\share\\Data\\x.txt");
    EXPECT_EQ(toLongPath("//server/share/Data/"), L"\\\\?\\UNC\\server\\share\\Data");
}

TEST(LongPath, RelativePathsStartAtTheCurrentFolder)
{
    const std::wstring here = currentFolder();
    std::wstring expected = L"\\\\?\\" + here;
    if (expected.back() != L'\\')
        expected += L'\\';
    EXPECT_EQ(toLongPath("sub\\file.txt"), expected + L"sub\\file.txt");
    // "\name" is on the current drive's root.
    EXPECT_EQ(toLongPath("\\Top"), L"\\\\?\\" + here.substr(0, 3) + L"Top");
}

TEST(LongPath, NamesAreKeptEvenWhereWindowsWouldRewriteThem)
{
    // Windows' (and Wine's) GetFullPathNameW would drop the dot and the blank and give \\.\aux.
    EXPECT_EQ(toLongPath("C:\\Data\\report."), L"\\\\?\\C:\\Data\\report.");
    EXPECT_EQ(toLongPath("C:\\Notes \\aux.c"), L"\\\\?\\C:\\Notes \\aux.c");
    std::wstring here = L"\\\\?\\" + currentFolder();
    if (here.back() != L'\\')
        here += L'\\';
    EXPECT_EQ(toLongPath("con"), here + L"con");
}

TEST(LongPath, PrefixedPathsAreKeptAsWritten)
{
    EXPECT_EQ(toLongPath("\\\\?\\C:\\Data\\"), L"\\\\?\\C:\\Data\\");
    EXPECT_EQ(toLongPath("\\\\?\\UNC\\srv\\share"), L"\\\\?\\UNC\\srv\\share");
}

TEST(LongPath, NonAsciiNamesSurviveTheRoundTrip)
{
    const std::string name = "C:\\Gr\xC3\xBC\xC3\x9F"
                             "e\\\xE6\x97\xA5\xE8\xA8\x98"; // Grüße\日記
    EXPECT_EQ(toUtf8(toLongPath(name)), "\\\\?\\" + name);
}

TEST(LongPath, EmptyOrMalformedTextIsABadFileName)
{
    try {
        toLongPath("");
        FAIL() << "an empty path was accepted";
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.number(), ErrorNumber::BadFileName);
    }
    try {
        toLongPath("C:\\bad\xFF"
                   "utf8");
        FAIL() << "invalid UTF-8 was accepted";
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.number(), ErrorNumber::InvalidProcedureCall);
    }
}

TEST(LongPath, ParentSplitsAtTheLastSeparatorButNeverCutsARoot)
{
    EXPECT_EQ(parentOfLongPath(L"\\\\?\\C:\\Data\\x.txt"), L"\\\\?\\C:\\Data");
    EXPECT_EQ(parentOfLongPath(L"\\\\?\\C:\\x.txt"), L"\\\\?\\C:\\");
    EXPECT_EQ(parentOfLongPath(L"\\\\?\\UNC\\srv\\share\\x.txt"), L"\\\\?\\UNC\\srv\\share\\");
}

} // namespace
} // namespace tarnwell::win32
