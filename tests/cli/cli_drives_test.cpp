#include "backup/backupworld.h"
#include "cli/cli.h"
#include "support/memorynetwork.h"

#include <gtest/gtest.h>
#include <sstream>

namespace tarnwell {
namespace {

using test::MemoryNetwork;

// The drive commands print their report and exit by how the rows went.
class CliDrivesTest : public ::testing::Test
{
protected:
    CliDrivesTest()
    {
        world.network.addShare("\\\\srv\\backup");
        world.setDrive(3, {"\\\\srv\\backup", "X", "ann", "secret"});
    }

    int run(const std::string& command)
    {
        out.str("");
        err.str("");
        CliPlatform platform{world.fileSystem, world.network, world.clock, world.codePage,
                             [](const std::string&) { return true; }};
        return runCli({command}, platform, out, err, false);
    }

    test::BackupWorld world;
    std::ostringstream out;
    std::ostringstream err;
};

TEST_F(CliDrivesTest, MapThenMapAgainThenDisconnect)
{
    world.writeConfig();
    EXPECT_EQ(run("map-drives"), 0);
    EXPECT_EQ(out.str(), "X: drive was mapped successfully.  \n");
    EXPECT_EQ(run("map-drives"), 0);
    EXPECT_EQ(out.str(), "X: was already mapped.  \n");
    EXPECT_EQ(run("disconnect-drives"), 0);
    EXPECT_EQ(out.str(), "X: Disconnected.\n");
    EXPECT_EQ(err.str(), "");
    EXPECT_TRUE(world.network.connections().empty());
}

TEST_F(CliDrivesTest, FailedRowsExitWithOne)
{
    world.setDrive(5, {"\\\\srv\\gone", "Y", "", ""});
    world.writeConfig();
    EXPECT_EQ(run("map-drives"), 1);
    const std::string failed =
        "Mapping of \\\\srv\\gone to Y failed!  67 The network name cannot be found.";
    EXPECT_EQ(out.str(), "X: drive was mapped successfully.  \n" + failed + "\n");
    EXPECT_EQ(err.str(), "Tarnwell: " + failed + "\n");

    world.network.refuseCancel("X:", 2401);
    EXPECT_EQ(run("disconnect-drives"), 1);
    EXPECT_EQ(out.str(), "X: FAILED to disconnect! 2401\n"
                         "Y was not connected.\n");
}

TEST_F(CliDrivesTest, MissingConfigurationCannotRun)
{
    EXPECT_EQ(run("map-drives"), 2);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(err.str(), "Tarnwell: 53 File not found in cmdMapDrives_Click\n");
    EXPECT_EQ(run("disconnect-drives"), 2);
    EXPECT_EQ(err.str(), "Tarnwell: 53 File not found in cmdDisconnectDrives_Click\n");
    EXPECT_TRUE(world.network.calls().empty());
}

} // namespace
} // namespace tarnwell
