// A day on a real Windows PC: the user's profile backed up twice, as the daily time does.
#include "backup/backupcommand.h"
#include "backup/backupworld.h"
#include "platform/runlog.h"
#include "support/memorylogfile.h"
#include "support/windowsprofile.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace tarnwell {
namespace {

using test::MemoryFileSystem;

// The lines (of a log, or changes) that begin with start, without it.
std::vector<std::string> startingWith(const std::vector<std::string>& lines,
                                      const std::string& start)
{
    std::vector<std::string> found;
    for (const std::string& line : lines) {
        if (line.rfind(start, 0) == 0)
            found.push_back(line.substr(start.size()));
    }
    return found;
}

std::vector<std::string> linesOf(const std::string& text)
{
    std::vector<std::string> lines;
    for (std::size_t at = 0, end; at < text.size(); at = end + 1) {
        end = std::min(text.find('\n', at), text.size());
        lines.push_back(text.substr(at, end - at));
    }
    return lines;
}

TEST(ProfileBackupTest, AProfileBacksUpAllButTheMailStoreAndTheSecondDayCopiesNothing)
{
    test::BackupWorld world;
    MemoryFileSystem& fs = world.fileSystem;
    const test::WindowsProfile profile = test::addWindowsProfile(fs);
    // Yesterday's copy of an online-only file stays as it is.
    fs.addFile("D:\\Backup\\pat\\OneDrive\\Pictures\\Beach.jpg", "yesterday's beach");
    world.setPair(1, profile.root, "D:\\Backup");
    world.clock.current = {2026, 12, 8, 13, 5, 0};
    test::MemoryLogFile logFile{fs};
    RunLog runLog{logFile, world.clock};
    world.services.runLog = &runLog;
    world.writeConfig();
    test::RecordingStatusBox status;

    EXPECT_EQ(runBackupCommand(world.services, status, "the daily time"), BackupOutcome::Error);
    const std::string copied = "D:\\Backup\\pat";
    EXPECT_EQ(status.text(), "Error! , In use by another program (C:\\Users\\pat D:\\Backup\r\n"
                             "Pair 1: 3 online-only files left out, not downloaded");
    const std::vector<std::string> log = linesOf(logFile.content("C:\\Work\\Tarnwell.log"));
    EXPECT_EQ(startingWith(log, "Problem: "),
              std::vector<std::string>{"Pair 1: 55 In use by another program: " +
                                       profile.mailStore + " (C:\\Users\\pat -> D:\\Backup)"})
        << "the mail store alone is named as failed";
    const std::vector<std::string> skipped = startingWith(log, "Skipped: Pair 1: ");
    for (const std::string& junction : profile.junctions) {
        EXPECT_EQ(std::count(skipped.begin(), skipped.end(),
                             junction + " was not followed: a hidden, system link that Windows "
                                        "keeps for older programs"),
                  1);
    }
    for (const std::string& cloud : profile.onlineOnly) {
        EXPECT_NE(std::find(skipped.begin(), skipped.end(),
                            cloud + " was left out: it is online-only, and copying it would "
                                    "download it"),
                  skipped.end());
    }
    EXPECT_NE(std::find(skipped.begin(), skipped.end(),
                        profile.alias + " was not copied: it is an app execution alias"),
              skipped.end());
    EXPECT_TRUE(startingWith(fs.changes(), "download").empty()) << "no online-only file is read";
    EXPECT_TRUE(startingWith(fs.changes(), "attrib").empty()) << "no file's flags change";
    EXPECT_EQ(fs.contentOf(copied + "\\OneDrive\\Pictures\\Beach.jpg"), "yesterday's beach");
    EXPECT_FALSE(fs.exists(copied + "\\OneDrive\\Documents\\Report.docx"));
    EXPECT_EQ(fs.contentOf(copied + "\\Documents\\Budget.xlsx"), "budget 2026");
    EXPECT_EQ(fs.attributesOf(copied + "\\Desktop\\desktop.ini"),
              Attribute::Hidden | Attribute::System);
    for (const std::string& object : profile.readOnly)
        EXPECT_EQ(fs.attributesOf(copied + object.substr(profile.root.size())),
                  Attribute::ReadOnly);
    EXPECT_FALSE(fs.exists(copied + "\\My Documents"));
    EXPECT_FALSE(fs.exists(copied + "\\AppData\\Local\\Microsoft\\WindowsApps\\python.exe"));

    fs.clearRecords();
    runBackupCommand(world.services, status, "the daily time");
    EXPECT_EQ(startingWith(fs.changes(), "copy"), std::vector<std::string>{})
        << "nothing changed, so nothing is copied";
    EXPECT_TRUE(startingWith(fs.changes(), "attrib").empty());
}

} // namespace
} // namespace tarnwell
