#include "backup/backupcommand.h"
#include "backup/backupworld.h"
#include "config/runlock.h"
#include "platform/error.h"

#include <algorithm>
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
    world.network.refuseConnect("Y:", test::MemoryNetwork::kLogonFailure);
    EXPECT_EQ(run(), BackupOutcome::Complete) << "a failed mapping alone is not counted";
    EXPECT_EQ(status.text(),
              "Backups Complete at 1:05:00 PM, on 3/12/2008"
              "\r\nMapping of \\\\srv\\gone failed!  67 The network name cannot be found."
              "\r\nMapping of \\\\srv\\away failed!  1326 The user name or password "
              "is incorrect.");
}

TEST_F(BackupCommandTest, AfterWakingAPairWaitsForItsShareWhileTheComputerIsKeptAwake)
{
    test::RecordingPower power;
    world.services.power = &power;
    world.network.addShare("\\\\nas\\backup");
    world.fileSystem.addFolder("\\\\nas\\backup\\PC");
    world.setDrive(2, {"\\\\nas\\backup", "N", "", ""});
    world.setPair(2, "C:\\Data\\Docs", "N:\\PC");
    world.setPair(3, "C:\\Data\\Docs", "N:\\Other");
    world.writeConfig();
    world.network.refuseConnect("N:", test::MemoryNetwork::kBadNetPath); // no Wi-Fi yet
    EXPECT_EQ(runBackupCommand(world.services, status), BackupOutcome::Error);
    EXPECT_EQ(world.clock.current.second, 0) << "the button waits not";

    // The remembered drive comes back by itself once Wi-Fi is up, 12 s after waking.
    world.clock.afterSleep = [&] {
        EXPECT_EQ(power.holds, power.releases + 1) << "held awake while it waits";
        if (world.clock.current.second >= 12 && !world.fileSystem.hasDrive('N'))
            world.fileSystem.connectDrive('N', "\\\\nas\\backup");
    };
    const std::size_t connects = world.network.calls().size();
    const BackupOptions afterWaking{.everyFile = false, .waitForNetwork = true};
    EXPECT_EQ(runBackupCommand(world.services, status, "the daily time", afterWaking),
              BackupOutcome::Complete);
    EXPECT_EQ(world.fileSystem.contentOf("N:\\PC\\Docs\\a.txt"), "alpha");
    EXPECT_EQ(world.network.calls().size(), connects) << "it came back; nothing was mapped";
    EXPECT_EQ(world.clock.regionalTime(world.clock.current), "1:05:15 PM") << "looked every 5 s";
    const std::string waiting =
        "Pair 2: waiting for N:\\PC to be reachable (up to 2 minutes, for the network)";
    EXPECT_EQ(std::count(status.progress.begin(), status.progress.end(), waiting), 1);
    EXPECT_TRUE(power.holds == 2 && power.releases == 2);

    // A share that never comes costs two minutes in all, then the drive is mapped.
    world.fileSystem.disconnectDrive('N');
    world.clock.afterSleep = {};
    EXPECT_EQ(runBackupCommand(world.services, status, "auto", afterWaking), BackupOutcome::Error);
    EXPECT_EQ(world.clock.regionalTime(world.clock.current), "1:07:15 PM");
    EXPECT_EQ(world.network.calls().size(), connects + 1) << "pair 3 has no drive to map";
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
