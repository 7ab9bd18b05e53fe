#include "platform/error.h"
#include "platform/win32/longpathrules.h"
#include "support/windowsfullpath.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace tarnwell::win32 {
namespace {

using test::windowsFullPath;

// The backend's long form of path, with Windows' rules behind it and C:\Work as the current
// folder.
std::wstring longOf(const std::wstring& path, const std::wstring& currentFolder = L"C:\\Work")
{
    return longPathOf(
        path, [&](const std::wstring& start) { return windowsFullPath(start, currentFolder); });
}

// Names that Windows rewrites when it is asked to make a path full, and that a listing gives
// as they are.
const std::vector<std::wstring> kNamesWindowsRewrites = {
    L"report.", L"Notes ", L"two. . ",  L"...",  L"aux.c", L"con",
    L"nul.txt", L"COM1",   L"lpt9.log", L"PRN ", L"con.",  L"prn:",
};
// Names that must come through unchanged too.
const std::vector<std::wstring> kPlainNames = {L"report",   L"100%",    L"%PATH%",
                                               L"PROGRA~1", L"a~1.txt", L"Gr\u00FC\u00DFe"};

TEST(WindowsFullPathModel, RewritesNamesAsWindowsDoesAndLeavesLongPathsAlone)
{
    const std::wstring here = L"C:\\Work";
    EXPECT_EQ(windowsFullPath(L"C:\\Data\\report.", here), L"C:\\Data\\report");
    EXPECT_EQ(windowsFullPath(L"C:\\Data\\Notes \\", here), L"C:\\Data\\Notes \\");
    EXPECT_EQ(windowsFullPath(L"C:\\Data\\Notes ", here), L"C:\\Data\\Notes");
    EXPECT_EQ(windowsFullPath(L"C:\\Data\\report.\\x", here), L"C:\\Data\\report\\x");
    EXPECT_EQ(windowsFullPath(L"C:\\Data\\aux.c", here), L"\\\\.\\aux");
    EXPECT_EQ(windowsFullPath(L"C:\\Data\\COM1", here), L"\\\\.\\COM1");
    EXPECT_EQ(windowsFullPath(L"nul.txt", here), L"\\\\.\\nul");
    EXPECT_EQ(windowsFullPath(L"C:/Data//Old/./../Docs", here), L"C:\\Data\\Docs");
    EXPECT_EQ(windowsFullPath(L"Config.dat", here), L"C:\\Work\\Config.dat");
    EXPECT_EQ(windowsFullPath(L".", L"D:\\"), L"D:\\");
    EXPECT_EQ(windowsFullPath(L"\\", here), L"C:\\");
    EXPECT_EQ(windowsFullPath(L"D:", here), L"D:\\");
    EXPECT_EQ(windowsFullPath(L"\\\\srv\\share\\..\\x.", here), L"\\\\srv\\share\\x");
    EXPECT_EQ(windowsFullPath(L"\\\\?\\C:\\Data\\report.", here), L"\\\\?\\C:\\Data\\report.");
    EXPECT_EQ(windowsFullPath(L"\\\\?\\D:\\\\x", here), L"\\\\?\\D:\\\\x");
    for (const std::wstring& name : kNamesWindowsRewrites)
        EXPECT_NE(windowsFullPath(L"C:\\Data\\" + name, here), L"C:\\Data\\" + name) << name;
    for (const std::wstring& name : kPlainNames)
        EXPECT_EQ(windowsFullPath(L"C:\\Data\\" + name, here), L"C:\\Data\\" + name) << name;
}

TEST(LongPathRules, EveryNameIsKeptAsItIsUnderEveryKindOfRoot)
{
    std::vector<std::wstring> names = kNamesWindowsRewrites;
    names.insert(names.end(), kPlainNames.begin(), kPlainNames.end());
    for (const std::wstring& name : names) {
        SCOPED_TRACE(testing::Message() << name);
        EXPECT_EQ(longOf(L"C:\\Data\\" + name), L"\\\\?\\C:\\Data\\" + name);
        EXPECT_EQ(longOf(L"C:\\Data\\" + name + L"\\file.txt"),
                  L"\\\\?\\C:\\Data\\" + name + L"\\file.txt");
        EXPECT_EQ(longOf(L"D:\\" + name), L"\\\\?\\D:\\" + name);
        EXPECT_EQ(longOf(L"\\\\srv\\share\\" + name), L"\\\\?\\UNC\\srv\\share\\" + name);
        EXPECT_EQ(longOf(L"Backup\\" + name), L"\\\\?\\C:\\Work\\Backup\\" + name);
        EXPECT_EQ(longOf(name, L"E:\\"), L"\\\\?\\E:\\" + name);
        // A name a listing gave, appended to the long form of its folder.
        const std::wstring folder = longOf(L"C:\\Data");
        EXPECT_EQ(longOf(childOfLongPath(folder, name)), L"\\\\?\\C:\\Data\\" + name);
        EXPECT_EQ(parentOfLongPath(childOfLongPath(folder, name)), folder);
    }
    std::wstring deep = L"C:\\Data";
    while (deep.size() < 300)
        deep += L"\\folder.";
    EXPECT_EQ(longOf(deep + L"\\report."), L"\\\\?\\" + deep + L"\\report.");
}

TEST(LongPathRules, TypedPathsAreMadeFullAndLongPathsPassUntouched)
{
    EXPECT_EQ(longOf(L"C:\\Data\\Docs"), L"\\\\?\\C:\\Data\\Docs");
    EXPECT_EQ(longOf(L"C:/Data//Docs/"), L"\\\\?\\C:\\Data\\Docs");
    EXPECT_EQ(longOf(L"C:\\Data\\.\\Old\\..\\Docs\\\\"), L"\\\\?\\C:\\Data\\Docs");
    EXPECT_EQ(longOf(L"C:\\..\\..\\Data"), L"\\\\?\\C:\\Data");
    EXPECT_EQ(longOf(L"C:\\Data\\*.*"), L"\\\\?\\C:\\Data\\*.*");
    EXPECT_EQ(longOf(L"D:\\"), L"\\\\?\\D:\\");
    EXPECT_EQ(longOf(L"D:/"), L"\\\\?\\D:\\");
    EXPECT_EQ(longOf(L"D:"), L"\\\\?\\D:\\");
    EXPECT_EQ(longOf(L"C:"), L"\\\\?\\C:\\Work");
    EXPECT_EQ(longOf(L"C:Sub\\x"), L"\\\\?\\C:\\Work\\Sub\\x");
    EXPECT_EQ(longOf(L"\\Top"), L"\\\\?\\C:\\Top");
    EXPECT_EQ(longOf(L"..\\Backup"), L"\\\\?\\C:\\Backup");
    EXPECT_EQ(longOf(L"Config.dat"), L"\\\\?\\C:\\Work\\Config.dat");
    EXPECT_EQ(longOf(L"Config.dat", L"D:\\"), L"\\\\?\\D:\\Config.dat");
    EXPECT_EQ(longOf(L"\\\\server\\share\\"), L"\\\\?\\UNC\\server\\share\\");
    EXPECT_EQ(longOf(L"//server/share/Data/"), L"\\\\?\\UNC\\server\\share\\Data");
    EXPECT_EQ(longOf(L"Config.dat", L"\\\\srv\\share\\Tarnwell"),
              L"\\\\?\\UNC\\srv\\share\\Tarnwell\\Config.dat");
    EXPECT_EQ(longOf(L"\\\\?\\C:\\Data\\report."), L"\\\\?\\C:\\Data\\report.");
    EXPECT_EQ(longOf(L"\\\\?\\UNC\\srv\\share"), L"\\\\?\\UNC\\srv\\share");
    EXPECT_EQ(longOf(L"\\\\.\\COM1"), L"\\\\.\\COM1");
    try {
        longOf(L"");
        FAIL() << "an empty path was accepted";
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.number(), ErrorNumber::BadFileName);
    }
}

