#include "app/scheduler.h"
#include "app/unattended.h"
#include "config/settings.h"
#include "platform/error.h"
#include "platform/runlog.h"
#include "support/fakes.h"
#include "support/memorylogfile.h"
#include "support/testworld.h"

#include <gtest/gtest.h>

namespace tarnwell {
namespace {

LocalDateTime at(int hour, int minute, int second, int day = 12)
{
    return {2008, 3, day, hour, minute, second};
}

LocalDateTime plusSeconds(LocalDateTime when, int seconds)
{
    int total = when.hour * 3600 + when.minute * 60 + when.second + seconds;
    while (total >= 86400) {
        total -= 86400;
        ++when.day; // the tests stay inside one month
    }
    when.hour = total / 3600;
    when.minute = total / 60 % 60;
    when.second = total % 60;
    return when;
}

TEST(BackupClockTextTest, AlwaysTheTwelveHourFormWithoutLeadingZero)
{
    EXPECT_EQ(backupClockText(at(0, 0, 0)), "12:00:00 AM");
    EXPECT_EQ(backupClockText(at(0, 59, 59)), "12:59:59 AM");
    EXPECT_EQ(backupClockText(at(1, 5, 0)), "1:05:00 AM");
    EXPECT_EQ(backupClockText(at(9, 7, 3)), "9:07:03 AM");
    EXPECT_EQ(backupClockText(at(11, 59, 59)), "11:59:59 AM");
    EXPECT_EQ(backupClockText(at(12, 0, 0)), "12:00:00 PM");
    EXPECT_EQ(backupClockText(at(13, 5, 0)), "1:05:00 PM");
    EXPECT_EQ(backupClockText(at(23, 59, 59)), "11:59:59 PM");
}

class SchedulerTest : public ::testing::Test
{
protected:
    // Ticks once a second from first for count seconds.
    void tickEverySecond(LocalDateTime first, int count, const std::string& backupTime)
    {
        for (int i = 0; i < count; ++i)
            scheduler.tick(plusSeconds(first, i), backupTime);
    }

