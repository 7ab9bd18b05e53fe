#include "config/settings.h"
#include "drives/drivecommands.h"
#include "platform/error.h"
#include "support/testworld.h"

#include <gtest/gtest.h>

namespace tarnwell {
namespace {

using test::MemoryFileSystem;
using test::MemoryNetwork;

struct DriveCommandsTest : ::testing::Test
{
    DriveCommandsTest()
    {
        for (const char* share : {"\\\\nas\\photos", "\\\\nas\\music", "\\\\nas\\docs"})
            world.network.addShare(share);
        status.setText("Backups Complete at 1:05:00 PM, on 6/1/2024");
        status.history.clear();
    }

    // Row k (1 to 10) of the saved drive table.
    void setRow(int k, DriveRow row) { table[k - 1] = std::move(row); }
    void save() { saveDriveTable(world.fileSystem, world.codePage, table); }

    DrivePassResult mapAll() { return cmdMapDrives_Click(world.services, status, log); }
    DrivePassResult disconnectAll()
    {
        return cmdDisconnectDrives_Click(world.services, status, log);
    }

    std::vector<MemoryNetwork::Call> callsOf(const std::string& function) const
    {
        std::vector<MemoryNetwork::Call> found;
        for (const MemoryNetwork::Call& call : world.network.calls()) {
            if (call.function == function)
                found.push_back(call);
        }
        return found;
    }

