// The folder copy on this build's real backend: what the backup run relies on.
#include "../platform/backendtest.h"
#include "copy/foldercopy.h"
#include "platform/error.h"

#include <filesystem>
#include <fstream>
#include <gmock/gmock.h>
#include <thread>

namespace tarnwell::test {
namespace {

namespace fs = std::filesystem;

class FolderCopyTest : public BackendTest
{
protected:
    void SetUp() override
    {
        source = at({"Source"});
        destination = at({"Backup"});
        makeFolder(destination);
        makeFile(join(source, "top.txt"), "top");
        makeFile(join(source, "empty.txt"), "");
        makeFile(at({"Source", "Docs", "letter.txt"}), "dear");
        makeFile(at({"Source", "Docs", "Deep", "Deeper", "note.txt"}), "deep");
        makeFolder(at({"Source", "Empty"}));
        makeFile(at({"Source", ".profile"}), "hidden");
        makeHidden(at({"Source", ".profile"}));
    }

    int copyError()
    {
        try {
            copyFolderTree(fileSystem.copyPrimitives(), source, destination, {});
        } catch (const RuntimeError& error) {
            return error.number();
        }
        return 0;
    }

    // Temporary names left anywhere below folder.
    std::vector<std::string> tempFilesBelow(const std::string& folder) const
    {
        std::vector<std::string> found;
        for (const auto& entry : fs::recursive_directory_iterator(nativePath(folder))) {
            if (isCopyTempName(utf8Path(entry.path().filename())))
                found.push_back(utf8Path(entry.path()));
        }
        return found;
    }

