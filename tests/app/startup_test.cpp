#include "app/globalvariables.h"
#include "app/startup.h"
#include "config/settings.h"
#include "support/testworld.h"

#include <gtest/gtest.h>

namespace tarnwell {
namespace {

class StartupTest : public ::testing::Test
{
protected:
    void SetUp() override { mdlGlobalVariables::strBackupTime = "stale"; }
    void TearDown() override { mdlGlobalVariables::strBackupTime.clear(); }

    void saveTime(const std::string& time)
    {
        saveFolderPairsAndTime(world.fileSystem, world.codePage, FolderPairs{}, time);
    }
    // Runs the load step and says which actions ran, in order, and when the time was read.
    std::string load(const std::string& arguments)
    {
        std::string ran;
        StartupActions actions;
        actions.backup = [&] { ran += "backup(" + mdlGlobalVariables::strBackupTime + ")"; };
        actions.mapDrives = [&] { ran += "mapdrives(" + mdlGlobalVariables::strBackupTime + ")"; };
        runFormLoad(world.services, arguments, actions);
        return ran;
    }

    test::TestWorld world;
};

TEST_F(StartupTest, ArgumentsAreJoinedWithBlanks)
{
    EXPECT_EQ(argumentText({}), "");
    EXPECT_EQ(argumentText({"auto"}), "auto");
    EXPECT_EQ(argumentText({"auto", "mapdrives"}), "auto mapdrives");
    EXPECT_EQ(argumentText({"auto "}), "auto ");
}

TEST_F(StartupTest, OnlyTheExactWordsRunAnActionBeforeTheTimeIsRead)
{
    saveTime("1:05:00 PM");
    EXPECT_EQ(load("auto"), "backup(stale)");
    EXPECT_EQ(mdlGlobalVariables::strBackupTime, "1:05:00 PM");
    mdlGlobalVariables::strBackupTime = "stale";
    EXPECT_EQ(load("mapdrives"), "mapdrives(stale)");
    for (const char* ignored : {"", "AUTO", "Auto", "auto ", " auto", "auto mapdrives", "x"})
        EXPECT_EQ(load(ignored), "") << '"' << ignored << '"';
    EXPECT_TRUE(world.messageBox.messages.empty());
    EXPECT_EQ(mdlGlobalVariables::strBackupTime, "1:05:00 PM");
}

TEST_F(StartupTest, BackupTimeLosesSurroundingBlanksOnly)
{
    saveTime(" 1:00:00 AM ");
    load("");
    EXPECT_EQ(mdlGlobalVariables::strBackupTime, "1:00:00 AM");
    saveTime("");
    load("");
    EXPECT_EQ(mdlGlobalVariables::strBackupTime, "");
}

TEST_F(StartupTest, MissingDataFileIsReportedOnceAfterTheAction)
{
    EXPECT_EQ(load("auto"), "backup(stale)");
    ASSERT_EQ(world.messageBox.messages.size(), 1u);
    EXPECT_EQ(world.messageBox.messages[0].text, "53 File not found in Form_Load");
    EXPECT_EQ(world.messageBox.messages[0].title, "Tarnwell");
    EXPECT_EQ(mdlGlobalVariables::strBackupTime, "stale") << "a failed read changes nothing";
}

TEST_F(StartupTest, DamagedRecordIsReportedWithItsNumber)
{
    std::string file(21 * 255, '\0');
    file[20 * 255] = static_cast<char>(0xff);
    world.fileSystem.addFile("C:\\Work\\Config.dat", file);
    load("");
    ASSERT_EQ(
        world.messageBox.texts(),
        std::vector<std::string>{"59 Bad record length (record 21, the backup time) in Form_Load"});
}

} // namespace
} // namespace tarnwell
