#include "backup/backupcommand.h"
#include "backup/backupworld.h"
#include "config/runlock.h"
#include "platform/error.h"

#include <gtest/gtest.h>

namespace tarnwell {
namespace {

constexpr const char* kAnnouncement = "Performing backups.  Please wait...";

class BackupCommandTest : public ::testing::Test
{
protected:
    BackupCommandTest()
    {
        world.clock.current = {2008, 3, 12, 13, 5, 0};
        world.setPair(1, "C:\\Data\\Docs", "D:\\Backup");
    }
    BackupOutcome run()
    {
        world.writeConfig();
        return runBackupCommand(world.services, status);
    }

    test::BackupWorld world;
    test::RecordingStatusBox status;
};

TEST_F(BackupCommandTest, CleanRunAnnouncesThenReportsCompletion)
{
    status.setText("earlier report");
    EXPECT_EQ(run(), BackupOutcome::Complete);
    const std::string done = "Backups Complete at 1:05:00 PM, on 3/12/2008";
    EXPECT_EQ(status.text(), done);
    EXPECT_EQ(status.repainted, (std::vector<std::string>{kAnnouncement, done}))
        << "the announcement is on screen before the run, the outcome after it";
    EXPECT_EQ(world.fileSystem.contentOf("D:\\Backup\\Docs\\a.txt"), "alpha");
    EXPECT_TRUE(world.messageBox.messages.empty());
}

TEST_F(BackupCommandTest, CountedProblemsShowTheSummary)
{
    world.setPair(2, "C:\\Nope", "D:\\Backup");
    EXPECT_EQ(run(), BackupOutcome::Error);
    EXPECT_EQ(status.text(), "Error! , C:\\Nope is not a valid source)");
}

TEST_F(BackupCommandTest, AnotherRunOfThisConfigDatIsOneProblemAndNothingElseHappens)
{
    {
        const auto otherRun = world.fileSystem.tryLockFile(kRunLockFileName);
        ASSERT_TRUE(otherRun);
        EXPECT_EQ(run(), BackupOutcome::AnotherRunning);
        EXPECT_EQ(status.text(), "Error! , another backup is running");
        EXPECT_TRUE(world.fileSystem.probes().empty());
        EXPECT_TRUE(world.fileSystem.changes().empty());
    }
    EXPECT_EQ(run(), BackupOutcome::Complete);
    EXPECT_EQ(run(), BackupOutcome::Complete) << "a run lets the lock go when it ends";
}

TEST_F(BackupCommandTest, UnreadableConfigurationShowsTheMessageAndABareError)
{
    EXPECT_EQ(runBackupCommand(world.services, status), BackupOutcome::CouldNotRun);
    EXPECT_EQ(status.text(), "Error! ");
    EXPECT_EQ(world.messageBox.texts(),
              std::vector<std::string>{
                  "53 File not found in Function StartBackup, debugline 0 strSource: "});
}

TEST_F(BackupCommandTest, UnexpectedFailureInAPairHasItsFragmentInTheSummary)
{
    world.setPair(2, "C:\\Data\\Docs\\Sub", "D:\\Backup");
    world.fileSystem.failOn(test::MemoryFileSystem::Operation::MakeDirectory, "D:\\Backup\\Sub",
                            ErrorNumber::DiskFull);
    EXPECT_EQ(run(), BackupOutcome::Error);
    EXPECT_EQ(status.text(), "Error! , 61 Disk full (C:\\Data\\Docs\\Sub D:\\Backup");
    EXPECT_EQ(world.messageBox.messages.size(), 1u);
}

TEST_F(BackupCommandTest, DrivesThatStayedAbsentFollowTheOutcomeLine)
{
    world.setDrive(1, {"\\\\srv\\gone", "X", "", ""});
    world.setDrive(2, {"\\\\srv\\away", "Y", "", ""});
    world.setPair(1, "C:\\Data\\Docs", "D:\\Backup\\New");
    world.setPair(2, "C:\\Data\\Docs", "D:\\Backup\\Other");
    EXPECT_EQ(run(), BackupOutcome::Complete) << "a failed mapping alone is not counted";
    EXPECT_EQ(status.text(), "Backups Complete at 1:05:00 PM, on 3/12/2008"
                             "\r\nMapping of \\\\srv\\gone failed!"
                             "\r\nMapping of \\\\srv\\away failed!");
}

TEST_F(BackupCommandTest, ProgressGoesOnASecondLineAndIsRemovedAtTheEnd)
{
    EXPECT_EQ(run(), BackupOutcome::Complete);
    ASSERT_GE(status.progress.size(), 3u);
    EXPECT_EQ(status.progress.front(), "Pair 1: C:\\Data\\Docs - 0 files, 0 bytes copied");
    EXPECT_EQ(status.progress[status.progress.size() - 2],
              "Pair 1: C:\\Data\\Docs - 2 files, 10 bytes copied");
    EXPECT_EQ(status.progress.back(), "");
    EXPECT_EQ(status.history.front(), kAnnouncement) << "progress never replaces the first line";
    EXPECT_EQ(status.history.size(), 2u);
}

TEST(ByteCountTextTest, SmallCountsInBytesLargerOnesWithOneDecimal)
{
    EXPECT_EQ(byteCountText(0), "0 bytes");
    EXPECT_EQ(byteCountText(1), "1 byte");
    EXPECT_EQ(byteCountText(1023), "1023 bytes");
    EXPECT_EQ(byteCountText(1024), "1.0 KB");
    EXPECT_EQ(byteCountText(1536), "1.5 KB");
    EXPECT_EQ(byteCountText(1024 * 1024 - 1), "1.0 MB") << "rounds into the next unit";
    EXPECT_EQ(byteCountText(20ull * 1024 * 1024), "20.0 MB");
    EXPECT_EQ(byteCountText(3ull << 40), "3.0 TB");
    EXPECT_EQ(byteCountText(5000ull << 40), "5000.0 TB");
}

// A status box that fails when asked to repaint, as a broken window might.
class FailingStatusBox : public test::RecordingStatusBox
{
public:
    void repaint() override { throw RuntimeError(ErrorNumber::OutOfMemory); }
};

TEST_F(BackupCommandTest, FailureReachingTheCommandIsReportedWithoutSuffix)
{
    world.writeConfig();
    FailingStatusBox failing;
    EXPECT_EQ(runBackupCommand(world.services, failing), BackupOutcome::CouldNotRun);
    EXPECT_EQ(world.messageBox.texts(), std::vector<std::string>{"7 Out of memory"});
    EXPECT_EQ(failing.text(), kAnnouncement) << "the box keeps the text it last received";
    EXPECT_FALSE(world.fileSystem.exists("D:\\Backup\\Docs")) << "the run never started";
}

} // namespace
} // namespace tarnwell
