// The file-system contract that every backend keeps, run on this build's real backend.
#include "backendtest.h"
#include "platform/error.h"

#include <filesystem>
#include <gmock/gmock.h>

namespace tarnwell::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAreArray;

int errorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const RuntimeError& error) {
        return error.number();
    }
    return 0;
}

class ProbeTest : public BackendTest
{
protected:
    void SetUp() override
    {
        makeFolder(at({"Data", "Sub"}));
        makeFile(at({"Data", "a.txt"}));
        makeFile(at({"Data", "b.txt"}));
        makeFolder(at({".Hidden"}));
        makeHidden(at({".Hidden"}));
    }
};

TEST_F(ProbeTest, NamedPathAnswersExactlyWhenItExists)
{
    EXPECT_EQ(fileSystem.probe(at({"Data"}), ProbeMask::Folders), "Data");
    EXPECT_EQ(fileSystem.probe(at({"Data", "a.txt"}), ProbeMask::Folders), "a.txt");
    EXPECT_EQ(fileSystem.probe(at({"Missing"}), ProbeMask::Folders), "");
    EXPECT_EQ(fileSystem.probe(at({"Missing", "Deeper"}), ProbeMask::Folders), "");
    EXPECT_EQ(fileSystem.probe(at({"Data", "a.txt", "below"}), ProbeMask::Folders), "");
    EXPECT_EQ(fileSystem.probe("", ProbeMask::Folders), "");
}

TEST_F(ProbeTest, HiddenFolderStillExists)
{
    EXPECT_TRUE(fileSystem.attributes(at({".Hidden"})) & Attribute::Hidden);
    EXPECT_EQ(fileSystem.probe(at({".Hidden"}), ProbeMask::Folders), ".Hidden");
    EXPECT_EQ(fileSystem.probe(at({".Hidden"}), ProbeMask::All), ".Hidden");
}

TEST_F(ProbeTest, RootOfTheTemporaryFolderIsPresent)
{
    const std::string root = splitPath(fileSystem.pathStyle(), temp.path()).root;
    ASSERT_FALSE(root.empty());
    EXPECT_NE(fileSystem.probe(root, ProbeMask::Folders), "");
}

TEST_F(ProbeTest, DriveLetterNotInUseAnswersEmptyWithoutError)
{
    std::string unused;
    for (char letter = 'Q'; letter <= 'Y' && unused.empty(); ++letter) {
        const std::string root = std::string(1, letter) + ":\\";
        std::error_code error;
        if (!std::filesystem::exists(nativePath(root), error))
            unused = root;
    }
    ASSERT_FALSE(unused.empty()) << "every drive letter from Q to Y is in use";
    EXPECT_EQ(fileSystem.probe(unused, ProbeMask::Folders), "");
    EXPECT_EQ(fileSystem.probe(unused + "Backup", ProbeMask::Folders), "");
    EXPECT_EQ(fileSystem.probe(unused.substr(0, 2), ProbeMask::Folders), "");
}

TEST_F(ProbeTest, ListingWithAllMaskGivesEveryEntryOnce)
{
    makeFile(at({"Data", ".secret"}));
    makeHidden(at({"Data", ".secret"}));
    makeFolder(at({"Data", ".cache"}));
    makeHidden(at({"Data", ".cache"}));
    makeFile(at({"Data", "system.sys"}));
    fileSystem.setAttributes(at({"Data", "system.sys"}), Attribute::System);

    const std::vector<std::string> expected = {".cache", ".secret", "Sub",
                                               "a.txt",  "b.txt",   "system.sys"};
    EXPECT_EQ(listing(at({"Data"}), ProbeMask::All), expected);

    // Both wildcard forms list the folder; the listing then stays exhausted.
    std::vector<std::string> names;
    for (std::string name = fileSystem.probe(at({"Data", "*"}), ProbeMask::All); !name.empty();
         name = fileSystem.next()) {
        if (name != "." && name != "..")
            names.push_back(name);
    }
    EXPECT_THAT(names, UnorderedElementsAreArray(expected));
    EXPECT_EQ(fileSystem.next(), "");
    EXPECT_EQ(fileSystem.next(), "");
}

