#include "copy/foldercopy.h"
#include "expecterror.h"
#include "platform/win32/win32copy.h"
#include "platform/win32/win32filesystem.h"
#include "platform/win32/winapi.h"
#include "scratchfolder.h"
#include "wine.h"

#include <gtest/gtest.h>
#include <string>

namespace tarnwell::win32 {
namespace {

using test::attributesOnDisk;
using test::expectRuntimeError;
using test::longForm;
using test::ScratchFolder;
using test::writeOnDisk;

class Win32CopyTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        fs.makeDirectory(source);
        fs.makeDirectory(destination);
    }

    ScratchFolder scratch;
    Win32FileSystem fs;
    std::string source = scratch / "Source";
    std::string destination = scratch / "Backup";
};

TEST_F(Win32CopyTest, TreesDeeperThan260CharactersAreCopied)
{
    std::string from = source;
    std::string relative;
    for (int level = 0; from.size() < 420; ++level) {
        const std::string name = std::string(48, 'f') + std::to_string(level);
        from += "\\" + name;
        relative += "\\" + name;
        fs.makeDirectory(from);
    }
    writeOnDisk(from + "\\deep.txt", "deep content");

    CopyProgress last;
    copyFolderTree(fs.copyPrimitives(), source, destination,
                   [&last](const CopyProgress& p) { last = p; });
    const std::string copied = destination + relative + "\\deep.txt";
    ASSERT_GT(copied.size(), 400u);
    EXPECT_EQ(fs.readFile(copied), "deep content");
    EXPECT_EQ(last.files, 1u);
    EXPECT_EQ(last.bytes, 12u);
}

TEST_F(Win32CopyTest, HiddenAndSystemFilesAreCopiedWithTheirFlags)
{
    writeOnDisk(source + "\\desktop.ini", "[shell]");
    fs.setAttributes(source + "\\desktop.ini", Attribute::Hidden | Attribute::System);
    copyFolderTree(fs.copyPrimitives(), source, destination, {});
    EXPECT_EQ(fs.readFile(destination + "\\desktop.ini"), "[shell]");
    EXPECT_EQ(fs.attributes(destination + "\\desktop.ini") & ~test::archiveNoise(),
              Attribute::Hidden | Attribute::System);
}

TEST_F(Win32CopyTest, ALockedSourceFileStopsTheCopyAndKeepsTheOldCopy)
{
    writeOnDisk(source + "\\ledger.xls", "new ledger");
    writeOnDisk(destination + "\\ledger.xls", "old ledger");
    HANDLE lock =
        CreateFileW(longForm(source + "\\ledger.xls").c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    expectRuntimeError(ErrorNumber::PermissionDenied,
                       [&] { copyFolderTree(fs.copyPrimitives(), source, destination, {}); });
    CloseHandle(lock);
    EXPECT_EQ(fs.readFile(destination + "\\ledger.xls"), "old ledger");

    // Nothing but the old copy is left in the destination.
    std::vector<std::string> names;
    for (std::string name = fs.probe(destination + "\\*", ProbeMask::All); !name.empty();
         name = fs.next()) {
        if (name != "." && name != "..")
            names.push_back(name);
    }
    EXPECT_EQ(names, std::vector<std::string>{"ledger.xls"});
}

TEST_F(Win32CopyTest, ALeftoverReadOnlyTemporaryFileIsStillRemoved)
{
    // A copy that was cut off after copying a read-only source leaves a read-only temp.
    const std::string leftover = destination + "\\" + copyTempName(7);
    writeOnDisk(leftover, "half");
    ASSERT_TRUE(SetFileAttributesW(longForm(leftover).c_str(), FILE_ATTRIBUTE_READONLY));
    writeOnDisk(source + "\\a.txt", "a");
    copyFolderTree(fs.copyPrimitives(), source, destination, {});
    EXPECT_EQ(attributesOnDisk(leftover), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(fs.readFile(destination + "\\a.txt"), "a");
}

TEST_F(Win32CopyTest, ATemporaryFileAnotherRunIsWritingIsKept)
{
    // The other run's copy engine, in the middle of a file: its lock is per handle, as it is
    // between two processes.
    writeOnDisk(source + "\\a.txt", "a");
    Win32CopyPrimitives otherRun;
    const std::string live = destination + "\\" + copyTempName(8);
    otherRun.copyToTemp(source + "\\a.txt", live, destination + "\\b.txt", false);

    copyFolderTree(fs.copyPrimitives(), source, destination, {});
    EXPECT_NE(attributesOnDisk(live), INVALID_FILE_ATTRIBUTES) << "removed while being written";
    otherRun.replace(live, destination + "\\b.txt");
    EXPECT_EQ(fs.readFile(destination + "\\b.txt"), "a");
}

TEST_F(Win32CopyTest, ADestinationOnAnUnusedDriveIsNotFound)
{
    const char letter = test::unusedDriveLetter();
    ASSERT_NE(letter, 0);
    writeOnDisk(source + "\\a.txt", "a");
    expectRuntimeError(ErrorNumber::PathNotFound, [&] {
        copyFolderTree(fs.copyPrimitives(), source, std::string{letter, ':', '\\', 'B'}, {});
    });
}

} // namespace
} // namespace tarnwell::win32
