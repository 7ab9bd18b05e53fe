#include "drives/driveprobe.h"
#include "platform/error.h"
#include "support/testworld.h"

#include <gtest/gtest.h>

namespace tarnwell {
namespace {

using test::MemoryFileSystem;

TEST(DriveLetterText, EveryWayOfWritingADriveGivesItsLetter)
{
    for (const char* text : {"X", "x", "X:", "x:", "X:\\", "x:/"})
        EXPECT_EQ(driveLetterText(text), "X") << text;
}

TEST(DriveLetterText, TextsThatNameNoDriveGiveNothing)
{
    for (const char* text : {"", "1", ":", "XY", "X::", "X:\\Data", " X", "X ", "\\\\srv\\share"})
        EXPECT_EQ(driveLetterText(text), "") << '"' << text << '"';
}

struct DrivePresentTest : ::testing::Test
{
    test::TestWorld world;
};

TEST_F(DrivePresentTest, ConnectedDriveIsPresentEvenWhenItsRootIsEmpty)
{
    world.network.addShare("\\\\nas\\empty");
    EXPECT_FALSE(drivePresent(world.fileSystem, "X"));
    ASSERT_EQ(world.network.connect("X:", "\\\\nas\\empty", "", "", true), 0);
    EXPECT_TRUE(drivePresent(world.fileSystem, "X"));
    EXPECT_TRUE(drivePresent(world.fileSystem, "C")) << "a local disk is present too";
}

TEST_F(DrivePresentTest, ProbesTheRootOfTheLetterWhateverTheForm)
{
    world.fileSystem.addDrive('E');
    for (const char* form : {"E", "e", "E:", "e:\\"}) {
        world.fileSystem.clearRecords();
        EXPECT_TRUE(drivePresent(world.fileSystem, form)) << form;
        EXPECT_EQ(world.fileSystem.probes(), std::vector<std::string>{"E:\\"}) << form;
    }
}

TEST_F(DrivePresentTest, TextThatNamesNoDriveIsAbsentWithoutAProbe)
{
    EXPECT_FALSE(drivePresent(world.fileSystem, "C:\\Windows"));
    EXPECT_FALSE(drivePresent(world.fileSystem, ""));
    EXPECT_TRUE(world.fileSystem.probes().empty());
}

TEST_F(DrivePresentTest, ProbeFailureReachesTheCaller)
{
    world.fileSystem.addDrive('F');
    world.fileSystem.failOn(MemoryFileSystem::Operation::Probe, "F:\\", ErrorNumber::DiskNotReady);
    try {
        drivePresent(world.fileSystem, "F");
        FAIL() << "the failure was swallowed";
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.number(), ErrorNumber::DiskNotReady);
    }
}

// Drive letters do not exist on POSIX, even where a file named like a drive root does.
struct PosixStyleFileSystem : MemoryFileSystem
{
    PathStyle pathStyle() const override { return PathStyle::Posix; }
};

TEST(DrivePresentOnPosix, NoDriveIsEverPresent)
{
    PosixStyleFileSystem fileSystem;
    EXPECT_FALSE(drivePresent(fileSystem, "C"));
    EXPECT_TRUE(fileSystem.probes().empty());
}

} // namespace
} // namespace tarnwell
