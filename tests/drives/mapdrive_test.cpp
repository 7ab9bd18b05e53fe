#include "drives/mapdrive.h"
#include "platform/error.h"
#include "support/testworld.h"

#include <gtest/gtest.h>

namespace tarnwell {
namespace {

using test::MemoryNetwork;

struct MapDriveTest : ::testing::Test
{
    MapDriveTest() { world.network.addShare("\\\\nas\\photos"); }

    test::TestWorld world;
};

TEST_F(MapDriveTest, ConnectsTheFirstLetterRememberedWithTheArgumentsAsGiven)
{
    for (const char* form : {"X", "X:", "X:\\"}) {
        test::TestWorld fresh;
        fresh.network.addShare("\\\\nas\\photos");
        EXPECT_TRUE(MapDrive(fresh.services, form, "\\\\nas\\photos", "anna", "s3cret")) << form;
        ASSERT_EQ(fresh.network.calls().size(), 1u) << form;
        const MemoryNetwork::Call& call = fresh.network.calls()[0];
        EXPECT_EQ(call.function, "connect");
        EXPECT_EQ(call.localName, "X:") << form;
        EXPECT_EQ(call.remoteName, "\\\\nas\\photos");
        EXPECT_EQ(call.userName, "anna");
        EXPECT_EQ(call.password, "s3cret");
        EXPECT_TRUE(call.remember);
        EXPECT_EQ(fresh.network.remembered().at("X:"), "\\\\nas\\photos");
        EXPECT_TRUE(fresh.fileSystem.hasDrive('X'));
        EXPECT_TRUE(fresh.messageBox.messages.empty());
    }
}

TEST_F(MapDriveTest, RefusalGivesFalseAndShowsNothing)
{
    world.network.refuseConnect("X:", MemoryNetwork::kInvalidPassword);
    EXPECT_FALSE(MapDrive(world.services, "X", "\\\\nas\\photos", "anna", "wrong"));
    EXPECT_FALSE(MapDrive(world.services, "Y", "\\\\nas\\nothing", "", ""));
    EXPECT_FALSE(MapDrive(world.services, "C", "\\\\nas\\photos", "", "")) << "letter in use";
    EXPECT_FALSE(world.fileSystem.hasDrive('X'));
    EXPECT_FALSE(world.fileSystem.hasDrive('Y'));
    EXPECT_TRUE(world.messageBox.messages.empty());
}

TEST_F(MapDriveTest, RunTimeErrorIsReportedWithoutThePassword)
{
    world.network.raiseOnNextCall("X:", 48);
    EXPECT_FALSE(MapDrive(world.services, "X", "\\\\nas\\photos", "anna", "s3cret"));
    ASSERT_EQ(world.messageBox.messages.size(), 1u);
    const test::RecordedMessage& message = world.messageBox.messages[0];
    EXPECT_EQ(message.text, errorReport(RuntimeError(48), " in Public Function MapDrive"));
    EXPECT_EQ(message.title, kProgramTitle);
    EXPECT_EQ(message.icon, MessageIcon::None);
    EXPECT_EQ(message.text.find("s3cret"), std::string::npos);
}

struct DisconnectTest : MapDriveTest
{
    DisconnectTest() { EXPECT_EQ(world.network.connect("X:", "\\\\nas\\photos", "", "", true), 0); }

    std::string drive = "X";
    std::int16_t success = 7; // neither -1 nor 0, to see whether it was set
    std::string errorText = "left over";
};

TEST_F(DisconnectTest, SuccessForgetsTheDriveWithoutForceAndKeepsTheErrorText)
{
    cmdDisconnect_Click(world.services, drive, success, errorText);
    EXPECT_EQ(success, -1);
    EXPECT_EQ(drive, "X:");
    EXPECT_EQ(errorText, "left over");
    const MemoryNetwork::Call& call = world.network.calls().back();
    EXPECT_EQ(call.function, "cancel");
    EXPECT_EQ(call.localName, "X:");
    EXPECT_TRUE(call.remember) << "forget the remembered connection";
    EXPECT_FALSE(call.force);
    EXPECT_FALSE(world.fileSystem.hasDrive('X'));
    EXPECT_TRUE(world.network.remembered().empty());
}

TEST_F(DisconnectTest, RefusalGivesThePlatformNumberAndLeavesTheDrive)
{
    world.network.refuseCancel("X:", 2401); // files are open
    cmdDisconnect_Click(world.services, drive, success, errorText);
    EXPECT_EQ(success, 0);
    EXPECT_EQ(errorText, "2401");
    EXPECT_TRUE(world.fileSystem.hasDrive('X'));
    EXPECT_FALSE(world.network.calls().back().force);

    std::string local = "C";
    cmdDisconnect_Click(world.services, local, success, errorText);
    EXPECT_EQ(errorText, std::to_string(MemoryNetwork::kNotConnected)) << "a local disk";
    EXPECT_TRUE(world.fileSystem.hasDrive('C'));
}

TEST_F(DisconnectTest, DriveTextWithItsColonAsksForTwoColons)
{
    drive = "X:";
    cmdDisconnect_Click(world.services, drive, success, errorText);
    EXPECT_EQ(drive, "X::");
    EXPECT_EQ(world.network.calls().back().localName, "X::");
    EXPECT_EQ(success, 0);
    EXPECT_EQ(errorText, std::to_string(MemoryNetwork::kNotConnected));
    EXPECT_TRUE(world.fileSystem.hasDrive('X'));
}

TEST_F(DisconnectTest, RunTimeErrorKeepsTheCallersFlagAndText)
{
    world.network.raiseOnNextCall("X:", 453);
    cmdDisconnect_Click(world.services, drive, success, errorText);
    EXPECT_EQ(world.messageBox.texts(), std::vector<std::string>{errorReport(
                                            RuntimeError(453), " in Sub cmdDisconnect_Click")});
    EXPECT_EQ(success, 7);
    EXPECT_EQ(errorText, "left over");
    EXPECT_EQ(drive, "X:");
}

} // namespace
} // namespace tarnwell
