#include "backup/backupworld.h"
#include "backup/startbackup.h"

#include <gtest/gtest.h>

namespace tarnwell {
namespace {

// The pair's drive row comes into play only when its folders cannot be found.
class StartBackupMappingTest : public ::testing::Test
{
protected:
    StartBackupMappingTest() { world.network.addShare("\\\\srv\\backup"); }

    void run()
    {
        messages.clear();
        errors = 0;
        report = {};
        world.writeConfig();
        StartBackup(world.services, messages, errors, report);
    }
    std::vector<std::string> connectedNames() const
    {
        std::vector<std::string> names;
        for (const auto& call : world.network.calls()) {
            if (call.function == "connect")
                names.push_back(call.localName);
        }
        return names;
    }

    test::BackupWorld world;
    std::string messages;
    std::int16_t errors = 0;
    BackupRunReport report;
};

TEST_F(StartBackupMappingTest, MissingTargetMapsThePairsOwnRowThenCopies)
{
    world.fileSystem.addShare("\\\\srv\\other");
    world.setDrive(1, {"\\\\srv\\other", "Y", "", ""});
    world.setDrive(2, {"\\\\srv\\backup", "X", "ann", "secret"});
    world.setPair(2, "C:\\Data\\Docs", "X:\\Daily");
    run();
    EXPECT_EQ(messages, "");
    EXPECT_EQ(errors, 0);
    ASSERT_EQ(world.network.calls().size(), 1u) << "only row 2 belongs to pair 2";
    const auto& call = world.network.calls()[0];
    EXPECT_EQ(call.localName, "X:");
    EXPECT_EQ(call.remoteName, "\\\\srv\\backup");
    EXPECT_EQ(call.userName, "ann");
    EXPECT_EQ(call.password, "secret");
    EXPECT_EQ(world.fileSystem.contentOf("\\\\srv\\backup\\Daily\\Docs\\a.txt"), "alpha");
    EXPECT_TRUE(report.unmappedShares.empty());
}

TEST_F(StartBackupMappingTest, NoMappingWhenBothFoldersExistOrTheSourceIsMissing)
{
    world.setDrive(1, {"\\\\srv\\backup", "X", "", ""});
    world.setDrive(2, {"\\\\srv\\backup", "X", "", ""});
    world.setPair(1, "C:\\Data\\Docs", "D:\\Backup");
    world.setPair(2, "C:\\Nope", "X:\\Daily");
    run();
    EXPECT_TRUE(world.network.calls().empty());
    EXPECT_EQ(errors, 2) << "the missing source, then the target that was never made";
}

TEST_F(StartBackupMappingTest, RowWithEmptyDriveOrATextThatNamesNoDriveIsNeverMapped)
{
    world.setDrive(1, {"\\\\srv\\backup", "", "ann", "secret"});
    world.setPair(1, "C:\\Data\\Docs", "X:\\Daily");
    world.setDrive(2, {"\\\\srv\\music", "M7", "", ""});
    world.setPair(2, "C:\\Data\\Docs", "M:\\Daily");
    run();
    EXPECT_TRUE(world.network.calls().empty());
    EXPECT_EQ(report.unmappedShares, std::vector<std::string>{"\\\\srv\\music"})
        << "a text that names no drive is not there afterwards";
    EXPECT_EQ(messages.rfind(", Path not found (C:\\Data\\Docs X:\\Daily", 0), 0u) << messages;
}

TEST_F(StartBackupMappingTest, DriveThatStaysAbsentIsCollectedButNotCounted)
{
    world.setPair(1, "C:\\Data\\Docs", "X:\\Daily");
    world.setPair(2, "C:\\Data\\Docs", "Z:\\Daily");
    run();
    const std::string unmappedMessages = messages;
    const std::int16_t unmappedErrors = errors;

    world.setDrive(1, {"\\\\srv\\gone", "X", "", ""});
    world.setDrive(2, {"\\\\srv\\gone", "Z", "", ""});
    run();
    EXPECT_EQ(connectedNames(), (std::vector<std::string>{"X:", "Z:"}));
    EXPECT_EQ(messages, unmappedMessages) << "the failed mapping adds no fragment";
    EXPECT_EQ(errors, unmappedErrors);
    EXPECT_EQ(report.unmappedShares, std::vector<std::string>{"\\\\srv\\gone"})
        << "one share named once";
}

TEST_F(StartBackupMappingTest, AbsentDriveDoesNotStopACopyThatWorksWithoutIt)
{
    world.setDrive(1, {"\\\\srv\\gone", "X", "", ""});
    world.setPair(1, "C:\\Data\\Docs", "D:\\Backup\\New");
    run();
    EXPECT_EQ(connectedNames(), std::vector<std::string>{"X:"});
    EXPECT_EQ(report.unmappedShares, std::vector<std::string>{"\\\\srv\\gone"});
    EXPECT_EQ(errors, 0);
    EXPECT_EQ(world.fileSystem.contentOf("D:\\Backup\\New\\Docs\\a.txt"), "alpha");
}

TEST_F(StartBackupMappingTest, DriveEnteredWithColonIsFoundAfterMapping)
{
    world.setDrive(1, {"\\\\srv\\backup", "X:", "", ""});
    world.setPair(1, "C:\\Data\\Docs", "X:\\Daily");
    run();
    EXPECT_TRUE(report.unmappedShares.empty());
    EXPECT_EQ(errors, 0);
    EXPECT_EQ(world.fileSystem.contentOf("\\\\srv\\backup\\Daily\\Docs\\Sub\\b.txt"), "beta!");
}

} // namespace
} // namespace tarnwell
