#include "backup/backupworld.h"
#include "backup/startbackup.h"
#include "platform/error.h"

#include <algorithm>
#include <chrono>
#include <gtest/gtest.h>

namespace tarnwell {
namespace {

using test::MemoryFileSystem;
using Op = MemoryFileSystem::Operation;
using test::ForwardingFileSystem;

class StartBackupTest : public ::testing::Test
{
protected:
    void run()
    {
        world.writeConfig();
        StartBackup(world.services, messages, errors, report);
    }
    MemoryFileSystem& fs() { return world.fileSystem; }

    test::BackupWorld world;
    std::string messages;
    std::int16_t errors = 0;
    BackupRunReport report;
};

TEST_F(StartBackupTest, PairsWithoutSourceOrTargetAreSkippedSilently)
{
    world.setPair(2, "C:\\Data\\Docs", "");
    world.setPair(5, "", "D:\\Backup");
    run();
    EXPECT_EQ(messages, "");
    EXPECT_EQ(errors, 0);
    EXPECT_TRUE(fs().probes().empty()) << "a skipped pair is not even probed";
    EXPECT_TRUE(fs().changes().empty());
    EXPECT_TRUE(world.messageBox.messages.empty());
    EXPECT_FALSE(report.configUnreadable);
}

TEST_F(StartBackupTest, CopiesSourceIntoFolderOfItsNameInsideTarget)
{
    fs().addFile("D:\\Backup\\Docs\\a.txt", "old");
    fs().addFile("D:\\Backup\\Docs\\only-in-backup.txt", "keep");
    world.setPair(1, "C:\\Data\\Docs", "D:\\Backup");
    run();
    EXPECT_EQ(messages, "");
    EXPECT_EQ(errors, 0);
    EXPECT_EQ(fs().contentOf("D:\\Backup\\Docs\\a.txt"), "alpha") << "copied again, replaced";
    EXPECT_EQ(fs().contentOf("D:\\Backup\\Docs\\Sub\\b.txt"), "beta!");
    EXPECT_EQ(fs().contentOf("D:\\Backup\\Docs\\only-in-backup.txt"), "keep");
    EXPECT_TRUE(world.network.calls().empty()) << "nothing missing, nothing mapped";
}

TEST_F(StartBackupTest, MissingTargetFoldersAreMadeWhenTheirParentExists)
{
    world.setPair(1, "C:\\Data\\Docs", "D:\\Backup\\New");
    world.setPair(2, "C:\\Data\\Docs", "D:\\Backup");
    run();
    EXPECT_EQ(messages, "");
    EXPECT_EQ(errors, 0);
    EXPECT_EQ(fs().contentOf("D:\\Backup\\New\\Docs\\Sub\\b.txt"), "beta!");
    EXPECT_EQ(fs().contentOf("D:\\Backup\\Docs\\a.txt"), "alpha");
    const std::vector<std::string> made = {"mkdir D:\\Backup\\New", "mkdir D:\\Backup\\New\\Docs",
                                           "mkdir D:\\Backup\\Docs"};
    std::vector<std::string> mkdirs;
    for (const std::string& change : fs().changes()) {
        if (change.rfind("mkdir", 0) == 0)
            mkdirs.push_back(change);
    }
    EXPECT_EQ(mkdirs, made);
}

TEST_F(StartBackupTest, DestinationNameIsTheTextAfterTheLastBackslash)
{
    fs().addDrive('E');
    fs().addFile("E:\\top.txt", "root file");
    fs().addShare("\\\\srv\\share");
    fs().addFile("\\\\srv\\share\\s.txt", "share file");
    fs().addFile("C:\\Work\\Local\\l.txt", "relative");
    world.setPair(1, "E:\\", "D:\\Backup");
    world.setPair(2, "\\\\srv\\share", "D:\\Backup\\Shares");
    world.setPair(3, "C:\\Data\\Docs\\", "D:\\Backup\\Trailing");
    world.setPair(4, "Local", "D:\\Backup");
    world.setPair(5, "C:\\Data\\Docs", "D:\\Backup\\Slash\\");
    world.setPair(6, "C:\\Data\\Docs\\Sub\\..", "D:\\Backup\\Dots");
    world.setPair(7, "C:", "D:\\Backup\\Typed");
    run();
    EXPECT_EQ(messages, "");
    EXPECT_EQ(errors, 0);
    EXPECT_EQ(fs().contentOf("D:\\Backup\\(DriveRoot)\\top.txt"), "root file");
    EXPECT_EQ(fs().contentOf("D:\\Backup\\Shares\\share\\s.txt"), "share file")
        << "two shares must not merge in one (DriveRoot)";
    EXPECT_EQ(fs().contentOf("D:\\Backup\\Trailing\\(DriveRoot)\\a.txt"), "alpha");
    EXPECT_EQ(fs().contentOf("D:\\Backup\\Local\\l.txt"), "relative")
        << "a source without separator is not glued to its target";
    EXPECT_FALSE(fs().exists("D:\\BackupLocal"));
    EXPECT_EQ(fs().contentOf("D:\\Backup\\Slash\\Docs\\a.txt"), "alpha");
    EXPECT_EQ(fs().contentOf("D:\\Backup\\Dots\\Docs\\Sub\\b.txt"), "beta!");
    EXPECT_EQ(fs().contentOf("D:\\Backup\\Typed\\(DriveRoot)\\Data\\Docs\\a.txt"), "alpha")
        << "a drive typed without its backslash is its root, not its current folder";
}

TEST(BackupFolderNameTest, RootsAndNamelessPaths)
{
    EXPECT_EQ(backupFolderName(PathStyle::Windows, "E:"), "(DriveRoot)");
    EXPECT_EQ(backupFolderName(PathStyle::Windows, "\\\\srv\\share\\"), "(DriveRoot)");
    EXPECT_EQ(backupFolderName(PathStyle::Windows, "C:\\Data\\.."), "(DriveRoot)");
    EXPECT_EQ(backupFolderName(PathStyle::Posix, "/"), "(DriveRoot)");
    EXPECT_EQ(backupFolderName(PathStyle::Posix, "/home/ann/"), "ann");
    EXPECT_EQ(backupFolderName(PathStyle::Posix, "/home/ann/.."), "home");
    EXPECT_EQ(backupFolderName(PathStyle::Windows, "."), "");
    EXPECT_EQ(backupFolderName(PathStyle::Windows, "..\\.."), "");
}

TEST_F(StartBackupTest, SourceThatNamesNoFolderIsSkippedAsInvalidPath)
{
    // The in-memory probe knows no relative "."; here it stands for the current folder.
    ForwardingFileSystem dotAware(world.fileSystem);
    dotAware.probeAliases["."] = "C:\\Work";
    Services services{dotAware, world.network, world.clock, world.codePage, world.messageBox};
    world.setPair(1, ".", "D:\\Backup");
    world.setPair(2, "C:\\Data\\Docs", "D:\\Backup");
    world.writeConfig();
    StartBackup(services, messages, errors, report);
    EXPECT_EQ(messages, ", Invalid Path in .. Try selecting a subdirectory in this source "
                        "instead of the root. . was skipped.");
    EXPECT_EQ(errors, 1);
    EXPECT_EQ(fs().namesIn("D:\\Backup"), (std::vector<std::string>{".tarnwell-versions", "Docs"}))
        << "nothing of the current folder lands in the target; the next pair still runs";
}

TEST_F(StartBackupTest, MissingSourceOrTargetIsCountedAndDescribed)
{
    world.setPair(1, "C:\\Nope", "D:\\Backup");
    world.setPair(2, "C:\\Gone", "D:\\Missing\\Deeper");
    run();
    EXPECT_EQ(messages, ", C:\\Nope is not a valid source)"
                        ", C:\\Gone is not a valid source)"
                        ", D:\\Missing\\Deeper was not created!");
    EXPECT_EQ(errors, 3);
    EXPECT_TRUE(fs().changes().empty()) << "nothing made, nothing copied";
    EXPECT_TRUE(world.network.calls().empty()) << "no mapping without a source";
}

TEST_F(StartBackupTest, TargetWithMissingParentReportsEveryFailedStep)
{
    world.setPair(1, "C:\\Data\\Docs", "D:\\No\\Such");
    run();
    const std::string notFound = ", Path not found (C:\\Data\\Docs D:\\No\\Such";
    EXPECT_EQ(messages, notFound + notFound + notFound + ", D:\\No\\Such was not created!")
        << "making the target, making the destination, the copy, then the final check";
    EXPECT_EQ(errors, 4);
}

TEST_F(StartBackupTest, PathNotFoundOnTheSourceProbesCountsAndGoesOn)
{
    world.setPair(1, "C:\\Data\\Docs", "D:\\Backup");
    fs().failOn(Op::Probe, "C:\\Data\\Docs", ErrorNumber::PathNotFound, 2);
    run();
    const std::string notFound = ", Path not found (C:\\Data\\Docs D:\\Backup";
    EXPECT_EQ(messages, notFound + ", C:\\Data\\Docs is not a valid source)" + notFound)
        << "the first probe counts as not found, the second as found";
    EXPECT_EQ(errors, 3);
    EXPECT_EQ(fs().contentOf("D:\\Backup\\Docs\\a.txt"), "alpha");
}

TEST_F(StartBackupTest, PathNotFoundOnTheFinalTargetProbeCountsAsNotCreated)
{
    world.setPair(1, "C:\\Data\\Docs", "D:\\Backup");
    // The target is probed before mapping, before making it, then once more at the end.
    fs().failOn(Op::Probe, "D:\\Backup", ErrorNumber::PathNotFound, 1, 2);
    run();
    EXPECT_EQ(messages, ", Path not found (C:\\Data\\Docs D:\\Backup, D:\\Backup was not created!");
    EXPECT_EQ(errors, 2);
    EXPECT_EQ(fs().contentOf("D:\\Backup\\Docs\\a.txt"), "alpha");
}

TEST_F(StartBackupTest, ReadOnlyCopyAloneIsClearedAndCopiedAgain)
{
    fs().addFile("D:\\Backup\\Docs\\a.txt", "old", Attribute::ReadOnly);
    fs().addFile("D:\\Backup\\Other\\x.txt", "x", Attribute::Hidden | Attribute::ReadOnly);
    world.setPair(1, "C:\\Data\\Docs", "D:\\Backup");
    run();
    EXPECT_EQ(messages, "");
    EXPECT_EQ(errors, 0);
    EXPECT_EQ(fs().contentOf("D:\\Backup\\Docs\\a.txt"), "alpha");
    EXPECT_EQ(fs().attributesOf("D:\\Backup\\Other\\x.txt"),
              Attribute::Hidden | Attribute::ReadOnly)
        << "no backup of this run: its flags stay";
    std::vector<std::string> cleared;
    std::copy_if(fs().changes().begin(), fs().changes().end(), std::back_inserter(cleared),
                 [](const std::string& change) { return change.rfind("attrib", 0) == 0; });
    EXPECT_EQ(cleared, std::vector<std::string>{"attrib D:\\Backup\\Docs\\a.txt 0"});
    EXPECT_TRUE(world.messageBox.messages.empty());
}

TEST_F(StartBackupTest, RefusedCopyCostsOnlyThatFileClearsNothingAndTheNextPairRuns)
{
    ForwardingFileSystem counting(world.fileSystem);
    Services services{counting, world.network, world.clock, world.codePage, world.messageBox};
    fs().addDrive('F');
    fs().failOn(Op::CopyFile, "D:\\Backup\\Docs\\a.txt", ErrorNumber::PermissionDenied);
    world.setPair(1, "C:\\Data\\Docs", "D:\\Backup");
    world.setPair(2, "C:\\Data\\Docs", "F:\\");
    world.writeConfig();
    StartBackup(services, messages, errors, report);

    EXPECT_EQ(messages, ", Permission denied (C:\\Data\\Docs D:\\Backup");
    EXPECT_EQ(errors, 1);
    EXPECT_EQ(counting.copies, 2) << "refused by an access list, not by flags: no repeat";
    EXPECT_EQ(fs().contentOf("F:\\Docs\\Sub\\b.txt"), "beta!");
    EXPECT_EQ(fs().contentOf("D:\\Backup\\Docs\\Sub\\b.txt"), "beta!")
        << "the locked file costs only itself";
    const std::string copiedOnce = "copy D:\\Backup\\Docs\\Sub\\b.txt";
    EXPECT_EQ(std::count(fs().changes().begin(), fs().changes().end(), copiedOnce), 1);
    EXPECT_EQ(std::count_if(fs().changes().begin(), fs().changes().end(),
                            [](const std::string& c) { return c.rfind("attrib", 0) == 0; }),
              0);
    EXPECT_TRUE(world.messageBox.messages.empty());
}

TEST_F(StartBackupTest, BadFileNameSkipsThePairOnlyForTheSourceItself)
{
    world.setPair(3, "C:\\Data\\Docs", "D:\\Backup");
    world.setPair(4, "C:\\Data\\Docs\\Sub", "D:\\Second");
    fs().failOn(Op::CopyFile, "D:\\Backup\\Docs\\Sub\\b.txt", ErrorNumber::BadFileName);
    fs().failOn(Op::Probe, "C:\\Data\\Docs\\Sub", ErrorNumber::BadFileName);
    run();
    EXPECT_EQ(messages, ", Bad file name or number (C:\\Data\\Docs D:\\Backup"
                        ", Invalid Path in C:\\Data\\Docs\\Sub. Try selecting a subdirectory in "
                        "this source instead of the root. C:\\Data\\Docs\\Sub was skipped.");
    EXPECT_EQ(errors, 2);
    EXPECT_EQ(fs().contentOf("D:\\Backup\\Docs\\a.txt"), "alpha") << "the rest of the pair";
    EXPECT_FALSE(fs().exists("D:\\Second"));
}

TEST_F(StartBackupTest, UnexpectedFailureCostsOnlyItsPairAndIsShown)
{
    fs().addDrive('F');
    world.setPair(1, "C:\\Data\\Docs", "D:\\Backup");
    world.setPair(2, "C:\\Data\\Docs\\Sub", "D:\\Backup");
    world.setPair(3, "C:\\Data", "F:\\");
    fs().failOn(Op::CopyFile, "D:\\Backup\\Docs\\Sub\\b.txt", ErrorNumber::DiskFull);
    fs().failOn(Op::MakeDirectory, "D:\\Backup\\Sub", ErrorNumber::DeviceUnavailable);
    std::vector<std::string> problems;
    report.problemNoted = [&](const std::string& problem) { problems.push_back(problem); };
    run();
    EXPECT_EQ(world.messageBox.texts(),
              (std::vector<std::string>{
                  "61 Disk full in Function StartBackup, debugline 0 strSource: C:\\Data\\Docs",
                  "68 Device unavailable in Function StartBackup, debugline 0 strSource: "
                  "C:\\Data\\Docs\\Sub"}));
    EXPECT_EQ(messages, ", 61 Disk full (C:\\Data\\Docs D:\\Backup"
                        ", 68 Device unavailable (C:\\Data\\Docs\\Sub D:\\Backup");
    EXPECT_EQ(errors, 2);
    EXPECT_EQ(fs().contentOf("F:\\Data\\Docs\\Sub\\b.txt"), "beta!")
        << "the pairs after the failures are still backed up";
    EXPECT_EQ(
        problems,
        (std::vector<std::string>{
            "Pair 1: 61 Disk full: D:\\Backup\\Docs\\Sub\\b.txt (C:\\Data\\Docs -> D:\\Backup)",
            "Pair 2: 68 Device unavailable: D:\\Backup\\Sub (C:\\Data\\Docs\\Sub -> "
            "D:\\Backup)"}))
        << "the record names the file it happened on";
    EXPECT_FALSE(report.configUnreadable);
}

TEST_F(StartBackupTest, FileSavedDuringItsCopyIsCopiedAgainAndOneAlwaysWrittenIsNamed)
{
    fs().addFile("D:\\Backup\\Docs\\Sub\\b.txt", "old b");
    fs().changeWhileRead("C:\\Data\\Docs\\a.txt", 1);
    fs().changeWhileRead("C:\\Data\\Docs\\Sub\\b.txt", 2);
    std::vector<std::string> problems;
    report.problemNoted = [&](const std::string& problem) { problems.push_back(problem); };
    world.setPair(1, "C:\\Data\\Docs", "D:\\Backup");
    run();
    EXPECT_EQ(messages, ", Changed while it was being copied (C:\\Data\\Docs D:\\Backup");
    EXPECT_EQ(problems, std::vector<std::string>{"Pair 1: 75 Changed while it was being copied: "
                                                 "C:\\Data\\Docs\\Sub\\b.txt (C:\\Data\\Docs -> "
                                                 "D:\\Backup)"});
    EXPECT_EQ(fs().contentOf("D:\\Backup\\Docs\\a.txt"), "alpha");
    EXPECT_EQ(fs().contentOf("D:\\Backup\\Docs\\Sub\\b.txt"), "old b");
}

// A path record that is not valid text in the code page names no folder: it is its pair's
// missing source or target, named with its record, and nothing of the pair is made or copied.
TEST_F(StartBackupTest, PathRecordThatIsNotValidTextIsThePairsProblem)
{
    world.codePage.invalidBytes = "\xff"; // what "\xc3\xbf" is stored as
    world.setPair(1, "C:\\Data\\Docs", "D:\\Back\xc3\xbf");
    world.setPair(2, "C:\\Data\\Do\xc3\xbf", "D:\\Backup");
    world.setPair(3, "C:\\Data\\Docs", "D:\\Backup");
    std::vector<std::string> problems;
    report.problemNoted = [&](const std::string& problem) { problems.push_back(problem); };
    run();
    EXPECT_EQ(messages,
              ", D:\\Back\xc3\xbf was not created!, C:\\Data\\Do\xc3\xbf is not a valid source)");
    EXPECT_EQ(errors, 2);
    EXPECT_EQ(problems, (std::vector<std::string>{
                            "Pair 1: record 11, the target of folder pair 1, is not valid text in "
                            "the code page, so the target was not created",
                            "Pair 2: record 2, the source of folder pair 2, is not valid text in "
                            "the code page, so it is not a valid source"}));
    EXPECT_EQ(fs().changes(),
              (std::vector<std::string>{"mkdir D:\\Backup\\Docs", "copy D:\\Backup\\Docs\\a.txt",
                                        "copy D:\\Backup\\Docs\\Sub\\b.txt"}))
        << "only pair 3 makes and copies anything";
}

// A file is copied unless its copy has its size, the flags its target keeps and its time, the
// time as finely as the target's drive keeps it (read back from the drive itself) and, at FAT's
// resolution, also an hour off; a read-only copy in the way still gives 70 and the clearing
// round.
TEST(QuickCheckTest, OnlyFilesWhoseCopyIsNotUpToDateAreCopied)
{
    using std::chrono::milliseconds;
    constexpr int kRo = Attribute::ReadOnly;
    constexpr int kHidden = Attribute::Hidden;
    constexpr int kAll = kRo | kHidden | Attribute::System;
    constexpr milliseconds kHour(3'600'000);
    const struct
    {
        const char* name;
        std::string copy; // D:\Backup\Docs\a.txt before the run; the source holds "alpha"
        milliseconds copyLater;
        int sourceFlags;
        int copyFlags;
        milliseconds resolution; // of drive D:
        bool everyFile;
        bool copied;
        bool cleared;  // refused with 70, then the target's flags cleared and the copy repeated
        int keptFlags; // the flags drive D: keeps
    } rows[] = {
        {"unchanged", "alpha", milliseconds(0), 0, 0, milliseconds(0), false, false, false, kAll},
        {"other size", "alpha!", milliseconds(0), 0, 0, milliseconds(0), false, true, false, kAll},
        {"older copy", "alpha", milliseconds(-1), 0, 0, milliseconds(0), false, true, false, kAll},
        {"newer copy", "alpha", milliseconds(1), 0, 0, milliseconds(0), false, true, false, kAll},
        {"read-only, unchanged", "alpha", milliseconds(0), kRo, kRo, milliseconds(0), false, false,
         false, kAll},
        {"read-only, changed", "alpha", milliseconds(-1), kRo, kRo, milliseconds(0), false, true,
         true, kAll},
        {"FAT keeps 2 s", "alpha", milliseconds(1500), 0, 0, milliseconds(2000), false, false,
         false, kAll},
        {"every file", "alpha", milliseconds(0), 0, 0, milliseconds(0), true, true, false, kAll},
        {"flags differ", "alpha", milliseconds(0), kHidden, 0, milliseconds(0), false, true, false,
         kAll},
        {"target keeps no flags", "alpha", milliseconds(0), kHidden | kRo, 0, milliseconds(0),
         false, false, false, 0},
        {"target keeps only read-only", "alpha", milliseconds(0), kHidden | kRo, kRo,
         milliseconds(0), false, false, false, kRo},
        {"FAT, an hour later", "alpha", kHour + milliseconds(1500), 0, 0, milliseconds(2000), false,
         false, false, kAll},
        {"FAT, an hour earlier", "alpha", -kHour, 0, 0, milliseconds(2000), false, false, false,
         kAll},
        {"FAT, an hour and 2 s", "alpha", kHour + milliseconds(2000), 0, 0, milliseconds(2000),
         false, true, false, kAll},
        {"exact target, an hour", "alpha", kHour, 0, 0, milliseconds(0), false, true, false, kAll},
        {"target keeps 10 ms", "alpha", milliseconds(9), 0, 0, milliseconds(10), false, false,
         false, kAll},
        {"target keeps 10 ms, changed", "alpha", milliseconds(10), 0, 0, milliseconds(10), false,
         true, false, kAll},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        test::BackupWorld world;
        MemoryFileSystem& fs = world.fileSystem;
        const std::string source = "C:\\Data\\Docs\\a.txt";
        const std::string copy = "D:\\Backup\\Docs\\a.txt";
        fs.setAttributes(source, row.sourceFlags);
        fs.addFile(copy, row.copy, row.copyFlags);
        fs.setModified(copy,
                       fs.modifiedOf(source) + std::chrono::nanoseconds(row.copyLater).count());
        fs.setTimeResolution('D', row.resolution);
        fs.setKeptFlags('D', row.keptFlags);
        world.setPair(1, "C:\\Data\\Docs", "D:\\Backup");
        world.writeConfig();
        std::string messages;
        std::int16_t errors = 0;
        BackupRunReport report;
        StartBackup(world.services, messages, errors, report, {}, row.everyFile);

        EXPECT_EQ(errors, 0) << messages;
        const auto& changes = fs.changes();
        EXPECT_EQ(std::count(changes.begin(), changes.end(), "copy " + copy), row.copied ? 1 : 0);
        EXPECT_EQ(std::count(changes.begin(), changes.end(), "copy D:\\Backup\\Docs\\Sub\\b.txt"),
                  1);
        EXPECT_EQ(std::count_if(changes.begin(), changes.end(),
                                [](const std::string& c) { return c.rfind("attrib D:", 0) == 0; }) >
                      0,
                  row.cleared);
        EXPECT_EQ(fs.contentOf(copy), row.copied ? "alpha" : row.copy);
        EXPECT_EQ(fs.namesIn("D:\\Backup\\Docs"), (std::vector<std::string>{"a.txt", "Sub"}))
            << "the probe of what the target keeps is gone";
    }
}

// A link whose target cannot be looked up (a junction to a share that is offline) is that
// entry's failure, not nothing to copy.
TEST_F(StartBackupTest, LinkThatCannotBeFollowedIsCountedAndNamed)
{
    fs().addFile("C:\\Data\\Docs\\offline", "", Attribute::ReparsePoint);
    fs().failOn(Op::FollowLink, "C:\\Data\\Docs\\offline", ErrorNumber::PathNotFound);
    std::vector<std::string> problems;
    report.problemNoted = [&](const std::string& problem) { problems.push_back(problem); };
    world.setPair(1, "C:\\Data\\Docs", "D:\\Backup");
    run();
    EXPECT_EQ(errors, 1);
    EXPECT_EQ(messages, ", Path not found (C:\\Data\\Docs D:\\Backup");
    EXPECT_EQ(problems,
              std::vector<std::string>{"Pair 1: 76 Path not found: C:\\Data\\Docs\\offline "
                                       "(C:\\Data\\Docs -> D:\\Backup)"});
    EXPECT_EQ(fs().contentOf("D:\\Backup\\Docs\\a.txt"), "alpha");
}

TEST_F(StartBackupTest, NoCopyEntersAnotherPairsDestinationOrCopiesASourceOntoItself)
{
    fs().addDrive('E');
    fs().addFile("E:\\x\\f.txt", "f");
    fs().addFile("D:\\src\\s.txt", "s");
    world.setPair(1, "E:\\x", "E:\\x\\b1");
    world.setPair(2, "E:\\x", "E:\\x\\b2");
    world.setPair(3, "D:\\src", "D:\\");
    world.setPair(4, "D:\\", "E:\\");
    run();
    EXPECT_EQ(messages, ", Target holds the source (D:\\src D:\\");
    EXPECT_EQ(errors, 1);
    StartBackup(world.services, messages, errors, report);
    EXPECT_EQ(fs().contentOf("E:\\x\\b1\\x\\f.txt"), "f");
    EXPECT_FALSE(fs().exists("E:\\x\\b2\\x\\b1\\x"));
    EXPECT_FALSE(fs().exists("E:\\x\\b1\\x\\b2\\x"));
    EXPECT_EQ(fs().contentOf("E:\\(DriveRoot)\\src\\s.txt"), "s")
        << "a folder copied onto itself is no destination to keep other pairs out of";

    // Nor does one enter a versions folder, and no pair copies into one.
    fs().addFile("E:\\x\\f.txt", "f, edited");
    fs().addFile("E:\\.Tarnwell-Versions\\v.txt", "v");
    world.setPair(5, "E:\\.Tarnwell-Versions", "D:\\");
    messages.clear();
    run();
    EXPECT_EQ(messages, ", Target holds the source (D:\\src D:\\, E:\\.Tarnwell-Versions has the "
                        "name of the versions folder (E:\\.Tarnwell-Versions D:\\");
    EXPECT_TRUE(fs().exists("E:\\x\\b1\\.tarnwell-versions\\x"));
    EXPECT_FALSE(fs().exists("E:\\x\\b2\\x\\b1\\.tarnwell-versions"));
    EXPECT_FALSE(fs().exists("D:\\.tarnwell-versions\\v.txt"));
}

TEST_F(StartBackupTest, AFailedCopyNamesAHundredEntriesThenHowManyMore)
{
    for (int i = 0; i < 103; ++i) {
        const std::string name = "\\f" + std::to_string(i);
        fs().addFile("C:\\Data\\Docs" + name, "x");
        fs().failOn(Op::CopyFile, "D:\\Backup\\Docs" + name, ErrorNumber::PathNotFound);
    }
    world.setPair(1, "C:\\Data\\Docs", "D:\\Backup");
    std::vector<std::string> problems;
    report.problemNoted = [&](const std::string& problem) { problems.push_back(problem); };
    run();
    EXPECT_EQ(errors, 1);
    ASSERT_EQ(problems.size(), 101u);
    EXPECT_EQ(problems.front(), "Pair 1: 76 Path not found: D:\\Backup\\Docs\\f0 (C:\\Data\\Docs "
                                "-> D:\\Backup)");
    EXPECT_EQ(problems.back(), "Pair 1: and 3 more");
}

TEST_F(StartBackupTest, MissingConfigFileIsReportedWithoutASource)
{
    StartBackup(world.services, messages, errors, report);
    EXPECT_EQ(world.messageBox.texts(),
              std::vector<std::string>{
                  "53 File not found in Function StartBackup, debugline 0 strSource: "});
    EXPECT_EQ(messages, "");
    EXPECT_EQ(errors, 1);
    EXPECT_TRUE(report.configUnreadable);
    EXPECT_TRUE(fs().changes().empty());
}

TEST_F(StartBackupTest, SummaryAndCountAreAppendedToWhatTheCallerHolds)
{
    messages = ", earlier";
    errors = 5;
    world.setPair(1, "C:\\Nope", "D:\\Backup");
    run();
    EXPECT_EQ(messages, ", earlier, C:\\Nope is not a valid source)");
    EXPECT_EQ(errors, 6);
}

TEST_F(StartBackupTest, ProgressNamesThePairAndCountsFilesAndBytes)
{
    world.setPair(7, "C:\\Data\\Docs", "D:\\Backup");
    world.writeConfig();
    std::vector<std::pair<int, CopyProgress>> seen;
    StartBackup(world.services, messages, errors, report,
                [&](int pair, const std::string& source, const CopyProgress& copied) {
                    EXPECT_EQ(source, "C:\\Data\\Docs");
                    seen.emplace_back(pair, copied);
                });
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.front().first, 7);
    EXPECT_EQ(seen.front().second.files, 0u) << "shown before the first file is done";
    EXPECT_EQ(seen.back().second.files, 2u);
    EXPECT_EQ(seen.back().second.bytes, 10u);
}

} // namespace
} // namespace tarnwell