TEST_F(ProbeTest, ListingWithFolderMaskSkipsHiddenAndSystemEntries)
{
    makeFile(at({"Data", ".secret"}));
    makeHidden(at({"Data", ".secret"}));
    makeFolder(at({"Data", ".cache"}));
    makeHidden(at({"Data", ".cache"}));
    makeFile(at({"Data", "system.sys"}));
    fileSystem.setAttributes(at({"Data", "system.sys"}), Attribute::System);

    std::vector<std::string> expected = {"Sub", "a.txt", "b.txt"};
    // A backend without a system flag lists the file as an ordinary one.
    if (!(fileSystem.attributes(at({"Data", "system.sys"})) & Attribute::System))
        expected.push_back("system.sys");
    EXPECT_EQ(listing(at({"Data"}), ProbeMask::Folders), expected);
    EXPECT_EQ(listing(at({"Data", "Sub"}), ProbeMask::All), std::vector<std::string>{});
}

TEST_F(ProbeTest, ListingOfMissingFolderIsEmptyAndProbeEndsTheListingBefore)
{
    EXPECT_EQ(fileSystem.probe(at({"Missing", "*.*"}), ProbeMask::All), "");
    EXPECT_EQ(fileSystem.next(), "");

    EXPECT_NE(fileSystem.probe(at({"Data", "*.*"}), ProbeMask::All), "");
    EXPECT_EQ(fileSystem.probe(at({"Data", "a.txt"}), ProbeMask::Folders), "a.txt");
    EXPECT_EQ(fileSystem.next(), "");
}

TEST_F(BackendTest, AttributesOfFilesAndFolders)
{
    makeFolder(at({"Folder"}));
    makeFile(at({"file.txt"}));
    EXPECT_TRUE(fileSystem.attributes(at({"Folder"})) & Attribute::Directory);
    EXPECT_EQ(fileSystem.attributes(at({"file.txt"})) &
                  (Attribute::Directory | Attribute::ReadOnly | Attribute::Hidden),
              0);
    EXPECT_EQ(errorOf([&] { fileSystem.attributes(at({"missing.txt"})); }),
              ErrorNumber::FileNotFound);
    EXPECT_EQ(errorOf([&] {
                  fileSystem.attributes(at({"Missing", "file.txt"}));
              }),
              ErrorNumber::PathNotFound);
}

TEST_F(BackendTest, ReadOnlyIsSetAndResetToNormal)
{
    namespace fs = std::filesystem;
    const std::string file = at({"file.txt"});
    makeFile(file, "old");

    fileSystem.setAttributes(file, Attribute::ReadOnly);
    EXPECT_TRUE(fileSystem.attributes(file) & Attribute::ReadOnly);
    EXPECT_EQ(fs::status(nativePath(file)).permissions() & fs::perms::owner_write, fs::perms::none);

    fileSystem.setAttributes(file, Attribute::Normal);
    EXPECT_FALSE(fileSystem.attributes(file) & Attribute::ReadOnly);
    EXPECT_NE(fs::status(nativePath(file)).permissions() & fs::perms::owner_write, fs::perms::none);
    writeBytes(file, "new");
    EXPECT_EQ(readBytes(file), "new");

    EXPECT_EQ(errorOf([&] {
                  fileSystem.setAttributes(at({"Missing", "f"}), 0);
              }),
              ErrorNumber::PathNotFound);
}

TEST_F(BackendTest, MakeDirectoryMakesOneLevel)
{
    fileSystem.makeDirectory(at({"One"}));
    EXPECT_TRUE(fileSystem.attributes(at({"One"})) & Attribute::Directory);
    EXPECT_EQ(errorOf([&] {
                  fileSystem.makeDirectory(at({"Two", "Three"}));
              }),
              ErrorNumber::PathNotFound);
    EXPECT_EQ(fileSystem.probe(at({"Two"}), ProbeMask::Folders), "");
    EXPECT_NE(errorOf([&] { fileSystem.makeDirectory(at({"One"})); }), 0);
}

TEST_F(BackendTest, WrittenFileReadsBackByteForByte)
{
    const std::string file = at({"Config.dat"});
    const std::string content("line\r\nzero\0byte\xff", 16);
    fileSystem.writeFileAtomically(file, content);
    EXPECT_EQ(fileSystem.readFile(file), content);
    EXPECT_EQ(readBytes(file), content);

    fileSystem.writeFileAtomically(file, "short");
    EXPECT_EQ(fileSystem.readFile(file), "short");
    fileSystem.writeFileAtomically(file, "");
    EXPECT_EQ(fileSystem.readFile(file), "");
    // Nothing but the file itself is left in its folder.
    EXPECT_THAT(listing(temp.path(), ProbeMask::All), ElementsAre("Config.dat"));
}

