#include "copy/foldercopy.h"
#include "expecterror.h"
#include "platform/win32/findfiles.h"
#include "platform/win32/widetext.h"
#include "platform/win32/win32filesystem.h"
#include "platform/win32/winapi.h"
#include "scratchfolder.h"
#include "wine.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace tarnwell::win32 {
namespace {

using test::attributesOnDisk;
using test::EmptyDrive;
using test::existsOnDisk;
using test::expectRuntimeError;
using test::longForm;
using test::ScratchFolder;
using test::unusedDriveLetter;
using test::writeOnDisk;
using ::testing::UnorderedElementsAreArray;

// Every name a listing gives, "." and ".." left out as the callers do.
std::vector<std::string> listAll(FileSystem& fs, const std::string& pattern, int mask)
{
    std::vector<std::string> names;
    for (std::string name = fs.probe(pattern, mask); !name.empty(); name = fs.next()) {
        if (name != "." && name != "..")
            names.push_back(name);
    }
    return names;
}

class Win32FileSystemTest : public ::testing::Test
{
protected:
    ScratchFolder scratch;
    Win32FileSystem fs;
};

TEST_F(Win32FileSystemTest, TreesDeeperThan260CharactersWork)
{
    std::string path = scratch.path();
    const std::string level(40, 'd');
    std::vector<std::string> levels;
    while (path.size() < 400) {
        path += "\\" + level + std::to_string(levels.size());
        fs.makeDirectory(path);
        levels.push_back(path);
    }
    const std::string file = path + "\\deep file.txt";
    ASSERT_GT(file.size(), 400u);

    fs.writeFileAtomically(file, "at the bottom");
    EXPECT_TRUE(existsOnDisk(file));
    EXPECT_EQ(fs.readFile(file), "at the bottom");
    for (const std::string& folder : levels)
        EXPECT_FALSE(fs.probe(folder, ProbeMask::Folders).empty()) << folder;
    EXPECT_EQ(fs.probe(file, ProbeMask::Folders), "deep file.txt");
    EXPECT_EQ(listAll(fs, path + "\\*.*", ProbeMask::Folders),
              std::vector<std::string>{"deep file.txt"});
    fs.setAttributes(file, Attribute::ReadOnly);
    EXPECT_EQ(fs.attributes(file) & ~test::archiveNoise(), Attribute::ReadOnly);
    EXPECT_EQ(fs.attributes(levels.back()) & Attribute::Directory, Attribute::Directory);
}

TEST_F(Win32FileSystemTest, HiddenAndSystemFlagsAreSetReadBackAndListedOnlyWithMask22)
{
    writeOnDisk(scratch / "plain.txt", "p");
    writeOnDisk(scratch / "hidden.txt", "h");
    writeOnDisk(scratch / "system.txt", "s");
    writeOnDisk(scratch / "both.txt", "b");
    fs.makeDirectory(scratch / "HiddenFolder");
    fs.makeDirectory(scratch / "Folder");

    fs.setAttributes(scratch / "hidden.txt", Attribute::Hidden);
    fs.setAttributes(scratch / "system.txt", Attribute::System | Attribute::ReadOnly);
    fs.setAttributes(scratch / "both.txt", Attribute::Hidden | Attribute::System);
    fs.setAttributes(scratch / "HiddenFolder", Attribute::Hidden);

    // Read back both ways: through the code and straight from the disk.
    const int noise = test::archiveNoise();
    EXPECT_EQ(fs.attributes(scratch / "hidden.txt") & ~noise, Attribute::Hidden);
    EXPECT_EQ(fs.attributes(scratch / "system.txt") & ~noise,
              Attribute::System | Attribute::ReadOnly);
    EXPECT_EQ(fs.attributes(scratch / "HiddenFolder"), Attribute::Hidden | Attribute::Directory);
    EXPECT_EQ(attributesOnDisk(scratch / "both.txt") & ~static_cast<DWORD>(noise),
              static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));

    EXPECT_THAT(listAll(fs, scratch / "*.*", ProbeMask::Folders),
                UnorderedElementsAreArray({"plain.txt", "Folder"}));
    EXPECT_THAT(listAll(fs, scratch / "*", ProbeMask::All),
                UnorderedElementsAreArray({"plain.txt", "hidden.txt", "system.txt", "both.txt",
                                           "HiddenFolder", "Folder"}));