    test::TestWorld world;
    test::RecordingStatusBox status;
    std::string log = "old report\r\n";
    DriveTable table;
};

TEST_F(DriveCommandsTest, NoConfiguredRowEmptiesTheStatusBox)
{
    setRow(3, {"\\\\nas\\photos", "", "anna", "pw"}); // no drive: not configured
    save();
    for (auto command : {&DriveCommandsTest::mapAll, &DriveCommandsTest::disconnectAll}) {
        status.setText("something");
        const DrivePassResult result = (this->*command)();
        EXPECT_TRUE(result.completed);
        EXPECT_FALSE(result.anyRowFailed);
        EXPECT_EQ(log, "");
        EXPECT_EQ(status.text(), "");
        ASSERT_FALSE(status.repainted.empty());
        EXPECT_EQ(status.repainted.back(), "");
    }
    EXPECT_TRUE(world.network.calls().empty());
    EXPECT_TRUE(world.messageBox.messages.empty());
}

TEST_F(DriveCommandsTest, MissingDataFileEndsBothCommandsWithTheirSuffix)
{
    const std::string before = status.text();
    const DrivePassResult mapped = mapAll();
    const DrivePassResult cancelled = disconnectAll();
    EXPECT_FALSE(mapped.completed);
    EXPECT_FALSE(cancelled.completed);
    const std::vector<std::string> expected = {
        errorReport(RuntimeError(ErrorNumber::FileNotFound), " in cmdMapDrives_Click"),
        errorReport(RuntimeError(ErrorNumber::FileNotFound), " in cmdDisconnectDrives_Click"),
    };
    EXPECT_EQ(world.messageBox.texts(), expected);
    EXPECT_EQ(expected[0], "53 File not found in cmdMapDrives_Click");
    EXPECT_EQ(world.messageBox.messages[0].title, kProgramTitle);
    EXPECT_EQ(status.text(), before);
    EXPECT_TRUE(status.history.empty());
    EXPECT_TRUE(status.repainted.empty());
    EXPECT_EQ(log, "old report\r\n") << "the report is emptied only after the table is read";
    EXPECT_TRUE(world.network.calls().empty());
}

TEST_F(DriveCommandsTest, MapAllReportsEveryKindOfRowInOrderWithExactTexts)
{
    world.fileSystem.addFile("\\\\nas\\photos\\2024\\beach.jpg", "jpeg");
    setRow(10, {"\\\\nas\\photos", "P", "anna", "s3cret"}); // last row comes last
    setRow(1, {"\\\\nas\\music", "M", "", ""});             // no credentials
    setRow(2, {"\\\\nas\\docs", "C", "anna", "s3cret"});    // a local disk
    setRow(4, {"", "E", "bob", "pw"});                      // no UNC path
    setRow(7, {"\\\\nas\\docs", "D", "bob", "bad"});        // refused
    world.network.refuseConnect("D:", MemoryNetwork::kInvalidPassword);
    save();

    const DrivePassResult result = mapAll();
    const std::string expected =
        "M: drive was mapped successfully.  \r\n"
        "C: was already mapped.  \r\n"
        "Mapping of  to E failed!  67 The network name cannot be found.\r\n"
        "Mapping of \\\\nas\\docs to D failed!  86 The specified network "
        "password is not correct.\r\n"
        "P: drive was mapped successfully.  \r\n";
    EXPECT_EQ(log, expected);
    EXPECT_EQ(status.text(), expected);
    EXPECT_EQ(status.repainted, std::vector<std::string>{expected});
    EXPECT_TRUE(result.completed);
    EXPECT_TRUE(result.anyRowFailed);
    EXPECT_TRUE(world.messageBox.messages.empty());
    EXPECT_EQ(world.fileSystem.contentOf("P:\\2024\\beach.jpg"), "jpeg");

    // What the networking layer was asked, row by row; the present C: is never connected.
    const std::vector<MemoryNetwork::Call> calls = callsOf("connect");
    ASSERT_EQ(calls.size(), 4u);
    const std::vector<std::vector<std::string>> arguments = {
        {"M:", "\\\\nas\\music", "", ""},
        {"E:", "", "bob", "pw"},
        {"D:", "\\\\nas\\docs", "bob", "bad"},
        {"P:", "\\\\nas\\photos", "anna", "s3cret"},
    };
    for (std::size_t i = 0; i < calls.size(); ++i) {
        EXPECT_EQ((std::vector<std::string>{calls[i].localName, calls[i].remoteName,
                                            calls[i].userName, calls[i].password}),
                  arguments[i]);
        EXPECT_TRUE(calls[i].remember) << calls[i].localName;
    }
    EXPECT_EQ(world.network.remembered().size(), 2u);
}

TEST_F(DriveCommandsTest, FailedMappingKeepsThePlatformsNumberAndText)
{
    setRow(1, {"\\\\nas\\docs", "D", "anna", "pw"});
    save();
    for (const int number :
         {MemoryNetwork::kSessionCredentialConflict, MemoryNetwork::kLogonFailure,
          MemoryNetwork::kAlreadyAssigned, MemoryNetwork::kBadNetPath}) {
        world.network.refuseConnect("D:", number, 1);
        status.details.clear();
        mapAll();
        const std::string line = "Mapping of \\\\nas\\docs to D failed!  " +
                                 std::to_string(number) + " " + world.network.errorText(number);
        EXPECT_EQ(log, line + "\r\n") << number;
        EXPECT_EQ(status.details, std::vector<std::string>{line});
    }
}

TEST_F(DriveCommandsTest, MapAllTwiceFindsTheDrivesAlreadyMapped)
{
    setRow(1, {"\\\\nas\\music", "M", "", ""}); // an empty share: present once connected
    setRow(2, {"\\\\nas\\photos", "P", "", ""});
    save();
    mapAll();
    EXPECT_EQ(log,
              "M: drive was mapped successfully.  \r\nP: drive was mapped successfully.  \r\n");
    const DrivePassResult second = mapAll();
    EXPECT_EQ(log, "M: was already mapped.  \r\nP: was already mapped.  \r\n");
    EXPECT_EQ(status.text(), log);
    EXPECT_FALSE(second.anyRowFailed);
    EXPECT_EQ(callsOf("connect").size(), 2u) << "nothing is connected a second time";
}

TEST_F(DriveCommandsTest, DriveOnAnotherShareCountsAsAlreadyMapped)
{
    ASSERT_EQ(world.network.connect("M:", "\\\\nas\\docs", "", "", true), 0);
    setRow(1, {"\\\\nas\\music", "M", "", ""});
    save();
    mapAll();
    EXPECT_EQ(log, "M: was already mapped.  \r\n");
    EXPECT_EQ(world.network.connections().at("M:"), "\\\\nas\\docs");
    EXPECT_EQ(callsOf("connect").size(), 1u);
}

TEST_F(DriveCommandsTest, DisconnectAllReportsEveryKindOfRowInOrderWithExactTexts)
{
    ASSERT_EQ(world.network.connect("M:", "\\\\nas\\music", "", "", true), 0);
    ASSERT_EQ(world.network.connect("P:", "\\\\nas\\photos", "", "", true), 0);
    ASSERT_EQ(world.network.connect("D:", "\\\\nas\\docs", "", "", true), 0);
    world.network.refuseCancel("D:", 2401); // files are open on it
    setRow(1, {"\\\\nas\\music", "M", "anna", "s3cret"});
    setRow(2, {"\\\\nas\\docs", "Q", "", ""}); // never connected
    setRow(3, {"", "C", "", ""});              // a local disk
    setRow(5, {"\\\\nas\\docs", "D", "", ""});
    setRow(10, {"\\\\nas\\photos", "P", "", ""});
    save();

    const DrivePassResult result = disconnectAll();
    const std::string expected = "M: Disconnected.\r\n"
                                 "Q was not connected.\r\n"
                                 "C: FAILED to disconnect! 2250\r\n"
                                 "D: FAILED to disconnect! 2401\r\n"
                                 "P: Disconnected.\r\n";
    EXPECT_EQ(log, expected);
    EXPECT_EQ(status.text(), expected);
    EXPECT_EQ(status.repainted, std::vector<std::string>{expected});
    EXPECT_TRUE(result.completed);
    EXPECT_TRUE(result.anyRowFailed);

    const std::vector<MemoryNetwork::Call> calls = callsOf("cancel");
    ASSERT_EQ(calls.size(), 4u);
    const std::vector<std::string> names = {"M:", "C:", "D:", "P:"};
    for (std::size_t i = 0; i < calls.size(); ++i) {
        EXPECT_EQ(calls[i].localName, names[i]);
        EXPECT_TRUE(calls[i].remember) << "forget flag of " << names[i];
        EXPECT_FALSE(calls[i].force) << names[i];
    }
    EXPECT_TRUE(world.fileSystem.hasDrive('D')) << "a refused cancel leaves the drive";
    EXPECT_FALSE(world.fileSystem.hasDrive('M'));
    EXPECT_EQ(world.network.remembered().size(), 1u);
}

TEST_F(DriveCommandsTest, EachRowOfDisconnectAllStartsWithAnEmptyErrorText)
{
    ASSERT_EQ(world.network.connect("M:", "\\\\nas\\music", "", "", true), 0);
    ASSERT_EQ(world.network.connect("P:", "\\\\nas\\photos", "", "", true), 0);
    world.network.refuseCancel("M:", 2401);
    world.network.raiseOnNextCall("P:", 453); // P: sets neither flag nor text
    setRow(1, {"\\\\nas\\music", "M", "", ""});
    setRow(2, {"\\\\nas\\photos", "P", "", ""});
    save();
    disconnectAll();
    EXPECT_EQ(log, "M: FAILED to disconnect! 2401\r\nP: FAILED to disconnect! \r\n");
    EXPECT_EQ(world.messageBox.texts(), std::vector<std::string>{errorReport(
                                            RuntimeError(453), " in Sub cmdDisconnect_Click")});
}

TEST_F(DriveCommandsTest, ColonAndBackslashFormsNameTheSameDrive)
{
    setRow(1, {"\\\\nas\\music", "M:", "", ""});
    setRow(2, {"\\\\nas\\photos", "p:\\", "", ""});
    save();
    mapAll();
    EXPECT_EQ(log,
              "M: drive was mapped successfully.  \r\np: drive was mapped successfully.  \r\n");
    EXPECT_EQ(callsOf("connect")[0].localName, "M:");
    EXPECT_EQ(callsOf("connect")[1].localName, "p:");
    for (const std::string& probe : world.fileSystem.probes())
        EXPECT_TRUE(probe == "M:\\" || probe == "P:\\") << probe;

    mapAll();
    EXPECT_EQ(log, "M: was already mapped.  \r\np: was already mapped.  \r\n");

    disconnectAll();
    EXPECT_EQ(log, "M: Disconnected.\r\np: Disconnected.\r\n");
    EXPECT_EQ(callsOf("cancel")[0].localName, "M:");
    EXPECT_EQ(callsOf("cancel")[1].localName, "p:");
    EXPECT_FALSE(world.fileSystem.hasDrive('M'));
    EXPECT_FALSE(world.fileSystem.hasDrive('P'));
    EXPECT_TRUE(world.network.remembered().empty());
}

TEST_F(DriveCommandsTest, TextThatNamesNoDriveIsNeverConnected)
{
    setRow(1, {"\\\\nas\\music", "M7", "", ""});
    save();
    mapAll();
    EXPECT_EQ(log, "Mapping of \\\\nas\\music to M7 failed!  \r\n");
    disconnectAll();
    EXPECT_EQ(log, "M7 was not connected.\r\n");
    EXPECT_TRUE(world.network.calls().empty());
}

TEST_F(DriveCommandsTest, ProbeFailureEndsThePassUnseen)
{
    world.fileSystem.addDrive('F');
    world.fileSystem.failOn(MemoryFileSystem::Operation::Probe, "F:\\", ErrorNumber::DiskNotReady);
    setRow(1, {"\\\\nas\\music", "M", "", ""});
    setRow(2, {"\\\\nas\\docs", "F", "", ""});
    setRow(3, {"\\\\nas\\photos", "P", "", ""});
    save();
    const std::string before = status.text();

    const DrivePassResult result = mapAll();
    EXPECT_FALSE(result.completed);
    EXPECT_EQ(world.messageBox.texts(),
              std::vector<std::string>{
                  errorReport(RuntimeError(ErrorNumber::DiskNotReady), " in cmdMapDrives_Click")});
    EXPECT_EQ(log, "M: drive was mapped successfully.  \r\n") << "lines so far stay, unseen";
    EXPECT_EQ(status.text(), before);
    EXPECT_FALSE(world.fileSystem.hasDrive('P')) << "rows after the failure are not handled";

    world.messageBox.messages.clear();
    EXPECT_FALSE(disconnectAll().completed);
    EXPECT_EQ(world.messageBox.texts(),
              std::vector<std::string>{errorReport(RuntimeError(ErrorNumber::DiskNotReady),
                                                   " in cmdDisconnectDrives_Click")});
    EXPECT_EQ(log, "M: Disconnected.\r\n");
    EXPECT_EQ(status.text(), before);
}

TEST_F(DriveCommandsTest, ErrorInsideMapDriveIsReportedThereAndThePassGoesOn)
{
    setRow(1, {"\\\\nas\\music", "M", "", ""});
    setRow(2, {"\\\\nas\\photos", "P", "", ""});
    save();
    world.network.raiseOnNextCall("M:", 48);
    const DrivePassResult result = mapAll();
    EXPECT_TRUE(result.completed);
    EXPECT_TRUE(result.anyRowFailed);
    EXPECT_EQ(world.messageBox.texts(), std::vector<std::string>{errorReport(
                                            RuntimeError(48), " in Public Function MapDrive")});
    EXPECT_EQ(log, "Mapping of \\\\nas\\music to M failed!  \r\n" // no answer, no reason
                   "P: drive was mapped successfully.  \r\n");
    EXPECT_EQ(status.text(), log);
}

} // namespace
} // namespace tarnwell
