#include "backup/backupworld.h"
#include "cli/cli.h"
#include "platform/error.h"
#include "support/memorylogfile.h"

#include <chrono>
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
                         "Versions kept: 30 days\n"
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
                         "Versions kept: 30 days\n"
                         "Network drives:\n  (none)\n");

    EXPECT_EQ(run({"-C", "C:\\Windows", "show"}), 2);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(err.str(), "tarnwell-cli: cannot read Config.dat: 53 File not found\n");
}

TEST_F(CliTest, SetKeepDaysChecksEverythingThenSavesRecord22Alone)
{
    world.writeConfig();
    const std::string before = world.fileSystem.contentOf("C:\\Work\\Config.dat");
    for (const char* days : {"", "-1", "7x", "36501"}) {
        EXPECT_EQ(run({"set", "keep-days", days}), 2) << days;
        EXPECT_EQ(world.fileSystem.contentOf("C:\\Work\\Config.dat"), before);
    }
    EXPECT_EQ(run({"set", "keep-days", "0"}), 0);
    EXPECT_EQ(out.str(), "Versions kept: none (keep-days 0)\n");
    const std::string after = world.fileSystem.contentOf("C:\\Work\\Config.dat");
    EXPECT_EQ(after.substr(0, 21 * 255), before.substr(0, 21 * 255));
    EXPECT_EQ(after.substr(22 * 255), before.substr(22 * 255));
}

// Nanoseconds since 1970 of a time in March 2008 (the fake clock's local time is UTC).
std::int64_t march(int day, int hour = 0)
{
    using namespace std::chrono;
    return duration_cast<nanoseconds>(
               (sys_days{year{2008} / 3 / day} + hours{hour}).time_since_epoch())
        .count();
}

// a.txt was "a1" until the run of 3 March and "a2" until that of 5 March; new.txt came on 7
// March; Sub\b.txt never changed.
TEST_F(CliTest, RestoreGivesTheFolderAsItWasAtEachTime)
{
    auto& disk = world.fileSystem;
    disk.addFile("C:\\Data\\Docs\\new.txt", "new");
    for (const auto& [file, day] : {std::pair{"a.txt", 6}, {"new.txt", 7}, {"Sub\\b.txt", 1}})
        disk.setModified(std::string("C:\\Data\\Docs\\") + file, march(day));
    world.writeConfig();
    ASSERT_EQ(run({"backup"}), 0);
    const std::string kept = "D:\\Backup\\.tarnwell-versions\\Docs\\2008-03-0";
    for (const auto& [run, content, written] :
         {std::tuple{3, "a1", march(1)}, {5, "a2", march(4)}}) {
        disk.addFile(kept + std::to_string(run) + " 130500\\a.txt", content);
        disk.setModified(kept + std::to_string(run) + " 130500\\a.txt", written);
    }
    EXPECT_EQ(run({"versions", "c:\\data\\docs\\A.TXT"}), 0);
    EXPECT_EQ(out.str(),
              "Pair 1: C:\\Data\\Docs -> D:\\Backup\\Docs\na.txt\n"
              "  current copy, modified 2008-03-06 00:00:00, 5 bytes\n"
              "      D:\\Backup\\Docs\\a.txt\n"
              "  kept until 2008-03-05 13:05:00, modified 2008-03-04 00:00:00, 2 bytes\n"
              "      " +
                  kept +
                  "5 130500\\a.txt\n"
                  "  kept until 2008-03-03 13:05:00, modified 2008-03-01 00:00:00, 2 bytes\n"
                  "      " +
                  kept + "3 130500\\a.txt\n");

    struct Row
    {
        const char* asOf; // none: the current copies
        int exit;
        const char* a; // the contents restored; "" for no file
        const char* b;
        const char* added;
    };
    const Row rows[] = {
        {"2008-02-27 12:00", 2, "", "", ""},
        {"2008-03-02 00:00", 0, "a1", "beta!", ""},
        {"2008-03-04 12:00", 0, "a2", "beta!", ""},
        {"2008-03-05 13:05", 0, "alpha", "beta!", ""}, // the run starting then replaced it
        {nullptr, 0, "alpha", "beta!", "new"},
    };
    int folder = 0;
    for (const Row& row : rows) {
        const std::string to = "C:\\Out" + std::to_string(++folder);
        std::vector<std::string> args{"restore", "C:\\Data\\Docs", "--to", to};
        if (row.asOf)
            args.insert(args.end(), {"--as-of", row.asOf});
        EXPECT_EQ(run(args), row.exit) << err.str();
        for (const auto& [file, expected] :
             {std::pair{"a.txt", row.a}, {"Sub\\b.txt", row.b}, {"new.txt", row.added}}) {
            const std::string path = to + "\\Docs\\" + file;
            EXPECT_EQ(disk.exists(path) ? disk.contentOf(path) : "", expected)
                << (row.asOf ? row.asOf : "now") << " " << file;
        }
    }
    EXPECT_EQ(disk.modifiedOf("C:\\Out2\\Docs\\a.txt"), march(1)) << "the content's own time";
}

