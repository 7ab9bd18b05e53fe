// Kept versions through the real copy engine on the in-memory file system.
#include "backup/backupworld.h"
#include "backup/startbackup.h"
#include "config/datafile.h"
#include "platform/error.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace tarnwell {
namespace {

using Op = test::MemoryFileSystem::Operation;

constexpr const char* kVersions = "D:\\Backup\\.tarnwell-versions\\Docs\\";

// The workstation of the backup tests with pair 1 copying C:\Data\Docs into D:\Backup.
struct Scene
{
    Scene()
    {
        world.setPair(1, "C:\\Data\\Docs", "D:\\Backup");
        world.clock.current = {2026, 12, 8, 13, 5, 0};
        report.problemNoted = [this](const std::string& problem) { problems.push_back(problem); };
    }
    // keepDays: record 22 as text.
    void run(const std::string& keepDays = "", bool accept = false)
    {
        world.writeConfig();
        DataFileWriter file(fs(), world.codePage);
        file.writeRecord(kKeepDaysRecord, keepDays);
        file.commit();
        messages.clear();
        errors = 0;
        problems.clear();
        StartBackup(world.services, messages, errors, report, {}, false, accept);
    }
    test::MemoryFileSystem& fs() { return world.fileSystem; }

    test::BackupWorld world;
    std::string messages;
    std::int16_t errors = 0;
    BackupRunReport report;
    std::vector<std::string> problems;
};

TEST(VersionsTest, ReplacedCopiesAreKeptAndSurviveACrashBeforeTheirReplacement)
{
    for (const bool hardLinks : {true, false}) {
        for (const bool crash : {false, true}) {
            SCOPED_TRACE(std::string(hardLinks ? "links" : "renames") + (crash ? ", crash" : ""));
            Scene scene;
            test::MemoryFileSystem& fs = scene.fs();
            if (!hardLinks)
                fs.setNoHardLinks('D');
            scene.run();
            fs.addFile("C:\\Data\\Docs\\a.txt", "alpha, edited");
            fs.addFile("C:\\Data\\Docs\\new.txt", "new");
            fs.removeTree("C:\\Data\\Docs\\Sub"); // its copy stays, and is no version
            if (crash)
                fs.failOn(Op::Replace, "D:\\Backup\\Docs\\a.txt", ErrorNumber::DeviceIo, 1);
            scene.world.clock.current.hour = 14;
            scene.run();
            const std::string version = std::string(kVersions) + "2026-12-08 140500\\";
            EXPECT_EQ(fs.contentOf(version + "a.txt"), "alpha");
            EXPECT_FALSE(fs.exists(version + "Sub") || fs.exists(version + "new.txt"));
            if (!crash) {
                EXPECT_EQ(scene.errors, 0) << scene.messages;
                EXPECT_EQ(fs.contentOf("D:\\Backup\\Docs\\a.txt"), "alpha, edited");
                continue;
            }
            // The old content is in the copy as well (a second name), or only among the
            // versions; the next run makes the copy whole.
            EXPECT_EQ(scene.errors, 1);
            EXPECT_EQ(fs.contentOf("D:\\Backup\\Docs\\a.txt"), hardLinks ? "alpha" : "");
            scene.world.clock.current.hour = 15;
            scene.run();
            EXPECT_EQ(scene.errors, 0) << scene.messages;
            EXPECT_EQ(fs.contentOf("D:\\Backup\\Docs\\a.txt"), "alpha, edited");
            EXPECT_EQ(fs.contentOf(version + "a.txt"), "alpha");
        }
    }
}

TEST(VersionsTest, DatedFoldersPastTheirDaysAreRemovedAndNothingElse)
{
    struct Row
    {
        std::string keepDays;
        std::vector<std::string> left;
        int errors;
    };
    for (const Row& row : std::vector<Row>{
             {"", {"2026-11-08 000000", "2026-12-08 090000"}, 0},
             {"1", {"2026-12-08 090000"}, 0},
             {"0", {"2026-12-08 090000"}, 0},
             {"soon", {"2026-11-08 000000", "2026-12-08 090000"}, 1},
         }) {
        SCOPED_TRACE(row.keepDays);
        Scene scene;
        test::MemoryFileSystem& fs = scene.fs();
        const std::string versions = kVersions;
        for (const char* name : {"2026-11-07 235959", "2026-11-08 000000", "2026-12-08 090000"})
            fs.addFile(versions + name + "\\a.txt", "old");
        fs.addFile(versions + "2026-01-01 000000", "a file, not a run's");
        fs.addFolder(versions + "2026-01-02 000000", Attribute::ReparsePoint);
        fs.addFolder(versions + "Mine");
        scene.run(row.keepDays);
        EXPECT_EQ(scene.errors, row.errors) << scene.messages;
        std::vector<std::string> left = row.left;
        left.insert(left.end(), {"2026-01-01 000000", "2026-01-02 000000", "Mine"});
        std::sort(left.begin(), left.end());
        EXPECT_EQ(fs.namesIn(versions), left);
    }
}

TEST(VersionsTest, AFullDiskRemovesTheOldestVersionsAndTriesTheFilesOnceMore)
{
    Scene scene;
    test::MemoryFileSystem& fs = scene.fs();
    const std::string versions = kVersions;
    scene.run();
    fs.addFile("D:\\Backup\\.tarnwell-versions\\Mail\\2026-11-30 080000\\m.txt", "oldest");
    fs.addFile(versions + "2026-12-01 080000\\a.txt", "older");
    fs.addFile(versions + "2026-12-05 080000\\a.txt", "newer");
    fs.addFile("C:\\Data\\Docs\\a.txt", "alpha, edited");
    fs.failOn(Op::CopyFile, "D:\\Backup\\Docs\\a.txt", ErrorNumber::DiskFull, 1);
    scene.run();
    EXPECT_EQ(scene.errors, 0) << scene.messages;
    EXPECT_EQ(fs.contentOf("D:\\Backup\\Docs\\a.txt"), "alpha, edited");
    EXPECT_FALSE(fs.exists("D:\\Backup\\.tarnwell-versions\\Mail\\2026-11-30 080000"));
    EXPECT_TRUE(fs.exists(versions + "2026-12-01 080000"));

    fs.addFile("C:\\Data\\Docs\\a.txt", "alpha, edited twice");
    fs.failOn(Op::CopyFile, "D:\\Backup\\Docs\\a.txt", ErrorNumber::DiskFull, 2);
    scene.run();
    EXPECT_EQ(scene.errors, 1) << "tried once more only";
    EXPECT_FALSE(fs.exists(versions + "2026-12-01 080000"));
}

TEST(VersionsTest, MassChangeAlarmAtItsThreshold)
{
    struct Row
    {
        int files;
        int changed;
        std::string keepDays;
        bool accept;
        std::string fragment; // empty: no alarm
        bool copied;
    };
    for (const Row& row : std::vector<Row>{
             {100, 50, "", false, "", true},
             {100, 51, "", false,
              ", 51 of 100 files changed since the last backup, previous copies kept in "
              "D:\\Backup\\.tarnwell-versions\\Docs\\2026-12-08 130600 (C:\\Data\\Docs D:\\Backup",
              true},
             {97, 49, "0", false, "", true},
             {100, 51, "0", false,
              ", 51 of 100 files changed since the last backup and were not copied, previous "
              "copies left in D:\\Backup\\Docs (C:\\Data\\Docs D:\\Backup",
              false},
             {100, 51, "0", true, "", true},
         }) {
        SCOPED_TRACE(std::to_string(row.changed) + " of " + std::to_string(row.files) + ", " +
                     row.keepDays);
        Scene scene;
        test::MemoryFileSystem& fs = scene.fs();
        fs.removeTree("C:\\Data\\Docs");
        for (int i = 0; i < row.files; ++i)
            fs.addFile("C:\\Data\\Docs\\f" + std::to_string(i), "first");
        scene.run(row.keepDays);
        for (int i = 0; i < row.changed; ++i)
            fs.addFile("C:\\Data\\Docs\\f" + std::to_string(i), "encrypted");
        fs.addFile("C:\\Data\\Docs\\brand new", "new");
        scene.world.clock.current.minute = 6;
        scene.run(row.keepDays, row.accept);
        EXPECT_EQ(scene.messages, row.fragment);
        EXPECT_EQ(scene.errors, row.fragment.empty() ? 0 : 1);
        EXPECT_EQ(scene.problems.size(), row.fragment.empty() ? 0u : 1u);
        EXPECT_EQ(fs.contentOf("D:\\Backup\\Docs\\f0"), row.copied ? "encrypted" : "first");
        EXPECT_EQ(fs.contentOf("D:\\Backup\\Docs\\brand new"), "new");
        EXPECT_EQ(fs.exists("D:\\Backup\\.tarnwell-versions\\Docs"), row.keepDays != "0");
    }
}

} // namespace
} // namespace tarnwell
