#include "backup/attrtree.h"
#include "copy/foldercopy.h"
#include "expecterror.h"
#include "platform/win32/win32copy.h"
#include "platform/win32/win32filesystem.h"
#include "platform/win32/winapi.h"
#include "scratchfolder.h"
#include "wine.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

namespace tarnwell::win32 {
namespace {

using test::attributesOnDisk;
using test::expectRuntimeError;
using test::longForm;
using test::ScratchFolder;
using test::writeOnDisk;

std::string readOnDisk(const std::string& path)
{
    HANDLE file = CreateFileW(longForm(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return "(missing)";
    char buffer[512];
    DWORD read = 0;
    ReadFile(file, buffer, sizeof buffer, &read, nullptr);
    CloseHandle(file);
    return std::string(buffer, read);
}

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

TEST_F(Win32CopyTest, EveryNameIsBackedUpAsItIsAndTheProbeAndTheResetSeeIt)
{
    // Names that Windows rewrites in a path without the \\?\ prefix, and some it must leave
    // alone; each file holds its own path. "report" and "report." are two files.
    const std::vector<std::string> names = {"report",  "report.", "two. . ", "aux.c",  "con",
                                            "nul.txt", "COM1",    "100%",    "%PATH%", "PROGRA~1"};
    std::vector<std::string> files = {"Notes \\report.", "Notes \\con"};
    for (const std::string& name : names)
        files.push_back("Names.\\" + name);
    std::string deep = "Names.";
    for (const std::string folder : {"Notes ", "Names."})
        ASSERT_TRUE(CreateDirectoryW(longForm(source + "\\" + folder).c_str(), nullptr));
    while ((destination + "\\" + deep).size() < 300) {
        deep += "\\level.";
        ASSERT_TRUE(CreateDirectoryW(longForm(source + "\\" + deep).c_str(), nullptr));
    }
    files.push_back(deep + "\\last ");
    for (const std::string& file : files)
        writeOnDisk(source + "\\" + file, file);

    copyFolderTree(fs.copyPrimitives(), source, destination, {});

    std::vector<std::string> listed;
    for (std::string name = fs.probe(destination + "\\Names.\\*", ProbeMask::All); !name.empty();
         name = fs.next()) {
        if (name != "." && name != "..")
            listed.push_back(name);
    }
    std::vector<std::string> expected = names;
    expected.push_back("level.");
    std::sort(listed.begin(), listed.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(listed, expected);
    for (const std::string& file : files) {
        const std::string copy = destination + "\\" + file;
        EXPECT_EQ(readOnDisk(copy), file);
        EXPECT_EQ(fs.probe(copy, ProbeMask::All), file.substr(file.find_last_of('\\') + 1));
        SetFileAttributesW(longForm(copy).c_str(), FILE_ATTRIBUTE_READONLY);
    }
    // The attribute reset trims the blanks of every folder it walks, "Notes " included: it
    // is given the folder of the other names.
    EXPECT_EQ(AttrTree(fs, destination + "\\Names."), 0);
    for (const std::string& file : files) {
        if (file.starts_with("Names.")) {
            EXPECT_EQ(attributesOnDisk(destination + "\\" + file) & FILE_ATTRIBUTE_READONLY, 0u)
                << file;
        }
    }
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

// Wine enforces share modes on open as Windows does: a workbook open for writing in another
// program that lets others read it is copied as it stands; one held without sharing is in use,
// and a brief hold (a virus scanner) is waited out.
TEST_F(Win32CopyTest, FilesOtherProgramsHaveOpenAreCopiedUnlessHeldWithoutSharing)
{
    const auto holdOpen = [&](const std::string& name, DWORD share) {
        return CreateFileW(longForm(source + "\\" + name).c_str(), GENERIC_READ | GENERIC_WRITE,
                           share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    };
    writeOnDisk(source + "\\Budget.xlsx", std::string(300000, 'b'));
    writeOnDisk(source + "\\ledger.pst", "new ledger");
    writeOnDisk(source + "\\scanned.doc", "scanned");
    // Of another size, so that the old copy cannot pass for up to date.
    writeOnDisk(destination + "\\ledger.pst", "older ledger");
    writeOnDisk(destination + "\\kept.txt", "kept");
    SetFileAttributesW(longForm(destination + "\\kept.txt").c_str(),
                       FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    HANDLE workbook = holdOpen("Budget.xlsx", FILE_SHARE_READ | FILE_SHARE_WRITE);
    HANDLE mail = holdOpen("ledger.pst", 0);
    HANDLE scanner = holdOpen("scanned.doc", 0);
    ASSERT_NE(workbook, INVALID_HANDLE_VALUE);
    ASSERT_NE(mail, INVALID_HANDLE_VALUE);
    ASSERT_NE(scanner, INVALID_HANDLE_VALUE);
    std::thread release([scanner] {
        Sleep(200);
        CloseHandle(scanner);
    });
    try {
        copyFolderTree(fs.copyPrimitives(), source, destination, {});
        ADD_FAILURE() << "the mail store held without sharing was copied";
    } catch (const FolderCopyError& error) {
        ASSERT_EQ(error.failures().size(), 1u);
        EXPECT_EQ(error.failures()[0].error.number(), ErrorNumber::FileInUse);
        EXPECT_EQ(errorReportWithPath(error.failures()[0].error),
                  "55 In use by another program: " + source + "\\ledger.pst");
        EXPECT_FALSE(error.failures()[0].refusedByFlags);
    }
    release.join();
    CloseHandle(mail);
    CloseHandle(workbook);
    EXPECT_EQ(fs.readFile(destination + "\\Budget.xlsx"), std::string(300000, 'b'));
    EXPECT_EQ(fs.readFile(destination + "\\scanned.doc"), "scanned");
    EXPECT_EQ(fs.readFile(destination + "\\ledger.pst"), "older ledger");
    EXPECT_EQ(attributesOnDisk(destination + "\\kept.txt") & ~test::archiveNoise(),
              DWORD{FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN});

    // Nothing but the copies is left in the destination.
    std::vector<std::string> names;
    for (std::string name = fs.probe(destination + "\\*", ProbeMask::All); !name.empty();
         name = fs.next()) {
        if (name != "." && name != "..")
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names,
              (std::vector<std::string>{"Budget.xlsx", "kept.txt", "ledger.pst", "scanned.doc"}));
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

TEST_F(Win32CopyTest, OldCopiesAreMovedWhereTheDiskHasNoHardLinks)
{
    Win32CopyPrimitives primitives;
    primitives.setLinkCall([](auto&, auto&) { return DWORD{ERROR_INVALID_FUNCTION}; }); // FAT
    writeOnDisk(destination + "\\a.txt", "old");
    EXPECT_EQ(primitives.keepVersion(destination + "\\a.txt", source + "\\a.txt"),
              CopyPrimitives::Kept::Moved);
    EXPECT_EQ(readOnDisk(destination + "\\a.txt") + readOnDisk(source + "\\a.txt"), "(missing)old");
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
