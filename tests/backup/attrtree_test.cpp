#include "backup/attrtree.h"
#include "platform/error.h"
#include "support/testworld.h"

#include <gtest/gtest.h>

namespace tarnwell {
namespace {

using test::MemoryFileSystem;
using namespace Attribute;

struct AttrTreeTest : ::testing::Test
{
    AttrTreeTest()
    {
        world.fileSystem.addDrive('D');
        world.fileSystem.addFolder("D:\\Backup", ReadOnly | Hidden);
        world.fileSystem.addFile("D:\\Backup\\a.txt", "a", ReadOnly);
        world.fileSystem.addFile("D:\\Backup\\plain.txt", "p", Normal);
        world.fileSystem.addFile("D:\\Backup\\z.sys", "z", System | Hidden | Archive);
        world.fileSystem.addFolder("D:\\Backup\\Photos", System);
        world.fileSystem.addFile("D:\\Backup\\Photos\\b.jpg", "b", Hidden);
        world.fileSystem.addFile("D:\\Backup\\Photos\\c.jpg", "c", ReadOnly);
        world.fileSystem.addFolder("D:\\Backup\\Photos\\Old", Hidden);
        world.fileSystem.addFile("D:\\Backup\\Photos\\Old\\d.jpg", "d", ReadOnly | System);
        world.fileSystem.addFolder("D:\\Backup\\Photos\\Empty");
        world.fileSystem.addFolder("D:\\Backup\\Text");
        world.fileSystem.addFile("D:\\Backup\\Text\\e.doc", "e", Archive);
        world.fileSystem.clearRecords();
    }

    std::vector<std::string> changedPaths() const
    {
        std::vector<std::string> paths;
        for (const std::string& change : world.fileSystem.changes())
            paths.push_back(change.substr(0, change.rfind(' ')));
        return paths;
    }

    void clearAttributes(const std::string& path) { ClearAttributes(world.services, path); }