TEST_F(BackendTest, ReadingMissingFilesFails)
{
    EXPECT_EQ(errorOf([&] { fileSystem.readFile(at({"none.dat"})); }), ErrorNumber::FileNotFound);
    EXPECT_EQ(errorOf([&] {
                  fileSystem.readFile(at({"Missing", "none.dat"}));
              }),
              ErrorNumber::PathNotFound);
}

TEST_F(BackendTest, RangeReadsWhatLiesThereAndAFolderIsNoFile)
{
    const std::string file = at({"Config.dat"});
    fileSystem.writeFileAtomically(file, "0123456789");
    const FileRange middle = fileSystem.readFileRange(file, 4, 3, 10);
    EXPECT_EQ(middle.bytes, "456");
    EXPECT_EQ(middle.fileSize, 10u);
    EXPECT_EQ(fileSystem.readFileRange(file, 8, 255, 10).bytes, "89");
    EXPECT_EQ(fileSystem.readFileRange(file, 12, 255, 10).bytes, "");
    EXPECT_EQ(errorOf([&] { fileSystem.readFileRange(file, 0, 255, 9); }),
              ErrorNumber::PathFileAccessError);
    EXPECT_EQ(errorOf([&] { fileSystem.readFileRange(at({"none.dat"}), 0, 255, 10); }),
              ErrorNumber::FileNotFound);
    makeFolder(at({"Folder"}));
    EXPECT_NE(errorOf([&] { fileSystem.readFileRange(at({"Folder"}), 0, 255, 10); }), 0);

    const auto reader = fileSystem.openForReading(file);
    char chunk[4];
    std::string through;
    for (std::size_t got; (got = reader->read(chunk, sizeof chunk)) > 0;)
        through.append(chunk, got);
    EXPECT_EQ(through, "0123456789");
    EXPECT_EQ(errorOf([&] { fileSystem.openForReading(at({"none.dat"})); }),
              ErrorNumber::FileNotFound);
    EXPECT_NE(errorOf([&] { fileSystem.openForReading(at({"Folder"})); }), 0);
}

TEST_F(BackendTest, LogGrowsAtItsEndAndIsRenamedOverTheOlderOne)
{
    LogFile& log = *services.logFile;
    const std::string file = at({"Tarnwell.log"});
    const std::string older = at({"Tarnwell.log.1"});
    EXPECT_EQ(log.size(file), 0u);
    log.append(file, "first\n");
    log.append(file, "second\n");
    EXPECT_EQ(log.size(file), 13u);
    EXPECT_EQ(readBytes(file), "first\nsecond\n");
    log.append(older, "oldest\n");
    log.rename(file, older);
    EXPECT_EQ(log.read(older), "first\nsecond\n");
    EXPECT_EQ(log.size(file), 0u);
    log.remove(older);
    log.remove(older); // nothing when there is none
    EXPECT_EQ(log.read(older), "");
    makeFolder(at({"Folder"}));
    EXPECT_NE(errorOf([&] { log.append(at({"Folder"}), "x\n"); }), 0);
}

TEST_F(BackendTest, FailedWriteLeavesTheOldStateAndNoTemporaryFile)
{
    const std::string file = at({"locked.dat"});
    makeFile(file, "keep");
    fileSystem.setAttributes(file, Attribute::ReadOnly);
    EXPECT_EQ(errorOf([&] { fileSystem.writeFileAtomically(file, "lost"); }),
              ErrorNumber::PermissionDenied);
    EXPECT_EQ(readBytes(file), "keep");

    makeFolder(at({"Folder"}));
    EXPECT_NE(errorOf([&] { fileSystem.writeFileAtomically(at({"Folder"}), "lost"); }), 0);
    EXPECT_TRUE(fileSystem.attributes(at({"Folder"})) & Attribute::Directory);

    EXPECT_EQ(errorOf([&] {
                  fileSystem.writeFileAtomically(at({"Missing", "a.dat"}), "x");
              }),
              ErrorNumber::PathNotFound);
    EXPECT_EQ(listing(temp.path(), ProbeMask::All),
              (std::vector<std::string>{"Folder", "locked.dat"}));
}

} // namespace
} // namespace tarnwell::test
