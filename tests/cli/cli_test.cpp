#include "backup/backupworld.h"
#include "cli/cli.h"
#include "platform/error.h"
#include "support/memorylogfile.h"

#include <gtest/gtest.h>
#include <sstream>

namespace tarnwell {
namespace {

class CliTest : public ::testing::Test
{
protected:
    CliTest()
    {
        world.clock.current = {2008, 3, 12, 13, 5, 0};
        world.setPair(1, "C:\\Data\\Docs", "D:\\Backup");
    }

    int run(std::vector<std::string> args, bool terminal = false)
    {
        out.str("");
        err.str("");
        CliPlatform platform{world.fileSystem,
                             world.network,
                             world.clock,
                             world.codePage,
                             [this](const std::string& dir) {
                                 if (!world.fileSystem.isFolder(dir))
                                     return false;
                                 world.fileSystem.setCurrentDirectory(dir);
                                 return true;
                             },
                             logFile};
        return runCli(args, platform, out, err, terminal);
    }

    test::BackupWorld world;
    LogFile* logFile = nullptr;
    std::ostringstream out;
    std::ostringstream err;
};

TEST_F(CliTest, BackupPrintsTheOutcomeAndExitsByIt)
{
    world.writeConfig();
    EXPECT_EQ(run({"backup"}), 0);
    EXPECT_EQ(out.str(), "Backups Complete at 1:05:00 PM, on 3/12/2008\n");
    EXPECT_EQ(err.str(), "") << "no progress when the error stream is not a terminal";
    EXPECT_EQ(world.fileSystem.contentOf("D:\\Backup\\Docs\\a.txt"), "alpha");
    world.fileSystem.clearRecords();
    EXPECT_EQ(run({"backup", "--every-file"}), 0);
    EXPECT_EQ(world.fileSystem.changes().size(), 2u) << "both files copied again";

    world.setPair(2, "C:\\Nope", "D:\\Backup");
    world.writeConfig();
    EXPECT_EQ(run({"backup"}), 1);
    EXPECT_EQ(out.str(), "Error! , C:\\Nope is not a valid source)\n");
}

TEST_F(CliTest, BackupWithoutConfigurationCannotRun)
{
    EXPECT_EQ(run({"backup"}), 2);
    EXPECT_EQ(out.str(), "Error! \n");
    EXPECT_EQ(err.str(),
              "Tarnwell: 53 File not found in Function StartBackup, debugline 0 strSource: \n"
              "Tarnwell: cannot read Config.dat in C:\\Work: 53 File not found\n");
}

TEST_F(CliTest, ErrorStreamNamesEveryFailedEntryAndTheDamagedRecord)
{
    using Op = test::MemoryFileSystem::Operation;
    world.fileSystem.addFile("C:\\Data\\Docs\\c.txt", "gamma");
    world.fileSystem.failOn(Op::CopyFile, "D:\\Backup\\Docs\\a.txt", ErrorNumber::PathNotFound);
    world.fileSystem.failOn(Op::CopyFile, "D:\\Backup\\Docs\\c.txt", ErrorNumber::PathNotFound);
    world.fileSystem.failOn(Op::ListFolder, "C:\\Data\\Docs\\Sub", ErrorNumber::PathNotFound);
    world.writeConfig();
    EXPECT_EQ(run({"backup"}), 1);
    EXPECT_EQ(out.str(), "Error! , Path not found (C:\\Data\\Docs D:\\Backup\n");
    const std::string pair = " (C:\\Data\\Docs -> D:\\Backup)\n";
    EXPECT_EQ(err.str(), "Tarnwell: Pair 1: 76 Path not found: C:\\Data\\Docs\\Sub" + pair +
                             "Tarnwell: Pair 1: 76 Path not found: D:\\Backup\\Docs\\a.txt" + pair +
                             "Tarnwell: Pair 1: 76 Path not found: D:\\Backup\\Docs\\c.txt" + pair);

    std::string damaged = world.fileSystem.contentOf("C:\\Work\\Config.dat");
    damaged[64 * 255] = '\xff'; // record 65: a length no writer gives
    world.fileSystem.addFile("C:\\Work\\Config.dat", damaged);
    EXPECT_EQ(run({"backup"}), 2);
    const std::string bad = "59 Bad record length (record 65, the password of drive row 5)";
    EXPECT_EQ(err.str(), "Tarnwell: " + bad +
                             " in Function StartBackup, debugline 0 strSource: \n" +
                             "Tarnwell: cannot read Config.dat in C:\\Work: " + bad + "\n");
}

TEST_F(CliTest, ControlCharactersFromConfigAreEscapedSoEachLineStaysOne)
{
    const std::string forged = "C:\\x\x1b[2J\r\nBackups Complete";
    world.setPair(2, forged, "D:\\Backup");
    world.writeConfig();
    EXPECT_EQ(run({"backup"}), 1);
    EXPECT_EQ(out.str(),
              "Error! , C:\\x\\x1b[2J\\x0d\\x0aBackups Complete is not a valid source)\n");
    EXPECT_EQ(run({"show"}), 0);
    EXPECT_NE(out.str().find("   2  C:\\x\\x1b[2J\\x0d\\x0aBackups Complete  ->  D:\\Backup\n"),
              std::string::npos)
        << out.str();
}

TEST_F(CliTest, LogShowsTheLastRunsAndAFailingLogCostsOneLine)
{
    test::MemoryLogFile memoryLog(world.fileSystem);
    logFile = &memoryLog;
    world.writeConfig();
    EXPECT_EQ(run({"log"}), 0);
    EXPECT_EQ(out.str(), "No runs recorded in C:\\Work\n");
    for (int minute : {1, 2, 3}) {
        world.clock.current.minute = minute;
        EXPECT_EQ(run({"backup"}), 0);
    }
    EXPECT_EQ(run({"log", "-n", "2"}), 0);
    const std::string text = out.str();
    EXPECT_EQ(text.rfind("=== 2008-03-12 13:02:00 backup, started by tarnwell-cli\n", 0), 0u)
        << text;
    EXPECT_NE(text.find("=== 2008-03-12 13:03:00 backup"), std::string::npos);
    EXPECT_EQ(text.find("13:01:00"), std::string::npos);
    EXPECT_EQ(run({"log", "-n", "0"}), 2);

    // A refused run's block lies inside the running one's, which still shows whole.
    const std::string refused = "=== 2008-03-12 13:04:01 backup, started by tarnwell-cli\n"
                                "refused: another backup or drive command is running\n\n";
    const std::string live = "=== 2008-03-12 13:04:00 backup, started by the daily time\n";
    memoryLog.append("C:\\Work\\Tarnwell.log", live + refused + "Outcome: Error! , x\n\n");
    EXPECT_EQ(run({"log", "-n", "1"}), 0);
    EXPECT_EQ(out.str(), refused);
    EXPECT_EQ(run({"log", "-n", "2"}), 0);
    EXPECT_EQ(out.str(), live + "Outcome: Error! , x\n\n" + refused);
    memoryLog.append("C:\\Work\\Tarnwell.log.refused", refused); // waits for the next holder
    EXPECT_EQ(run({"log", "-n", "2"}), 0);
    EXPECT_EQ(out.str(), refused + refused);

    memoryLog.failWith = ErrorNumber::PermissionDenied;
    EXPECT_EQ(run({"backup"}), 0);
    EXPECT_EQ(err.str(),
              "tarnwell-cli: cannot write the run log Tarnwell.log: 70 Permission denied\n");
}

TEST_F(CliTest, UnmappedDrivesAreLinesOfTheirOwn)
{
    world.setDrive(1, {"\\\\srv\\gone", "X", "", ""});
    world.setPair(1, "C:\\Data\\Docs", "D:\\Backup\\New");
    world.writeConfig();
    EXPECT_EQ(run({"backup"}), 0);
    const std::string unmapped =
        "Mapping of \\\\srv\\gone failed!  67 The network name cannot be found.";
    EXPECT_EQ(out.str(), "Backups Complete at 1:05:00 PM, on 3/12/2008\n" + unmapped + "\n");
    EXPECT_EQ(err.str(), "Tarnwell: " + unmapped + "\n");
}

TEST_F(CliTest, ProgressIsDrawnOnATerminalAndClearedBeforeMessages)
{
    world.setPair(2, "C:\\Data\\Docs\\Sub", "D:\\Backup");
    world.fileSystem.failOn(test::MemoryFileSystem::Operation::MakeDirectory, "D:\\Backup\\Sub",
                            68);
    world.writeConfig();
    EXPECT_EQ(run({"backup"}, true), 1);
    const std::string text = err.str();
    const auto progress = text.find("\r\x1b[KPair 1: C:\\Data\\Docs - 2 files, 10 bytes copied");
    const auto message =
        text.find("\r\x1b[KTarnwell: Pair 2: 68 Device unavailable: D:\\Backup\\Sub "
                  "(C:\\Data\\Docs\\Sub -> D:\\Backup)\nTarnwell: 68 Device "
                  "unavailable in Function StartBackup, debugline 0 strSource: "
                  "C:\\Data\\Docs\\Sub\n");
    EXPECT_NE(progress, std::string::npos) << text;
    EXPECT_NE(message, std::string::npos) << text;
    EXPECT_LT(progress, message);
    EXPECT_EQ(out.str(), "Error! , 68 Device unavailable (C:\\Data\\Docs\\Sub D:\\Backup\n")
        << "stdout holds only the outcome";
}

TEST_F(CliTest, LongProgressLinesAreCutToOneTerminalLine)
{
    const std::string deep = "C:\\Data\\" + std::string(100, 'x');
    world.fileSystem.addFile(deep + "\\f.txt", "f");
    world.setPair(1, deep, "D:\\Backup");
    world.writeConfig();
    EXPECT_EQ(run({"backup"}, true), 0);
    std::istringstream lines(err.str());
    for (std::string line; std::getline(lines, line, '\r');)
        EXPECT_LE(line.size(), 3u + 79u) << line; // the clearing sequence and the text
}

TEST_F(CliTest, DirectoryOptionChangesWhereConfigIsRead)
{
    world.writeConfig();
    world.fileSystem.addFolder("C:\\Elsewhere");
    EXPECT_EQ(run({"-C", "C:\\Elsewhere", "backup"}), 2) << "no Config.dat there";
    EXPECT_EQ(run({"-C", "C:\\Work", "backup"}), 0);

    EXPECT_EQ(run({"-C", "C:\\Missing", "backup"}), 2);
    EXPECT_EQ(out.str(), "");
    EXPECT_NE(err.str().find("C:\\Missing"), std::string::npos) << err.str();
    EXPECT_EQ(run({"-C"}), 2);
}

TEST_F(CliTest, ShowListsTheConfigurationWithPasswordsHidden)
{
    world.setPair(10, "C:\\Mail", "\\\\nas\\backup");
    world.setDrive(2, {"\\\\nas\\backup", "X", "ann", "Sesame99"});
    world.writeConfig();
    EXPECT_EQ(run({"show"}), 0);
    EXPECT_EQ(out.str(), "Folder pairs:\n"
                         "   1  C:\\Data\\Docs  ->  D:\\Backup\n"
                         "  10  C:\\Mail  ->  \\\\nas\\backup\n"
                         "Backup time: 1:05:00 PM\n"
                         "Network drives:\n"
                         "   2  drive X  share \\\\nas\\backup  user ann  password ******\n");
    EXPECT_EQ(out.str().find("Sesame99"), std::string::npos);
    EXPECT_EQ(err.str(), "");
}

TEST_F(CliTest, ShowOfAnEmptyOrMissingConfiguration)
{
    world.pairs = {};
    saveFolderPairsAndTime(world.fileSystem, world.codePage, world.pairs, "  ");
    EXPECT_EQ(run({"show"}), 0);
    EXPECT_EQ(out.str(), "Folder pairs:\n  (none)\n"
                         "Backup time: (none, no daily backup)\n"
                         "Network drives:\n  (none)\n");

    EXPECT_EQ(run({"-C", "C:\\Windows", "show"}), 2);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(err.str(), "tarnwell-cli: cannot read Config.dat: 53 File not found\n");
}

TEST_F(CliTest, HelpVersionAndUsageErrors)
{
    EXPECT_EQ(run({"--help"}), 0);
    EXPECT_EQ(out.str().rfind("Usage: tarnwell-cli", 0), 0u) << out.str();
    EXPECT_EQ(err.str(), "");

    EXPECT_EQ(run({"--version"}), 0);
    EXPECT_EQ(out.str().rfind("tarnwell-cli ", 0), 0u);
    EXPECT_GT(out.str().size(), std::string("tarnwell-cli \n").size());

    for (const std::vector<std::string>& args :
         {std::vector<std::string>{}, {"restore"}, {"Backup"}, {"backup", "now"}}) {
        EXPECT_EQ(run(args), 2);
        EXPECT_EQ(out.str(), "");
        EXPECT_NE(err.str().find("Usage: tarnwell-cli"), std::string::npos);
    }
    EXPECT_TRUE(world.fileSystem.changes().empty()) << "nothing ran";
}

} // namespace
} // namespace tarnwell