    test::RecordingMessageBox messageBox;
    std::vector<LocalDateTime> starts;
    LocalDateTime now;
    std::vector<std::string> lateReasons;
    std::function<void()> onStart;
    bool lockFree = true; // false: another program's command holds Config.dat
    Scheduler scheduler{messageBox, [this](const std::string& lateReason) {
                            starts.push_back(now);
                            lateReasons.push_back(lateReason);
                            if (onStart)
                                onStart();
                            return lockFree;
                        }};
    void tick(const LocalDateTime& when, const std::string& backupTime)
    {
        now = when;
        scheduler.tick(when, backupTime);
    }
};

TEST_F(SchedulerTest, StartsOnlyInTheBackupSecond)
{
    tick(at(13, 4, 59), "1:05:00 PM");
    EXPECT_TRUE(starts.empty());
    tick(at(13, 5, 0), "1:05:00 PM");
    EXPECT_EQ(starts.size(), 1u);
    tick(at(13, 5, 1), "1:05:00 PM");
    EXPECT_EQ(starts.size(), 1u);
}

TEST_F(SchedulerTest, OneStartPerDayOverWholeDaysOfTicks)
{
    tickEverySecond(at(0, 0, 0), 2 * 86400, "1:05:00 PM");
    EXPECT_EQ(starts.size(), 2u);
    EXPECT_TRUE(messageBox.messages.empty());
}

TEST_F(SchedulerTest, MidnightIsTwelveAM)
{
    tick(at(23, 59, 59, 12), "12:00:00 AM");
    tick(at(0, 0, 0, 13), "12:00:00 AM");
    EXPECT_EQ(starts.size(), 1u);
}

TEST_F(SchedulerTest, NoTimeOrAnImpossibleTimeNeverStarts)
{
    for (const std::string time :
         {"", "01:05:00 PM", "1:5:00 PM", "1:60:00 PM", "1:05:60 PM", "13:05:00", "1:05:00 pm"})
        tickEverySecond(at(0, 0, 0), 86400, time);
    EXPECT_TRUE(starts.empty());
    EXPECT_TRUE(messageBox.messages.empty()) << "no message says so";
}

TEST_F(SchedulerTest, LateTickStillStartsOnce)
{
    tick(at(13, 4, 59), "1:05:00 PM");
    tick(at(13, 5, 1), "1:05:00 PM"); // 13:05:00 was skipped
    tick(at(13, 5, 2), "1:05:00 PM");
    EXPECT_EQ(starts.size(), 1u);

    tick(at(23, 59, 59), "12:00:00 AM");
    tick(at(0, 0, 1, 13), "12:00:00 AM");
    EXPECT_EQ(starts.size(), 2u) << "also across midnight";
}

TEST_F(SchedulerTest, TimePassedWhileTheComputerSleptStartsOneLateBackup)
{
    const std::string late =
        "started late: the clock passed 1:05:00 PM while the computer was asleep or busy";
    tick(at(13, 4, 58), "1:05:00 PM");
    tick(at(13, 5, 1), "1:05:00 PM"); // three seconds without a tick
    tickEverySecond(at(13, 5, 2), 5, "1:05:00 PM");
    tick(at(12, 0, 0, 14), "1:05:00 PM"); // asleep over the next day's time
    tickEverySecond(at(12, 0, 1, 14), 5, "1:05:00 PM");
    tick(at(9, 0, 0, 20), "1:05:00 PM"); // asleep for days
    tickEverySecond(at(9, 0, 1, 20), 5, "1:05:00 PM");
    EXPECT_EQ(lateReasons, (std::vector<std::string>{late, late, late}));

    starts.clear();
    tick(at(13, 0, 0, 20), "1:05:00 PM");
    tick(at(13, 5, 0, 20), "1:05:00 PM"); // woke in the backup second itself
    tick(at(13, 5, 30, 20), "1:06:00 PM");
    tick(at(13, 5, 50, 20), "1:06:00 PM"); // not yet passed
    EXPECT_EQ(lateReasons.back(), "");
    EXPECT_EQ(starts.size(), 1u);
}

TEST_F(SchedulerTest, ATimeThatComesDuringAnotherCommandStartsWhenItEnds)
{
    const std::string late = "started late: the clock passed 1:05:01 PM while another command ran";
    onStart = [this] {
        EXPECT_TRUE(scheduler.busy());
        scheduler.tick(at(13, 5, 0), "1:05:00 PM"); // its own second again: nothing more
        scheduler.tick(at(13, 5, 1), "1:05:01 PM"); // a new time saved meanwhile
    };
    tick(at(13, 5, 0), "1:05:00 PM");
    onStart = nullptr;
    EXPECT_EQ(starts.size(), 1u);
    EXPECT_FALSE(scheduler.busy());
    tick(at(13, 5, 2), "1:05:01 PM");
    tick(at(13, 5, 3), "1:05:01 PM");
    EXPECT_EQ(lateReasons, (std::vector<std::string>{"", late}));

    lockFree = false; // the next day tarnwell-cli runs over the time: tried at every tick
    tickEverySecond(at(13, 5, 1, 13), 2, "1:05:01 PM");
    lockFree = true;
    tickEverySecond(at(13, 5, 3, 13), 2, "1:05:01 PM");
    EXPECT_EQ(lateReasons.size(), 5u);
    EXPECT_EQ(lateReasons.back(), "started late: another backup or drive command held Config.dat");
}

TEST_F(SchedulerTest, TwoTicksInTheBackupSecondStartOneBackup)
{
    tick(at(13, 5, 0), "1:05:00 PM");
    tick(at(13, 5, 0), "1:05:00 PM");
    tick(at(13, 5, 1), "1:05:00 PM");
    EXPECT_EQ(starts.size(), 1u);
}

TEST_F(SchedulerTest, NewTimeCountsFromTheNextTick)
{
    tick(at(13, 4, 59), "");
    tick(at(13, 5, 0), "1:05:00 PM");
    EXPECT_EQ(starts.size(), 1u);
}

TEST_F(SchedulerTest, FailureIsReportedAndTheNextDayRunsNormally)
{
    onStart = [] { throw RuntimeError(ErrorNumber::DeviceUnavailable); };
    tick(at(13, 5, 0), "1:05:00 PM");
    EXPECT_EQ(messageBox.texts(),
              std::vector<std::string>{"68 Device unavailable in ctrTimer_Timer"});
    EXPECT_EQ(messageBox.messages[0].title, "Tarnwell");
    EXPECT_FALSE(scheduler.busy());
    onStart = nullptr;
    tick(at(13, 5, 0, 13), "1:05:00 PM");
    EXPECT_EQ(starts.size(), 2u);
}

// A PC left alone: a full disk fails pair 2 at the daily time, and no one is there to click.
TEST(UnattendedRunTest, AFailureWaitsForNoClickAndCostsNoLaterDailyBackup)
{
    test::TestWorld world;
    test::MemoryLogFile logFile(world.fileSystem);
    RunLog runLog(logFile, world.clock);
    Services services = world.services;
    services.runLog = &runLog;
    world.fileSystem.addFile("C:\\Data\\a.txt", "alpha");
    world.fileSystem.addFile("C:\\Other\\b.txt", "beta");
    FolderPairs pairs;
    pairs.sources[0] = "C:\\Data";
    pairs.targets[0] = "C:\\Backup";
    pairs.sources[1] = "C:\\Other";
    pairs.targets[1] = "C:\\Backup";
    saveFolderPairsAndTime(world.fileSystem, world.codePage, pairs, "1:05:00 PM");
    world.fileSystem.failOn(test::MemoryFileSystem::Operation::MakeDirectory, "C:\\Backup\\Other",
                            ErrorNumber::DiskFull, 1);
    test::RecordingStatusBox status;
    std::vector<UnattendedResult> results;
    Scheduler scheduler(world.messageBox, [&](const std::string& lateReason) {
        results.push_back(
            runUnattendedBackup(services, status, "the daily time " + lateReason, false));
        return true;
    });

    world.clock.current = {2026, 12, 7, 13, 5, 0};
    scheduler.tick(world.clock.current, "1:05:00 PM");
    const std::string message =
        "61 Disk full in Function StartBackup, debugline 0 strSource: C:\\Other";
    EXPECT_TRUE(world.messageBox.messages.empty()) << "nothing waits for a click";
    EXPECT_EQ(world.fileSystem.contentOf("C:\\Backup\\Data\\a.txt"), "alpha");
    EXPECT_EQ(status.text(), "Error! , 61 Disk full (C:\\Other C:\\Backup\r\n" + message);
    EXPECT_NE(logFile.content(kRunLogName).find("Message: " + message), std::string::npos);
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].outcome, BackupOutcome::Error);
    EXPECT_NE(results[0].firstProblem.find("C:\\Other"), std::string::npos);

    // The next day the Backup button's run still holds Config.dat over the daily time (its
    // message box open, say): the daily backup follows it, and the log says why it is late.
    {
        Scheduler::Hold buttonRun(scheduler);
        world.clock.current.day = 8;
        scheduler.tick(world.clock.current, "1:05:00 PM");
        EXPECT_EQ(results.size(), 1u);
    }
    world.clock.current.second = 1;
    scheduler.tick(world.clock.current, "1:05:00 PM");
    ASSERT_EQ(results.size(), 2u);
    EXPECT_EQ(results[1].outcome, BackupOutcome::Complete);
    EXPECT_EQ(world.fileSystem.contentOf("C:\\Backup\\Other\\b.txt"), "beta");
    EXPECT_NE(logFile.content(kRunLogName)
                  .find("=== 2026-12-08 13:05:01 backup, started by the daily time started late: "
                        "the clock passed 1:05:00 PM while another command ran\n"),
              std::string::npos);
}

} // namespace
} // namespace tarnwell
