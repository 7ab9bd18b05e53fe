#include "backup/attrtree.h"
#include "platform/win32/win32filesystem.h"
#include "platform/win32/winapi.h"
#include "scratchfolder.h"
#include "wine.h"

#include <gtest/gtest.h>
#include <string>

namespace tarnwell::win32 {
namespace {

using test::attributesOnDisk;
using test::longForm;
using test::ScratchFolder;
using test::writeOnDisk;

void setOnDisk(const std::string& path, DWORD attributes)
{
    ASSERT_TRUE(SetFileAttributesW(longForm(path).c_str(), attributes)) << path;
}

void makeFolderOnDisk(const std::string& path)
{
    ASSERT_TRUE(CreateDirectoryW(longForm(path).c_str(), nullptr)) << path;
}

// The attribute reset on the real disk: the flags are set and read back with the Win32 calls
// themselves, apart from the file system under test.
TEST(AttrTreeOnDisk, EveryFileOfATreeBecomesNormalAndFoldersKeepTheirFlags)
{
    ScratchFolder scratch;
    Win32FileSystem fs;
    const std::string top = scratch / "Backup";
    makeFolderOnDisk(top);
    makeFolderOnDisk(top + "\\Docs");
    makeFolderOnDisk(top + "\\Docs\\Secret");
    makeFolderOnDisk(top + "\\Empty");
    const std::string files[] = {top + "\\a.txt", top + "\\Docs\\ro.txt",
                                 top + "\\Docs\\Secret\\hidden.txt",
                                 top + "\\Docs\\Secret\\system.dat"};
    for (const std::string& file : files)
        writeOnDisk(file, "x");
    setOnDisk(top + "\\a.txt", FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY);
    setOnDisk(top + "\\Docs\\ro.txt", FILE_ATTRIBUTE_READONLY);
    setOnDisk(top + "\\Docs\\Secret\\hidden.txt", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY);
    setOnDisk(top + "\\Docs\\Secret\\system.dat", FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_HIDDEN);
    setOnDisk(top + "\\Docs\\Secret", FILE_ATTRIBUTE_HIDDEN);
    setOnDisk(top + "\\Docs", FILE_ATTRIBUTE_SYSTEM);

    EXPECT_EQ(AttrTree(fs, top + "\\"), 0);

    const DWORD noise = static_cast<DWORD>(test::archiveNoise()) | FILE_ATTRIBUTE_NORMAL;
    for (const std::string& file : files)
        EXPECT_EQ(attributesOnDisk(file) & ~noise, 0u) << file;
    EXPECT_EQ(attributesOnDisk(top + "\\Docs\\Secret"),
              static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ(attributesOnDisk(top + "\\Docs"),
              static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_SYSTEM));
}

TEST(AttrTreeOnDisk, LinksAreNeitherEnteredNorChangedNorStopTheWalk)
{
    ScratchFolder scratch;
    Win32FileSystem fs;
    const std::string outside = scratch / "Outside";
    makeFolderOnDisk(outside);
    writeOnDisk(outside + "\\kept.txt", "x");
    writeOnDisk(scratch / "alone.txt", "x");
    const std::string top = scratch / "Backup";
    makeFolderOnDisk(top);
    makeFolderOnDisk(top + "\\Sub");
    const auto link = [](const std::string& at, const std::string& to, DWORD flags) {
        return CreateSymbolicLinkW(longForm(at).c_str(), longForm(to).c_str(),
                                   flags | SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE) != 0;
    };
    // Wine 8 answers CreateSymbolicLinkW with success but makes nothing.
    if (!link(top + "\\0-dangling", scratch / "nowhere", 0) ||
        attributesOnDisk(top + "\\0-dangling") == INVALID_FILE_ATTRIBUTES) {
        GTEST_SKIP() << "no symbolic links here; the in-memory tests cover the reparse-point flag";
    }
    ASSERT_TRUE(link(top + "\\folder-link", outside, SYMBOLIC_LINK_FLAG_DIRECTORY));
    ASSERT_TRUE(link(top + "\\file-link", scratch / "alone.txt", 0));
    ASSERT_TRUE(link(top + "\\Sub\\loop", top, SYMBOLIC_LINK_FLAG_DIRECTORY));
    writeOnDisk(top + "\\a.txt", "x");
    setOnDisk(top + "\\a.txt", FILE_ATTRIBUTE_READONLY);
    for (const std::string& file : {outside + "\\kept.txt", scratch / "alone.txt"})
        setOnDisk(file, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);

    EXPECT_EQ(AttrTree(fs, top), 0);

    const DWORD noise = static_cast<DWORD>(test::archiveNoise()) | FILE_ATTRIBUTE_NORMAL;
    EXPECT_EQ(attributesOnDisk(top + "\\a.txt") & ~noise, 0u);
    for (const std::string& file : {outside + "\\kept.txt", scratch / "alone.txt"})
        EXPECT_EQ(attributesOnDisk(file) & ~noise,
                  static_cast<DWORD>(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN))
            << file << " changed through a link";
}

TEST(AttrTreeOnDisk, RootsFilesAndMissingFoldersAreRefused)
{
    ScratchFolder scratch;
    Win32FileSystem fs;
    writeOnDisk(scratch / "file.txt", "x");
    wchar_t here[MAX_PATH + 1];
    ASSERT_GT(GetCurrentDirectoryW(MAX_PATH + 1, here), 2u);
    EXPECT_EQ(AttrTree(fs, std::string{static_cast<char>(here[0]), ':', '\\'}), -1);
    EXPECT_EQ(AttrTree(fs, scratch / "file.txt"), -1);
    EXPECT_EQ(AttrTree(fs, scratch / "Missing"), -1);
    EXPECT_EQ(AttrTree(fs, scratch.path()), 0) << "a folder holding one normal file";
}

} // namespace
} // namespace tarnwell::win32