    // A named hidden or system entry still exists for the probe.
    EXPECT_EQ(fs.probe(scratch / "HiddenFolder", ProbeMask::Folders), "HiddenFolder");
    EXPECT_EQ(fs.probe(scratch / "both.txt", ProbeMask::Folders), "both.txt");

    // Back to normal: no flags left at all.
    fs.setAttributes(scratch / "system.txt", Attribute::Normal);
    EXPECT_EQ(fs.attributes(scratch / "system.txt") & ~noise, Attribute::Normal);
    EXPECT_EQ(attributesOnDisk(scratch / "system.txt") &
                  ~static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL | noise),
              0u);
}

TEST_F(Win32FileSystemTest, AListingGivesEveryEntryOnceAndHoldsNoSearchBetweenCalls)
{
    std::vector<std::string> expected;
    for (int i = 0; i < 120; ++i) {
        const std::string name = "file " + std::to_string(i) + ".dat";
        writeOnDisk(scratch / name, name);
        expected.push_back(name);
    }
    fs.makeDirectory(scratch / "sub");
    expected.push_back("sub");

    std::vector<std::string> seen;
    std::string name = fs.probe(scratch / "*.*", ProbeMask::All);
    // The folder is emptied while the listing goes on: the listing was read when it started.
    for (int i = 0; i < 120; ++i)
        DeleteFileW(longForm(scratch / ("file " + std::to_string(i) + ".dat")).c_str());
    for (; !name.empty(); name = fs.next()) {
        if (name != "." && name != "..")
            seen.push_back(name);
    }
    EXPECT_THAT(seen, UnorderedElementsAreArray(expected));
    EXPECT_EQ(fs.next(), "") << "an exhausted listing stays exhausted";
}

TEST_F(Win32FileSystemTest, ATrailingSeparatorOrAnotherCaseNamesTheSameFolder)
{
    fs.makeDirectory(scratch / "Data");
    EXPECT_EQ(fs.probe(scratch / "Data\\", ProbeMask::Folders), "Data");
    EXPECT_EQ(fs.probe(scratch / "data", ProbeMask::Folders), "Data");
    EXPECT_EQ(fs.probe(scratch / "DATA/", ProbeMask::Folders), "Data");
    EXPECT_EQ(fs.attributes(scratch / "data\\"), Attribute::Directory);
}

TEST_F(Win32FileSystemTest, TheCurrentDrivesRootIsPresent)
{
    wchar_t here[MAX_PATH + 1];
    ASSERT_GT(GetCurrentDirectoryW(MAX_PATH + 1, here), 2u);
    const std::string root = {static_cast<char>(here[0]), ':', '\\'};
    EXPECT_EQ(fs.probe(root, ProbeMask::Folders), root);
    const std::string lower = {static_cast<char>(std::tolower(here[0])), ':', '\\'};
    EXPECT_FALSE(fs.probe(lower, ProbeMask::Folders).empty());
}

TEST_F(Win32FileSystemTest, NothingIsListedOnAnUnusedDriveLetter)
{
    const char letter = unusedDriveLetter();
    ASSERT_NE(letter, 0);
    const std::string root = {letter, ':', '\\'};
    EXPECT_EQ(fs.probe(root + "Data\\Docs", ProbeMask::Folders), "");
    EXPECT_EQ(fs.probe(root + "*.*", ProbeMask::All), "");
    EXPECT_EQ(fs.next(), "");
}

// A search that finds nothing at all, as in the root of an empty drive.
HANDLE nothingFound(const std::wstring&, WIN32_FIND_DATAW&)
{
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
}

TEST_F(Win32FileSystemTest, AnEmptyDriveIsPresent)
{
    const EmptyDrive drive(scratch.path());
    ASSERT_NE(drive.letter(), 0) << "no empty drive to test with";
    const std::string root = {drive.letter(), ':', '\\'};
    EXPECT_EQ(listAll(fs, root + "*.*", ProbeMask::All), std::vector<std::string>{})
        << "the drive is not empty";
    EXPECT_EQ(fs.probe(root, ProbeMask::Folders), root);
    EXPECT_EQ(fs.probe(std::string{drive.letter(), ':', '/'}, ProbeMask::Folders), root);
}

