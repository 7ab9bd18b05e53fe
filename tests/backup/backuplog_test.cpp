// The run log as the backup and drive commands write it.
#include "backup/backupcommand.h"
#include "backup/backupworld.h"
#include "config/runlock.h"
#include "drives/drivecommands.h"
#include "platform/error.h"
#include "platform/runlog.h"
#include "support/memorylogfile.h"

#include <functional>
#include <gtest/gtest.h>
#include <utility>

namespace tarnwell {
namespace {

constexpr const char* kLog = "C:\\Work\\Tarnwell.log";

class BackupLogTest : public ::testing::Test
{
protected:
    BackupLogTest()
    {
        world.clock.current = {2008, 3, 12, 13, 5, 0};
        world.services.runLog = &runLog;
    }
    std::string log() const { return logFile.content(kLog); }

    test::BackupWorld world;
    test::RecordingStatusBox status;
    test::MemoryLogFile logFile{world.fileSystem};
    std::vector<std::string> failures;
    RunLog runLog{logFile, world.clock,
                  [this](const std::string& problem) { failures.push_back(problem); }};
};

TEST_F(BackupLogTest, BlockNamesTriggerProblemsMessagesOutcomeAndCopiesButNoPassword)
{
    const std::string password = "Secret-Pw1";
    world.network.addShare("\\\\srv\\data");
    world.network.refuseConnect("X:", test::MemoryNetwork::kInvalidPassword);
    world.setDrive(1, {"\\\\srv\\data", "X", "ann", password});
    world.setDrive(2, {"\\\\srv\\data", "Y", "ann", password});
    world.setPair(1, "C:\\Data\\Docs", "X:\\Backup");
    world.setPair(2, "C:\\Data\\Docs", "D:\\Backup");
    world.setPair(3, "C:\\Data\\Docs\\Sub", "D:\\Backup");
    world.setPair(4, "C:\\Data\\Docs\\Sub", "D:\\Backup"); // pair 3 again: up to date
    world.fileSystem.addFile("C:\\Data\\Docs\\.tarnwell-0123456789abcdef.tmp", "the user's");
    world.fileSystem.failOn(test::MemoryFileSystem::Operation::CopyFile,
                            "D:\\Backup\\Docs\\Sub\\b.txt", ErrorNumber::DiskFull);
    world.writeConfig();
    runBackupCommand(world.services, status, "the daily time");
    std::string strDriveLog;
    cmdMapDrives_Click(world.services, status, strDriveLog, "\"mapdrives\"");

    EXPECT_EQ(
        log(),
        "=== 2008-03-12 13:05:00 backup, started by the daily time\n"
        "Problem: Pair 1: 76 Path not found: X:\\Backup (C:\\Data\\Docs -> X:\\Backup)\n"
        "Problem: Pair 1: 76 Path not found: X:\\Backup\\Docs (C:\\Data\\Docs -> X:\\Backup)\n"
        "Problem: Pair 1: 76 Path not found: X:\\Backup\\Docs (C:\\Data\\Docs -> X:\\Backup)\n"
        "Problem: Pair 1: X:\\Backup was not created\n"
        "Skipped: Pair 2: C:\\Data\\Docs\\.tarnwell-0123456789abcdef.tmp was not copied: its "
        "name is that of a temporary file of the copy\n"
        "Problem: Pair 2: 61 Disk full: D:\\Backup\\Docs\\Sub\\b.txt (C:\\Data\\Docs -> "
        "D:\\Backup)\n"
        "Message: 61 Disk full in Function StartBackup, debugline 0 strSource: "
        "C:\\Data\\Docs\n"
        "Outcome: Error! , Path not found (C:\\Data\\Docs X:\\Backup, Path not found "
        "(C:\\Data\\Docs X:\\Backup, Path not found (C:\\Data\\Docs X:\\Backup, X:\\Backup "
        "was not created!, 61 Disk full (C:\\Data\\Docs D:\\Backup\n"
        "Outcome: Mapping of \\\\srv\\data failed!  86 The specified network password is not "
        "correct.\n"
        "Copied: Pair 1: 0 files, 0 bytes; 0 already up to date\n"
        "Copied: Pair 2: 1 file, 5 bytes; 0 already up to date\n"
        "Copied: Pair 3: 1 file, 5 bytes; 0 already up to date\n"
        "Copied: Pair 4: 0 files, 0 bytes; 1 already up to date\n"
        "Copied: 2 files, 10 bytes\n"
        "Duration: 0 s\n"
        "\n"
        "=== 2008-03-12 13:05:00 map drives, started by \"mapdrives\"\n"
        "Outcome: Mapping of \\\\srv\\data to X failed!  86 The specified network password is "
        "not correct.\n"
        "Outcome: Y: drive was mapped successfully.  \n"
        "Duration: 0 s\n"
        "\n");
    EXPECT_EQ(log().find(password), std::string::npos);
    EXPECT_TRUE(failures.empty());
}

TEST_F(BackupLogTest, FilesCopiedBeforeARepeatStillCount)
{
    // The repeat after clearing the flags copies only a.txt, whose old copy is read-only:
    // first it succeeds, then its flags cannot be cleared and it stays refused. Every file, so
    // that the second run does not leave the first one's copies alone.
    world.setPair(1, "C:\\Data\\Docs", "D:\\Backup");
    const std::string copy = "D:\\Backup\\Docs\\a.txt";
    for (const bool clearable : {true, false}) {
        world.fileSystem.addFile(copy, "old", Attribute::ReadOnly);
        if (!clearable)
            world.fileSystem.failOn(test::MemoryFileSystem::Operation::SetAttributes, copy,
                                    ErrorNumber::PermissionDenied);
        world.writeConfig();
        runBackupCommand(world.services, status, "the Backup button", true);
        EXPECT_NE(
            log().find(clearable ? "Copied: 2 files, 10 bytes\n" : "Copied: 1 file, 5 bytes\n"),
            std::string::npos)
            << log();
    }
}

// A status box whose first progress line starts another command, as a second click would.
struct InterruptedStatus : test::RecordingStatusBox
{
    void showProgress(const std::string&) override
    {
        std::exchange(onProgress, [] {})();
    }
    std::function<void()> onProgress;
};

TEST_F(BackupLogTest, RefusedBlocksWaitBesideTheLogUntilTheHolderEndsItsOwn)
{
    const std::string full(kRunLogLimit, 'o');
    logFile.append(kLog, full);
    world.setPair(1, "C:\\Data\\Docs", "D:\\Backup");
    world.writeConfig();
    const std::string refusal = "refused: another backup or drive command is running\n\n";
    {
        // A holder that crashes: its lock dies with it, and it takes nothing in.
        const auto otherRun = world.fileSystem.tryLockFile(kRunLockFileName);
        runBackupCommand(world.services, status, "the daily time");
        std::string strDriveLog;
        cmdMapDrives_Click(world.services, status, strDriveLog);
        EXPECT_EQ(status.text(), "Error! , another backup or drive command is running");
        EXPECT_EQ(log(), full) << "only the lock's holder rotates or writes the log";
    }
    InterruptedStatus running;
    running.onProgress = [&] {
        world.clock.current.second = 30;
        runBackupCommand(world.services, status, "tarnwell-cli");
    };
    runBackupCommand(world.services, running, "the Backup button");
    EXPECT_EQ(logFile.content(std::string(kLog) + ".1"), full);
    const std::string text = log();
    const std::string at = "=== 2008-03-12 13:05:00 ";
    EXPECT_TRUE(text.starts_with(at + "backup, started by the daily time\n" + refusal + at +
                                 "map drives, started by the Map Drives button\n" + refusal + at +
                                 "backup, started by the Backup button\n"))
        << text;
    EXPECT_TRUE(text.ends_with("Duration: 30 s\n\n=== 2008-03-12 13:05:30 backup, started by "
                               "tarnwell-cli\n" +
                               refusal));
    EXPECT_EQ(logFile.content(std::string(kLog) + kHeldBackSuffix), "");
}

TEST_F(BackupLogTest, FullLogIsRotatedAndAnUnwritableOneStopsNothing)
{
    const std::string old(kRunLogLimit, 'o');
    logFile.append(kLog, old);
    world.setPair(1, "C:\\Data\\Docs", "D:\\Backup");
    world.writeConfig();
    EXPECT_EQ(runBackupCommand(world.services, status), BackupOutcome::Complete);
    EXPECT_EQ(logFile.content(std::string(kLog) + ".1"), old);
    EXPECT_EQ(log().rfind("=== 2008-03-12 13:05:00 backup, started by the Backup button\n", 0), 0u);

    logFile.failWith = ErrorNumber::DiskFull;
    EXPECT_EQ(runBackupCommand(world.services, status), BackupOutcome::Complete);
    EXPECT_EQ(world.fileSystem.contentOf("D:\\Backup\\Docs\\a.txt"), "alpha");
    EXPECT_EQ(failures,
              std::vector<std::string>{"cannot write the run log Tarnwell.log: 61 Disk full"})
        << "told once, however many lines were lost";
}

} // namespace
} // namespace tarnwell