    test::TestWorld world;
};

TEST_F(AttrTreeTest, UnusablePathsAreRefusedWithThePathAsGiven)
{
    world.fileSystem.setCurrentDirectory("D:\\");
    for (const std::string path : {"", "   ", "D:\\", "D:", " D:\\ ", "D:\\\\", "Backup",
                                   "D:\\Backup\\a.txt", "D:\\Missing", "Q:\\Backup"}) {
        world.messageBox.messages.clear();
        EXPECT_EQ(AttrTree(world.fileSystem, path), -1) << '"' << path << '"';
        clearAttributes(path);
        ASSERT_EQ(world.messageBox.messages.size(), 1u) << path;
        EXPECT_EQ(world.messageBox.messages[0].text, "Invalid Directory" + path);
        EXPECT_EQ(world.messageBox.messages[0].title, kProgramTitle);
    }
    EXPECT_TRUE(world.fileSystem.changes().empty());
    EXPECT_EQ(world.fileSystem.attributesOf("D:\\Backup\\a.txt"), ReadOnly);
}

TEST_F(AttrTreeTest, EveryFileBecomesNormalFilesFirstDepthFirstFoldersKeepTheirFlags)
{
    // A folder name ending in a blank is walked as it is listed.
    world.fileSystem.addFile("D:\\Backup\\Text\\Notes \\n.txt", "n", ReadOnly);
    world.fileSystem.clearRecords();
    EXPECT_EQ(AttrTree(world.fileSystem, "D:\\Backup"), 0);
    const std::vector<std::string> expected = {
        "attrib D:\\Backup\\a.txt",
        "attrib D:\\Backup\\z.sys",
        "attrib D:\\Backup\\Photos\\b.jpg",
        "attrib D:\\Backup\\Photos\\c.jpg",
        "attrib D:\\Backup\\Photos\\Old\\d.jpg",
        "attrib D:\\Backup\\Text\\e.doc",
        "attrib D:\\Backup\\Text\\Notes \\n.txt",
    };
    EXPECT_EQ(changedPaths(), expected) << "a normal file is not touched";
    for (const char* file : {"a.txt", "plain.txt", "z.sys", "Photos\\b.jpg", "Photos\\c.jpg",
                             "Photos\\Old\\d.jpg", "Text\\e.doc"})
        EXPECT_EQ(world.fileSystem.attributesOf(std::string("D:\\Backup\\") + file), Normal)
            << file;
    EXPECT_EQ(world.fileSystem.attributesOf("D:\\Backup"), Directory | ReadOnly | Hidden);
    EXPECT_EQ(world.fileSystem.attributesOf("D:\\Backup\\Photos"), Directory | System);
    EXPECT_EQ(world.fileSystem.attributesOf("D:\\Backup\\Photos\\Old"), Directory | Hidden);
}

TEST_F(AttrTreeTest, BlanksAndOneTrailingBackslashAreIgnored)
{
    clearAttributes("  D:\\Backup\\Photos\\ ");
    EXPECT_TRUE(world.messageBox.messages.empty());
    const std::vector<std::string> expected = {
        "attrib D:\\Backup\\Photos\\b.jpg",
        "attrib D:\\Backup\\Photos\\c.jpg",
        "attrib D:\\Backup\\Photos\\Old\\d.jpg",
    };
    EXPECT_EQ(changedPaths(), expected);
    EXPECT_EQ(world.fileSystem.attributesOf("D:\\Backup\\a.txt"), ReadOnly) << "outside the tree";
}

TEST_F(AttrTreeTest, EmptyFolderIsDone)
{
    EXPECT_EQ(AttrTree(world.fileSystem, "D:\\Backup\\Photos\\Empty"), 0);
    clearAttributes("D:\\Backup\\Photos\\Empty");
    EXPECT_TRUE(world.messageBox.messages.empty());
    EXPECT_TRUE(world.fileSystem.changes().empty());
}

TEST_F(AttrTreeTest, LinksAreNeitherEnteredNorChanged)
{
    // A junction to a folder elsewhere and a symbolic link to a file elsewhere, listed
    // before the read-only file that must still be reset.
    world.fileSystem.addFolder("D:\\Backup\\Text\\0-junction", ReparsePoint | ReadOnly);
    world.fileSystem.addFile("D:\\Backup\\Text\\0-junction\\far.txt", "f", ReadOnly);
    world.fileSystem.addFile("D:\\Backup\\Text\\0-link.txt", "l", ReparsePoint | Hidden);
    world.fileSystem.clearRecords();
    EXPECT_EQ(AttrTree(world.fileSystem, "D:\\Backup\\Text"), 0);
    EXPECT_EQ(changedPaths(), std::vector<std::string>{"attrib D:\\Backup\\Text\\e.doc"});
    EXPECT_EQ(world.fileSystem.attributesOf("D:\\Backup\\Text\\0-junction\\far.txt"), ReadOnly);
}

TEST_F(AttrTreeTest, FailureStopsTheWalkAndItsNumberTravelsUp)
{
    world.fileSystem.failOn(MemoryFileSystem::Operation::SetAttributes, "D:\\Backup\\Photos\\b.jpg",
                            ErrorNumber::PermissionDenied, 1);
    EXPECT_EQ(AttrTree(world.fileSystem, "D:\\Backup"), ErrorNumber::PermissionDenied);
    // The parent's files come first, so they are done; nothing after b.jpg is.
    EXPECT_EQ(changedPaths(),
              (std::vector<std::string>{"attrib D:\\Backup\\a.txt", "attrib D:\\Backup\\z.sys"}));
    EXPECT_EQ(world.fileSystem.attributesOf("D:\\Backup\\Photos\\b.jpg"), Hidden);
    EXPECT_EQ(world.fileSystem.attributesOf("D:\\Backup\\Photos\\c.jpg"), ReadOnly);
    EXPECT_EQ(world.fileSystem.attributesOf("D:\\Backup\\Photos\\Old\\d.jpg"), ReadOnly | System);
    EXPECT_EQ(world.fileSystem.attributesOf("D:\\Backup\\Text\\e.doc"), Archive);
}

TEST_F(AttrTreeTest, EveryKindOfFailureInTheWalkGivesTheErrorMessage)
{
    struct Case
    {
        MemoryFileSystem::Operation operation;
        const char* path;
        int number;
    };
    const Case cases[] = {
        {MemoryFileSystem::Operation::SetAttributes, "D:\\Backup\\Text\\e.doc", 70},
        {MemoryFileSystem::Operation::Attributes, "D:\\Backup\\Photos\\Old\\d.jpg", 57},
        {MemoryFileSystem::Operation::Probe, "D:\\Backup\\Photos\\Old\\*.*", 71},
    };
    for (const Case& c : cases) {
        test::TestWorld& w = world;
        w.messageBox.messages.clear();
        w.fileSystem.failOn(c.operation, c.path, c.number, 1);
        EXPECT_EQ(AttrTree(w.fileSystem, "D:\\Backup"), c.number) << c.path;
        w.fileSystem.failOn(c.operation, c.path, c.number, 1);
        clearAttributes("D:\\Backup");
        EXPECT_EQ(w.messageBox.texts(), std::vector<std::string>{"An Error was occured"}) << c.path;
    }
}

// The walk joins names with the file system's own separator.
struct PosixStyleFileSystem : MemoryFileSystem
{
    PathStyle pathStyle() const override { return PathStyle::Posix; }
};

TEST(AttrTreeOnPosix, WalksWithSlashesAndRefusesTheRoot)
{
    PosixStyleFileSystem fileSystem;
    fileSystem.addFile("C:\\Work\\data\\x.txt", "x", ReadOnly);
    fileSystem.clearRecords();
    EXPECT_EQ(AttrTree(fileSystem, "/"), -1);
    EXPECT_EQ(AttrTree(fileSystem, "//"), -1);
    EXPECT_TRUE(fileSystem.probes().empty()) << "the whole disk is never walked";
    EXPECT_EQ(AttrTree(fileSystem, "/Work/data/"), 0);
    EXPECT_EQ(fileSystem.changes(), std::vector<std::string>{"attrib /Work/data/x.txt 0"});
    EXPECT_EQ(fileSystem.attributesOf("C:\\Work\\data\\x.txt"), Normal);
}

} // namespace
} // namespace tarnwell