TEST_F(Win32FileSystemTest, AnEmptyDriveRootIsCopiedAsAnEmptyFolder)
{
    // The root of a drive has no "." and ".." entries: a search of an empty one finds nothing.
    fs.makeDirectory(scratch / "Drive");
    fs.makeDirectory(scratch / "Backup");
    const EmptyDrive drive(scratch / "Drive");
    ASSERT_NE(drive.letter(), 0) << "no empty drive to test with";
    copyFolderTree(fs.copyPrimitives(), std::string{drive.letter(), ':', '\\'}, scratch / "Backup",
                   {});
    EXPECT_EQ(listAll(fs, scratch / "Backup\\*", ProbeMask::All), std::vector<std::string>{});

    int entries = 0;
    const auto count = [&](const WIN32_FIND_DATAW&) { ++entries; };
    EXPECT_TRUE(
        forEachMatch(longForm(scratch.path()) + L"\\*", Subject::Folder, count, nothingFound));
    EXPECT_FALSE(
        forEachMatch(longForm(scratch / "missing") + L"\\*", Subject::Folder, count, nothingFound));
    EXPECT_EQ(entries, 0);
}

TEST_F(Win32FileSystemTest, RealFailuresCarryTheirRunTimeNumbers)
{
    expectRuntimeError(ErrorNumber::FileNotFound, [&] { fs.readFile(scratch / "missing.txt"); });
    expectRuntimeError(ErrorNumber::PathNotFound,
                       [&] { fs.readFile(scratch / "missing\\file.txt"); });
    expectRuntimeError(ErrorNumber::FileNotFound, [&] { fs.attributes(scratch / "missing"); });
    expectRuntimeError(ErrorNumber::PathNotFound,
                       [&] { fs.setAttributes(scratch / "missing\\x", Attribute::Normal); });
    expectRuntimeError(ErrorNumber::PathNotFound,
                       [&] { fs.makeDirectory(scratch / "missing\\child"); });
    expectRuntimeError(ErrorNumber::BadFileName, [&] { fs.makeDirectory(scratch / "a<b>"); });
    fs.makeDirectory(scratch / "twice");
    expectRuntimeError(ErrorNumber::FileAlreadyExists,
                       [&] { fs.makeDirectory(scratch / "twice"); });
}

DWORD injectedCode = 0;

HANDLE failingSearch(const std::wstring&, WIN32_FIND_DATAW&)
{
    SetLastError(injectedCode);
    return INVALID_HANDLE_VALUE;
}

TEST(FolderProbeTest, AFolderOnADriveOrShareThatCannotBeReachedIsAbsent)
{
    // A remembered but disconnected letter, or a share that does not answer: the backup must
    // go on to map the drive, so these find nothing rather than fail.
    for (const DWORD code : {ERROR_BAD_NETPATH, ERROR_BAD_NET_NAME, ERROR_NOT_CONNECTED,
                             ERROR_NETWORK_UNREACHABLE, ERROR_NO_NETWORK, ERROR_NOT_READY}) {
        injectedCode = code;
        EXPECT_EQ(firstMatchName(L"\\\\?\\X:\\Backup", failingSearch), "") << code;
    }
    // A search refused because the folder above may not be listed (a home folder on a file
    // server): the folder is found by its own attributes, and only a missing one fails.
    injectedCode = ERROR_ACCESS_DENIED;
    test::ScratchFolder scratch;
    ASSERT_TRUE(CreateDirectoryW(longForm(scratch / "pat").c_str(), nullptr));
    EXPECT_EQ(firstMatchName(longForm(scratch / "pat"), failingSearch), "pat");
    expectRuntimeError(ErrorNumber::PermissionDenied,
                       [] { firstMatchName(L"\\\\?\\X:\\Backup", failingSearch); });
}

TEST_F(Win32FileSystemTest, AFileOpenedWithoutSharingCannotBeRead)
{
    writeOnDisk(scratch / "locked.txt", "locked");
    const std::wstring path = longForm(scratch / "locked.txt");
    HANDLE lock = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    expectRuntimeError(ErrorNumber::FileInUse, [&] { fs.readFile(scratch / "locked.txt"); });
    CloseHandle(lock);
    EXPECT_EQ(fs.readFile(scratch / "locked.txt"), "locked");
}

} // namespace
} // namespace tarnwell::win32