    std::string source;
    std::string destination;
};

TEST_F(FolderCopyTest, CopiesEveryFileAndFolderRecursively)
{
    std::vector<CopyProgress> reports;
    std::vector<std::thread::id> threads;
    copyFolderTree(fileSystem.copyPrimitives(), source, destination,
                   [&](const CopyProgress& progress) {
                       reports.push_back(progress);
                       threads.push_back(std::this_thread::get_id());
                   });
    EXPECT_EQ(describeTree(destination), describeTree(source));
    EXPECT_TRUE(fileSystem.attributes(join(destination, ".profile")) & Attribute::Hidden);

    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.back().files, 5u);
    EXPECT_EQ(reports.back().bytes, std::string("topdeardeephidden").size());
    for (std::size_t i = 1; i < reports.size(); ++i)
        EXPECT_LE(reports[i - 1].files, reports[i].files);
    EXPECT_THAT(threads, ::testing::Each(std::this_thread::get_id()));
}

TEST_F(FolderCopyTest, ReplacesExistingFilesAndDeletesNothing)
{
    makeFile(join(destination, "top.txt"), "an older and longer content");
    makeFile(at({"Backup", "Docs", "letter.txt"}), "old letter");
    makeFile(at({"Backup", "Docs", "only-here.txt"}), "mine");
    makeFolder(at({"Backup", "Kept"}));

    copyFolderTree(fileSystem.copyPrimitives(), source, destination, {});
    EXPECT_EQ(readBytes(join(destination, "top.txt")), "top");
    EXPECT_EQ(readBytes(at({"Backup", "Docs", "letter.txt"})), "dear");
    EXPECT_EQ(readBytes(at({"Backup", "Docs", "only-here.txt"})), "mine");
    EXPECT_TRUE(fs::is_directory(nativePath(at({"Backup", "Kept"}))));

    // Again over its own previous copy: the same tree, nothing doubled or left behind.
    const std::string first = describeTree(destination);
    copyFolderTree(fileSystem.copyPrimitives(), source, destination, {});
    EXPECT_EQ(describeTree(destination), first);
    EXPECT_THAT(tempFilesBelow(destination), ::testing::IsEmpty());
}

TEST_F(FolderCopyTest, CopiesKeepModificationTimeAndReadOnlyFlag)
{
    const auto when = fs::file_time_type::clock::now() - std::chrono::hours(24 * 40);
    const auto wholeSecond = std::chrono::floor<std::chrono::seconds>(when);
    fs::last_write_time(nativePath(join(source, "top.txt")), wholeSecond);
    fileSystem.setAttributes(at({"Source", "Docs", "letter.txt"}), Attribute::ReadOnly);

    copyFolderTree(fileSystem.copyPrimitives(), source, destination, {});
    EXPECT_EQ(fs::last_write_time(nativePath(join(destination, "top.txt"))), wholeSecond);
    EXPECT_TRUE(fileSystem.attributes(at({"Backup", "Docs", "letter.txt"})) & Attribute::ReadOnly);
    EXPECT_FALSE(fileSystem.attributes(join(destination, "top.txt")) & Attribute::ReadOnly);
}

TEST_F(FolderCopyTest, ReadOnlyFileInTheWayIsRefusedAndKept)
{
    makeFile(at({"Backup", "Docs", "letter.txt"}), "old letter");
    fileSystem.setAttributes(at({"Backup", "Docs", "letter.txt"}), Attribute::ReadOnly);

    EXPECT_EQ(copyError(), ErrorNumber::PermissionDenied);
    EXPECT_EQ(readBytes(at({"Backup", "Docs", "letter.txt"})), "old letter");
    EXPECT_THAT(tempFilesBelow(destination), ::testing::IsEmpty());

    // Once the flag is cleared, as the backup run does, the copy goes through.
    fileSystem.setAttributes(at({"Backup", "Docs", "letter.txt"}), Attribute::Normal);
    EXPECT_EQ(copyError(), 0);
    EXPECT_EQ(readBytes(at({"Backup", "Docs", "letter.txt"})), "dear");
}

TEST_F(FolderCopyTest, EntryOfTheOtherKindInTheWayIsRefused)
{
    makeFolder(at({"Backup", "top.txt"}));
    EXPECT_EQ(copyError(), ErrorNumber::PermissionDenied);
    EXPECT_TRUE(fs::is_directory(nativePath(at({"Backup", "top.txt"}))));

    destination = at({"Other"});
    makeFile(at({"Other", "Docs"}), "a file where a folder goes");
    EXPECT_EQ(copyError(), ErrorNumber::PermissionDenied);
    EXPECT_EQ(readBytes(at({"Other", "Docs"})), "a file where a folder goes");
}

TEST_F(FolderCopyTest, UnreachablePathsFailWithPathNotFound)
{
    source = at({"NoSource"});
    EXPECT_EQ(copyError(), ErrorNumber::PathNotFound);

    source = at({"Source"});
    destination = at({"NoBackup"});
    EXPECT_EQ(copyError(), ErrorNumber::PathNotFound);
    destination = at({"NoParent", "Backup"});
    EXPECT_EQ(copyError(), ErrorNumber::PathNotFound);
    EXPECT_FALSE(fs::exists(nativePath(at({"NoParent"}))));

    destination = at({"Source", "top.txt"});
    EXPECT_EQ(copyError(), ErrorNumber::PathNotFound);
}

TEST_F(FolderCopyTest, DestinationInsideTheSourceIsNotCopiedIntoItself)
{
    destination = at({"Source", "Docs", "Backup"});
    makeFolder(destination);
    EXPECT_EQ(copyError(), 0);
    EXPECT_EQ(readBytes(at({"Source", "Docs", "Backup", "top.txt"})), "top");
    EXPECT_EQ(readBytes(at({"Source", "Docs", "Backup", "Docs", "letter.txt"})), "dear");
    EXPECT_FALSE(fs::exists(nativePath(at({"Source", "Docs", "Backup", "Docs", "Backup"}))));

    // Running again copies the source as before, still not the copy.
    const std::string first = describeTree(destination);
    EXPECT_EQ(copyError(), 0);
    EXPECT_EQ(describeTree(destination), first);
}

TEST_F(FolderCopyTest, FailedCopyLeavesThePreviousGoodCopyWhole)
{
    copyFolderTree(fileSystem.copyPrimitives(), source, destination, {});
    const std::string big(300 * 1024, 'n');
    makeFile(join(source, "top.txt"), big);
    makeFile(at({"Source", "Docs", "letter.txt"}), "new letter");
    fileSystem.setAttributes(at({"Backup", "Docs", "letter.txt"}), Attribute::ReadOnly);

    EXPECT_EQ(copyError(), ErrorNumber::PermissionDenied);
    const std::string top = readBytes(join(destination, "top.txt"));
    EXPECT_TRUE(top == "top" || top == big) << "a partly written file: " << top.size();
    EXPECT_EQ(readBytes(at({"Backup", "Docs", "letter.txt"})), "dear");
    EXPECT_EQ(readBytes(at({"Backup", "Docs", "Deep", "Deeper", "note.txt"})), "deep");
    EXPECT_THAT(tempFilesBelow(destination), ::testing::IsEmpty());
}

TEST_F(FolderCopyTest, LeftoverTemporaryFilesAreRemovedAndNeverCopied)
{
    makeFile(at({"Backup", "Docs", copyTempName(1)}), "half a file");
    makeFile(join(destination, copyTempName(0xabcdef)), "another half");
    makeFile(at({"Source", "Docs", copyTempName(2)}), "a leftover in the source");
    // A name that only looks similar is the user's and is copied.
    makeFile(join(source, ".tarnwell-notes.tmp"), "user file");

    EXPECT_EQ(copyError(), 0);
    EXPECT_THAT(tempFilesBelow(destination), ::testing::IsEmpty());
    EXPECT_EQ(readBytes(join(destination, ".tarnwell-notes.tmp")), "user file");
    EXPECT_FALSE(isCopyTempName(".tarnwell-notes.tmp"));
}

TEST_F(FolderCopyTest, ReplacedCopiesAreKeptAsASecondNameAndRemovedWithTheirTree)
{
    CopyPrimitives& primitives = fileSystem.copyPrimitives();
    copyFolderTree(primitives, source, destination, {});
    makeFile(at({"Source", "Docs", "letter.txt"}), "new letter");
    CopyOptions options;
    options.versionsBase = temp.path();
    options.versionsFolder = at({"Versions", "Backup", "2026-12-08 130500"});
    copyFolderTree(primitives, source, destination, {}, options);
    const std::string kept = join(options.versionsFolder, join("Docs", "letter.txt"));
    EXPECT_EQ(readBytes(kept), "dear");
    EXPECT_EQ(readBytes(at({"Backup", "Docs", "letter.txt"})), "new letter");

    // A second name of the copy itself: no data written.
    const std::string top = join(destination, "top.txt");
    EXPECT_EQ(primitives.keepVersion(top, at({"Versions", "top.txt"})),
              CopyPrimitives::Kept::Linked);
    std::fstream(nativePath(top), std::ios::in | std::ios::out | std::ios::binary) << "T";
    EXPECT_EQ(readBytes(at({"Versions", "top.txt"})), "Top") << "one file with two names";
    EXPECT_EQ(primitives.keepVersion(join(destination, "none"), at({"Versions", "none"})),
              CopyPrimitives::Kept::Nothing);
    EXPECT_THROW(primitives.keepVersion(at({"Backup", "Docs", "letter.txt"}), kept), RuntimeError);
    EXPECT_EQ(readBytes(kept), "dear") << "a version is never replaced";
    fileSystem.setAttributes(kept, Attribute::ReadOnly);
    primitives.removeTree(at({"Versions"}));
    EXPECT_FALSE(fs::exists(nativePath(at({"Versions"}))));
    EXPECT_EQ(readBytes(top), "Top");
}

TEST_F(FolderCopyTest, ManyFilesInManyFoldersAllArriveAgainAndAgain)
{
    const auto fill = [&](std::size_t extra) {
        std::uint64_t bytes = 0;
        for (int folder = 0; folder < 12; ++folder) {
            for (int file = 0; file < 40; ++file) {
                const std::string content(static_cast<std::size_t>(folder * 40 + file) + extra,
                                          static_cast<char>('a' + (file + extra) % 26));
                bytes += content.size();
                makeFile(
                    at({"Source", "F" + std::to_string(folder), std::to_string(file) + ".bin"}),
                    content);
            }
        }
        return bytes;
    };
    // Every copy replaces the one before with contents of other lengths, shorter at the end;
    // the five files that stay as they are are copied only the first time.
    for (const std::size_t extra : {500u, 900u, 0u}) {
        const bool first = extra == 500u;
        const std::uint64_t bytes =
            fill(extra) + (first ? std::string("topdeardeephidden").size() : 0);
        CopyProgress last;
        copyFolderTree(fileSystem.copyPrimitives(), source, destination,
                       [&](const CopyProgress& p) { last = p; });
        EXPECT_EQ(describeTree(destination), describeTree(source));
        EXPECT_THAT(tempFilesBelow(destination), ::testing::IsEmpty());
        EXPECT_EQ(last.files, (first ? 5u : 0u) + 12 * 40);
        EXPECT_EQ(last.upToDate, first ? 0u : 5u);
        EXPECT_EQ(last.bytes, bytes);
    }
}

} // namespace
} // namespace tarnwell::test