TEST_F(CliTest, RestoreReplacesNothingWithoutOverwriteAndNeverWritesIntoTheBackup)
{
    auto& disk = world.fileSystem;
    world.writeConfig();
    ASSERT_EQ(run({"backup"}), 0);
    disk.clearRecords();
    disk.addFile("C:\\Out\\a.txt", "mine");
    EXPECT_EQ(run({"restore", "D:\\Backup\\Docs\\a.txt", "--to", "C:\\Out"}), 1);
    EXPECT_EQ(disk.contentOf("C:\\Out\\a.txt"), "mine");
    EXPECT_NE(err.str().find("--overwrite"), std::string::npos) << err.str();
    EXPECT_EQ(run({"restore", "D:\\Backup\\Docs\\a.txt", "--overwrite", "--to", "C:\\Out"}), 0);
    EXPECT_EQ(disk.contentOf("C:\\Out\\a.txt"), "alpha");
    EXPECT_EQ(disk.namesIn("C:\\Out"), std::vector<std::string>{"a.txt"}) << "no temporary file";

    EXPECT_EQ(run({"restore", "C:\\Data\\Docs", "--to", "d:\\backup\\docs\\Sub"}), 2);
    EXPECT_EQ(run({"restore", "C:\\Elsewhere", "--to", "C:\\Out"}), 2);
    EXPECT_EQ(run({"restore", "C:\\Data\\Docs", "--as-of", "3/12/2008", "--to", "C:\\Out"}), 2);
    for (const std::string& change : disk.changes())
        EXPECT_EQ(change.find("D:\\"), std::string::npos) << change;
}

TEST_F(CliTest, VerifyFindsWhatTheQuickCheckCannotSeeAndRepairsIt)
{
    auto& disk = world.fileSystem;
    world.writeConfig();
    ASSERT_EQ(run({"backup"}), 0);
    EXPECT_EQ(run({"verify"}), 0);
    EXPECT_EQ(out.str(), "Pair 1: C:\\Data\\Docs -> D:\\Backup\\Docs\n"
                         "  2 files compared, all copies match\nAll 2 copies match.\n");

    // Damaged with its size and time as they were, a source file without a copy, and one
    // whose content is only in the cloud.
    const std::int64_t time = disk.modifiedOf("D:\\Backup\\Docs\\a.txt");
    disk.addFile("D:\\Backup\\Docs\\a.txt", "alpHa");
    disk.setModified("D:\\Backup\\Docs\\a.txt", time);
    disk.addFile("C:\\Data\\Docs\\Sub\\c.txt", "gamma");
    disk.addFile("C:\\Data\\Docs\\cloud.txt", "cloud", Attribute::Offline);
    EXPECT_EQ(run({"verify"}, true), 1);
    const std::string text = out.str();
    EXPECT_NE(text.find("  differs: D:\\Backup\\Docs\\a.txt\n"), std::string::npos) << text;
    EXPECT_NE(text.find("  missing: D:\\Backup\\Docs\\Sub\\c.txt\n"), std::string::npos);
    EXPECT_NE(text.find("C:\\Data\\Docs\\cloud.txt was left out: it is online-only"),
              std::string::npos);
    EXPECT_NE(err.str().find("\r\x1b[KPair 1: 3 of 3 files, 15 bytes of 15 bytes"),
              std::string::npos)
        << err.str();
    EXPECT_EQ(disk.contentOf("D:\\Backup\\Docs\\a.txt"), "alpHa") << "verify alone changes nothing";

    EXPECT_EQ(run({"verify", "--repair"}), 0);
    EXPECT_EQ(disk.contentOf("D:\\Backup\\Docs\\a.txt"), "alpha");
    EXPECT_EQ(disk.contentOf("D:\\Backup\\.tarnwell-versions\\Docs\\2008-03-12 130500\\a.txt"),
              "alpHa")
        << "the damaged copy is kept, as a run keeps what it replaces";
    EXPECT_EQ(disk.contentOf("D:\\Backup\\Docs\\Sub\\c.txt"), "gamma");
    EXPECT_FALSE(disk.exists("D:\\Backup\\Docs\\cloud.txt"));
    EXPECT_EQ(run({"verify", "--pair", "1"}), 0);
    disk.holdOpen("C:\\Data\\Docs\\Sub\\b.txt", test::MemoryFileSystem::Hold::Exclusive);
    EXPECT_EQ(run({"verify", "--repair"}), 1);
    EXPECT_NE(out.str().find("could not compare: 55 "), std::string::npos) << out.str();
    EXPECT_EQ(run({"verify", "--pair", "2"}), 2);
    EXPECT_EQ(run({"verify", "--pair", "x"}), 2);
}

TEST_F(CliTest, HelpVersionAndUsageErrors)
{
    EXPECT_EQ(run({"--help"}), 0);
    EXPECT_EQ(out.str().rfind("Usage: tarnwell-cli", 0), 0u) << out.str();
    EXPECT_EQ(err.str(), "");

    EXPECT_EQ(run({"--version"}), 0);
    EXPECT_EQ(out.str().rfind("tarnwell-cli ", 0), 0u);
    EXPECT_GT(out.str().size(), std::string("tarnwell-cli \n").size());

    for (const std::vector<std::string>& args : {std::vector<std::string>{},
                                                 {"restore"},
                                                 {"Backup"},
                                                 {"backup", "now"},
                                                 {"backup", "--accept-changes", "--accept-changes"},
                                                 {"show", "--every-file"},
                                                 {"set", "keep-days"},
                                                 {"set", "keep-day", "7"},
                                                 {"versions"}}) {
        EXPECT_EQ(run(args), 2);
        EXPECT_EQ(out.str(), "");
        EXPECT_NE(err.str().find("Usage: tarnwell-cli"), std::string::npos);
    }
    EXPECT_TRUE(world.fileSystem.changes().empty()) << "nothing ran";
}

} // namespace
} // namespace tarnwell