TEST(LongPathRules, AFileInARootHasTheRootForParentAndItsNeighboursOneSeparator)
{
    // Windows takes \\?\D:\\x as a name with an empty part in it, which no call accepts.
    const std::wstring config = longOf(L"Config.dat", L"D:\\");
    EXPECT_EQ(parentOfLongPath(config), L"\\\\?\\D:\\");
    EXPECT_EQ(childOfLongPath(parentOfLongPath(config), L".Config.dat-1.tmp"),
              L"\\\\?\\D:\\.Config.dat-1.tmp");
    EXPECT_EQ(childOfLongPath(parentOfLongPath(config), L"*"), L"\\\\?\\D:\\*");
    const std::wstring shared = longOf(L"\\\\srv\\share\\Config.dat");
    EXPECT_EQ(parentOfLongPath(shared), L"\\\\?\\UNC\\srv\\share\\");
    EXPECT_EQ(childOfLongPath(parentOfLongPath(shared), L"x"), L"\\\\?\\UNC\\srv\\share\\x");
    EXPECT_EQ(parentOfLongPath(L"\\\\?\\C:\\Data\\x.txt"), L"\\\\?\\C:\\Data");
    EXPECT_EQ(childOfLongPath(L"\\\\?\\C:\\Data", L"x.txt"), L"\\\\?\\C:\\Data\\x.txt");
}

} // namespace
} // namespace tarnwell::win32
