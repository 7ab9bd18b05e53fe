// What the POSIX backend adds to the common contract: modes, links, odd entries, and copies
// that fail in the middle of a file.
#include "../backendtest.h"
#include "copy/foldercopy.h"
#include "platform/error.h"
#include "platform/posix/filecontent.h"
#include "platform/posix/posixcopy.h"
#include "platform/posix/posixfilesystem.h"
#include "platform/posix/unixfile.h"
#include "platform/savetemp.h"

#include <algorithm>
#include <climits>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <future>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <map>
#include <mutex>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace tarnwell::test {
namespace {

using posix::FileStatus;

mode_t modeOf(const std::string& path)
{
    FileStatus info{};
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

// Limits the size of files this process may write; writing beyond it fails with EFBIG.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        const struct rlimit limit
        {
            bytes, m_old.rlim_max
        };
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }

private:
    struct rlimit m_old
    {
    };
    void (*m_oldHandler)(int);
};

using PosixFileSystemTest = BackendTest;

TEST_F(PosixFileSystemTest, NewFileIsPrivateAndExistingFileKeepsItsMode)
{
    const mode_t oldMask = ::umask(0);
    const std::string created = at({"new.dat"});
    fileSystem.writeFileAtomically(created, "a");
    EXPECT_EQ(modeOf(created), 0600u);

    const std::string shared = at({"shared.dat"});
    makeFile(shared, "old");
    ::chmod(shared.c_str(), 0664);
    fileSystem.writeFileAtomically(shared, "new");
    EXPECT_EQ(modeOf(shared), 0664u);
    EXPECT_EQ(readBytes(shared), "new");
    ::umask(oldMask);
}

TEST_F(PosixFileSystemTest, ReadOnlyTakesEveryWriteBitAndNormalGivesTheOwnerOne)
{
    const std::string file = at({"file"});
    makeFile(file);
    ::chmod(file.c_str(), 0666);
    fileSystem.setAttributes(file, Attribute::ReadOnly);
    EXPECT_EQ(modeOf(file), 0444u);
    fileSystem.setAttributes(file, Attribute::Normal);
    EXPECT_EQ(modeOf(file), 0644u);

    makeFile(at({".dotted"}));
    EXPECT_EQ(fileSystem.attributes(at({".dotted"})), Attribute::Hidden);
    EXPECT_EQ(fileSystem.attributes(at({"file"})), Attribute::Normal);
    EXPECT_EQ(fileSystem.attributes("/"), Attribute::Directory);
}

TEST_F(PosixFileSystemTest, WindowsPathsAreSimplyAbsent)
{
    EXPECT_NE(fileSystem.probe("/", ProbeMask::Folders), "");
    EXPECT_EQ(fileSystem.probe("C:\\Windows", ProbeMask::Folders), "");
    EXPECT_EQ(fileSystem.probe("\\\\server\\share", ProbeMask::Folders), "");
    makeFile(at({"file"}));
    EXPECT_THROW(fileSystem.attributes(at({"file", "below"})), RuntimeError);
}

TEST_F(PosixFileSystemTest, LinkLoopEndsAndLinksToFoldersAndFilesAreFollowed)
{
    makeFile(at({"Source", "a", "file.txt"}), "in a");
    ::symlink("..", at({"Source", "a", "up"}).c_str());
    ::symlink(".", at({"Source", "a", "self"}).c_str());
    ::symlink("a", at({"Source", "b"}).c_str());
    ::symlink("a/file.txt", at({"Source", "alias.txt"}).c_str());
    makeFolder(at({"Backup"}));

    copyFolderTree(fileSystem.copyPrimitives(), at({"Source"}), at({"Backup"}), {});
    EXPECT_EQ(readBytes(at({"Backup", "a", "file.txt"})), "in a");
    EXPECT_EQ(readBytes(at({"Backup", "b", "file.txt"})), "in a");
    EXPECT_EQ(readBytes(at({"Backup", "alias.txt"})), "in a");
    EXPECT_FALSE(std::filesystem::exists(nativePath(at({"Backup", "a", "up"}))));
    EXPECT_FALSE(std::filesystem::exists(nativePath(at({"Backup", "a", "self"}))));
    EXPECT_FALSE(std::filesystem::is_symlink(nativePath(at({"Backup", "b"}))));
}

TEST_F(PosixFileSystemTest, ReplacingTouchesNoOtherNameOfTheOldCopy)
{
    makeFile(at({"Source", "linked.txt"}), "new linked");
    makeFile(at({"Source", "pointed.txt"}), "new pointed");
    // Old copies differ in size: made within one clock tick of their sources, copies of the
    // same size would have their times too, and pass for up to date.
    makeFile(at({"Backup", "linked.txt"}), "old, linked");
    makeFile(at({"Elsewhere", "target.txt"}), "someone else's");
    ASSERT_EQ(::link(at({"Backup", "linked.txt"}).c_str(), at({"Elsewhere", "hard.txt"}).c_str()),
              0);
    ASSERT_EQ(
        ::symlink(at({"Elsewhere", "target.txt"}).c_str(), at({"Backup", "pointed.txt"}).c_str()),
        0);

    copyFolderTree(fileSystem.copyPrimitives(), at({"Source"}), at({"Backup"}), {});
    EXPECT_EQ(readBytes(at({"Backup", "linked.txt"})), "new linked");
    EXPECT_EQ(readBytes(at({"Elsewhere", "hard.txt"})), "old, linked");
    EXPECT_EQ(readBytes(at({"Backup", "pointed.txt"})), "new pointed");
    EXPECT_FALSE(std::filesystem::is_symlink(nativePath(at({"Backup", "pointed.txt"}))));
    EXPECT_EQ(readBytes(at({"Elsewhere", "target.txt"})), "someone else's");

    // A link to a read-only file is no read-only copy: the link is replaced and the file it
    // points to keeps its flag, which clearing the target tree would otherwise take away.
    makeFile(at({"Elsewhere", "kept.txt"}), "read-only on purpose");
    ASSERT_EQ(::chmod(at({"Elsewhere", "kept.txt"}).c_str(), 0444), 0);
    ASSERT_EQ(::unlink(at({"Backup", "pointed.txt"}).c_str()), 0);
    ASSERT_EQ(
        ::symlink(at({"Elsewhere", "kept.txt"}).c_str(), at({"Backup", "pointed.txt"}).c_str()), 0);
    copyFolderTree(fileSystem.copyPrimitives(), at({"Source"}), at({"Backup"}), {});
    EXPECT_EQ(readBytes(at({"Backup", "pointed.txt"})), "new pointed");
    EXPECT_FALSE(std::filesystem::is_symlink(nativePath(at({"Backup", "pointed.txt"}))));
    EXPECT_EQ(readBytes(at({"Elsewhere", "kept.txt"})), "read-only on purpose");
    EXPECT_EQ(modeOf(at({"Elsewhere", "kept.txt"})), 0444u);
}

// Someone restoring from the backup, or a tool that mirrors it elsewhere, may hold an old copy
// open while the next backup runs: what they read must stay that file's old content, never
// another file's data (which could also be a file they may not read).
TEST_F(PosixFileSystemTest, VersionsAreMovedWithoutHardLinksAndRemovalFollowsNoLink)
{
    posix::PosixCopyPrimitives primitives;
    primitives.setLinkCall([](const char*, const char*) { return EPERM; }); // as FAT refuses
    const std::string copy = at({"Versions", "Backup", "a.txt"});
    makeFile(copy, "old");
    makeFile(at({"Outside", "keep.txt"}), "not ours");
    EXPECT_EQ(primitives.keepVersion(copy, at({"Versions", "a.txt"})), CopyPrimitives::Kept::Moved);
    EXPECT_FALSE(std::filesystem::exists(copy));
    EXPECT_EQ(readBytes(at({"Versions", "a.txt"})), "old");

    std::filesystem::create_directory_symlink(at({"Outside"}), at({"Versions", "link"}));
    EXPECT_THROW(primitives.removeTree(at({"Versions", "link"})), RuntimeError);
    primitives.removeTree(at({"Versions"}));
    EXPECT_FALSE(std::filesystem::exists(at({"Versions"})));
    EXPECT_EQ(readBytes(at({"Outside", "keep.txt"})), "not ours");
}

TEST_F(PosixFileSystemTest, OldCopyOpenElsewhereKeepsItsOwnContent)
{
    constexpr int kFiles = 12;
    const auto content = [](int file, const std::string& version) {
        return "file " + std::to_string(file) + " " + version;
    };
    for (int file = 0; file < kFiles; ++file)
        makeFile(at({"Source", std::to_string(file) + ".txt"}), content(file, "old"));
    makeFolder(at({"Backup"}));
    copyFolderTree(fileSystem.copyPrimitives(), at({"Source"}), at({"Backup"}), {});

    std::vector<posix::FileHandle> readers;
    for (int file = 0; file < kFiles; ++file) {
        makeFile(at({"Source", std::to_string(file) + ".txt"}), content(file, "newer"));
        readers.emplace_back(
            ::open(at({"Backup", std::to_string(file) + ".txt"}).c_str(), O_RDONLY | O_CLOEXEC));
        ASSERT_TRUE(readers.back());
    }
    copyFolderTree(fileSystem.copyPrimitives(), at({"Source"}), at({"Backup"}), {});

    for (int file = 0; file < kFiles; ++file) {
        char buffer[64] = {};
        const ssize_t got = ::pread(readers[file].get(), buffer, sizeof buffer, 0);
        ASSERT_GE(got, 0);
        EXPECT_EQ(std::string(buffer, static_cast<std::size_t>(got)), content(file, "old"));
        EXPECT_EQ(readBytes(at({"Backup", std::to_string(file) + ".txt"})), content(file, "newer"));
    }
}

// A file deleted while the copy runs (an editor's or a browser's scratch file) is a path that
// cannot be reached, which the run counts for its pair and goes on; it must not end the run.
TEST_F(PosixFileSystemTest, SourceFileGoneSinceTheListingIsPathNotFound)
{
    makeFolder(at({"Source"}));
    makeFolder(at({"Backup"}));
    posix::PosixCopyPrimitives primitives;
    try {
        primitives.copyToTemp(at({"Source", "gone.txt"}), at({"Backup", copyTempName(1)}),
                              at({"Backup", "gone.txt"}), false);
        ADD_FAILURE() << "copying a file that is gone succeeded";
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.number(), ErrorNumber::PathNotFound);
    }
    EXPECT_EQ(listing(at({"Backup"}), ProbeMask::All), std::vector<std::string>{});
}

// A path longer than the system takes, deep inside a source, costs only itself: it is named
// as too long, not taken for a source that names no folder, and the rest is copied.
TEST_F(PosixFileSystemTest, PathTooLongInsideTheSourceIsSkippedAndNamed)
{
    makeFile(at({"Source", "kept.txt"}), "kept");
    makeFolder(at({"Backup"}));
    // Made one level at a time, since no single call may name the whole path.
    const std::string name(200, 'd');
    std::vector<int> chain{::open(at({"Source"}).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
    std::string deep = at({"Source"});
    while (deep.size() <= PATH_MAX && chain.back() >= 0) {
        ::mkdirat(chain.back(), name.c_str(), 0777);
        chain.push_back(::openat(chain.back(), name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        deep += "/" + name;
    }
    ASSERT_GE(chain.back(), 0);
    ::close(::openat(chain.back(), "lost.txt", O_WRONLY | O_CREAT | O_CLOEXEC, 0600));

    try {
        copyFolderTree(fileSystem.copyPrimitives(), at({"Source"}), at({"Backup"}), {});
        ADD_FAILURE() << "a path too long went unreported";
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.number(), ErrorNumber::PathTooLong);
        EXPECT_EQ(error.description(), "Path too long");
        EXPECT_GT(error.path().size(), static_cast<std::size_t>(PATH_MAX)) << error.path();
    }
    EXPECT_EQ(readBytes(at({"Backup", "kept.txt"})), "kept");

    ::unlinkat(chain.back(), "lost.txt", 0);
    for (std::size_t level = chain.size() - 1; level > 0; --level) {
        ::close(chain[level]);
        ::unlinkat(chain[level - 1], name.c_str(), AT_REMOVEDIR);
    }
    ::close(chain.front());
}

// Two runs into one target (from two Config.dat folders) must never remove each other's live
// temporary files, while a leftover of a run that has ended is still cleared away.
TEST_F(PosixFileSystemTest, LiveTemporaryFileOfAnotherProcessIsKeptAndALeftoverRemoved)
{
    makeFile(at({"Source", "a.txt"}), "a");
    makeFolder(at({"Backup"}));
    const std::string live = at({"Backup", copyTempName(1)});
    const std::string stale = at({"Backup", copyTempName(2)});
    makeFile(stale, "half a file");
    int ready[2];
    int finish[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(finish), 0);
    const pid_t writer = ::fork();
    ASSERT_GE(writer, 0);
    if (writer == 0) {
        // The other run: holds its temporary file as a copy does while writing it.
        const posix::OpenTemp held = posix::createLockedTemp(live);
        char byte = 1;
        (void)!::write(ready[1], &byte, 1);
        (void)!::read(finish[0], &byte, 1);
        ::_exit(0);
    }
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);

    copyFolderTree(fileSystem.copyPrimitives(), at({"Source"}), at({"Backup"}), {});
    EXPECT_TRUE(std::filesystem::exists(nativePath(live))) << "removed while being written";
    EXPECT_FALSE(std::filesystem::exists(nativePath(stale)));

    (void)!::write(finish[1], &byte, 1);
    int status = 0;
    ASSERT_EQ(::waitpid(writer, &status, 0), writer);
    copyFolderTree(fileSystem.copyPrimitives(), at({"Source"}), at({"Backup"}), {});
    EXPECT_FALSE(std::filesystem::exists(nativePath(live))) << "a leftover once its run ended";
    for (const int end : {ready[0], ready[1], finish[0], finish[1]})
        ::close(end);
}

TEST_F(PosixFileSystemTest, EntriesWithoutContentAreLeftOut)
{
    makeFile(at({"Source", "kept.txt"}), "kept");
    ASSERT_EQ(::mkfifo(at({"Source", "pipe"}).c_str(), 0600), 0);
    ::symlink(".", at({"Source", "self"}).c_str());
    makeFolder(at({"Backup"}));

    std::vector<std::string> notes;
    copyFolderTree(fileSystem.copyPrimitives(), at({"Source"}), at({"Backup"}),
                   [&](const CopyProgress& progress) {
                       for (const CopyNote& note : progress.notes)
                           notes.push_back(note.path + " " + note.what);
                   });
    EXPECT_EQ(describeTree(at({"Backup"})), "kept.txt=kept\n");
    std::sort(notes.begin(), notes.end());
    EXPECT_EQ(notes, (std::vector<std::string>{at({"Source", "pipe"}) + " a named pipe",
                                               at({"Source", "self"}) + " "}))
        << "the pipe and the link back up are named, not skipped in silence";

    // Met as a file (on the repeat of failed entries, or put there since the listing), a pipe
    // is refused at once rather than waited on for a writer.
    auto repeat = std::async(std::launch::async, [&] {
        try {
            copyFolderTree(fileSystem.copyPrimitives(), at({"Source"}), at({"Backup"}), {}, {},
                           {"pipe"});
        } catch (const RuntimeError& error) {
            return error.number();
        }
        return 0;
    });
    if (repeat.wait_for(std::chrono::seconds(10)) == std::future_status::timeout) {
        ADD_FAILURE() << "the copy waits for a writer";
        posix::FileHandle writer(::open(at({"Source", "pipe"}).c_str(), O_WRONLY | O_CLOEXEC));
    }
    EXPECT_EQ(repeat.get(), ErrorNumber::PathFileAccessError);
}

// A link to nothing, or one whose target cannot be looked up (here a loop of links), is a
// failure of its own, named with the rest copied.
TEST_F(PosixFileSystemTest, LinkThatCannotBeFollowedIsAFailureOfItsOwn)
{
    makeFile(at({"Source", "kept.txt"}), "kept");
    ::symlink("nowhere", at({"Source", "dangling"}).c_str());
    ::symlink("loop", at({"Source", "loop"}).c_str());
    makeFolder(at({"Backup"}));
    try {
        copyFolderTree(fileSystem.copyPrimitives(), at({"Source"}), at({"Backup"}), {});
        ADD_FAILURE() << "a link that cannot be followed went unnoticed";
    } catch (const FolderCopyError& error) {
        std::vector<std::string> failed = error.failedEntries();
        std::sort(failed.begin(), failed.end());
        EXPECT_EQ(failed, (std::vector<std::string>{"dangling", "loop"}));
    }
    EXPECT_EQ(describeTree(at({"Backup"})), "kept.txt=kept\n");
}

// A temporary file whose lock fails is removed at once; where the target cannot lock at all
// (ENOLCK: NFS without its lock service) the copy goes on without the lock, and an unlocked
// leftover is taken for one, as no other run of this configuration can be writing it.
TEST_F(PosixFileSystemTest, TemporaryFileWhoseLockFailsIsNeverLeftBehind)
{
    makeFile(at({"Source", "a.txt"}), "a");
    makeFolder(at({"Backup"}));
    const auto failing = [](int code) { return [code](int, int) { return code; }; };
    EXPECT_THROW(posix::createLockedTemp(at({"Backup", copyTempName(1)}), 0600, failing(EIO)),
                 RuntimeError);
    EXPECT_EQ(describeTree(at({"Backup"})), "");

    EXPECT_TRUE(
        posix::createLockedTemp(at({"Backup", copyTempName(2)}), 0600, failing(ENOLCK)).file);
    posix::PosixCopyPrimitives primitives(failing(ENOLCK));
    copyFolderTree(primitives, at({"Source"}), at({"Backup"}), {});
    EXPECT_EQ(describeTree(at({"Backup"})), "a.txt=a\n");
}

// Where one syncfs is not known to reach the disk (FUSE, a share, a type the backend does not
// know), each new copy's data is flushed by itself while it still has no name of its own, and
// its folder once the renames are made; on ext4 one syncfs flushes a batch.
TEST_F(PosixFileSystemTest, CopiesAreFlushedBeforeTheirRenameWhereSyncfsDoesNotReach)
{
    for (const std::int64_t type : {std::int64_t{0x65735546}, std::int64_t{0xEF53}}) {
        const bool fuse = type != 0xEF53;
        const std::string source = at({fuse ? "FuseSource" : "Ext4Source"});
        const std::string backup = at({fuse ? "FuseBackup" : "Ext4Backup"});
        for (int i = 0; i < 6; ++i)
            makeFile(join(source, "f" + std::to_string(i)), "new " + std::to_string(i));
        makeFile(join(backup, "f0"), "old");
        std::mutex mutex;
        std::map<int, int> calls;
        std::vector<std::string> flushedWithName;
        bool folderFlushedEarly = false;
        posix::FlushCalls recording;
        recording.fileSystemType = [type](int) { return type; };
        recording.sync = [&](posix::FlushCalls::Call call, int descriptor) {
            std::lock_guard lock(mutex);
            ++calls[call];
            char name[PATH_MAX] = {};
            ::readlink(("/proc/self/fd/" + std::to_string(descriptor)).c_str(), name, PATH_MAX - 1);
            const std::string file = std::filesystem::path(name).filename().string();
            if (call == posix::FlushCalls::Data && !isCopyTempName(file) && file[0] != '#')
                flushedWithName.push_back(name);
            if (call == posix::FlushCalls::Everything &&
                describeTree(backup) != describeTree(source))
                folderFlushedEarly = true;
            return posix::FlushCalls::perform(call, descriptor);
        };
        posix::PosixCopyPrimitives primitives(posix::flockCall, recording);
        copyFolderTree(primitives, source, backup, {});
        EXPECT_EQ(describeTree(backup), describeTree(source));
        EXPECT_EQ(calls[posix::FlushCalls::FileSystem] > 0, !fuse) << type;
        EXPECT_EQ(calls[posix::FlushCalls::Data], fuse ? 6 : 0) << type;
        EXPECT_GE(calls[posix::FlushCalls::Everything], fuse ? 1 : 0) << type;
        EXPECT_THAT(flushedWithName, ::testing::IsEmpty());
        EXPECT_FALSE(folderFlushedEarly);
    }
}

// A local disk keeps every permission bit and the exact time; the probe leaves nothing behind.
TEST_F(PosixFileSystemTest, ProbeFindsWhatALocalDiskKeeps)
{
    makeFolder(at({"Backup"}));
    const TargetKeeps kept =
        fileSystem.copyPrimitives().targetKeeps(at({"Backup"}), at({"Backup", copyTempName(3)}));
    EXPECT_EQ(kept.flags, 0777u);
    EXPECT_EQ(kept.resolution.count(), 0);
    EXPECT_EQ(describeTree(at({"Backup"})), "");
}

TEST_F(PosixFileSystemTest, CopyFailingInTheMiddleOfAFileKeepsTheOldCopy)
{
    const std::string old(64 * 1024, 'o');
    makeFile(at({"Source", "big.bin"}), old);
    makeFolder(at({"Backup"}));
    copyFolderTree(fileSystem.copyPrimitives(), at({"Source"}), at({"Backup"}), {});

    makeFile(at({"Source", "big.bin"}), std::string(512 * 1024, 'n'));
    {
        const FileSizeLimit limit(200 * 1024);
        EXPECT_THROW(
            copyFolderTree(fileSystem.copyPrimitives(), at({"Source"}), at({"Backup"}), {}),
            RuntimeError);
    }
    EXPECT_EQ(readBytes(at({"Backup", "big.bin"})), old);
    EXPECT_EQ(listing(at({"Backup"}), ProbeMask::All), std::vector<std::string>{"big.bin"});
}

TEST_F(PosixFileSystemTest, WriteFailingInTheMiddleKeepsTheOldFile)
{
    const std::string file = at({"Config.dat"});
    fileSystem.writeFileAtomically(file, "old records");
    {
        const FileSizeLimit limit(1024);
        EXPECT_THROW(fileSystem.writeFileAtomically(file, std::string(4096, 'n')), RuntimeError);
    }
    EXPECT_EQ(fileSystem.readFile(file), "old records");
    EXPECT_EQ(listing(temp.path(), ProbeMask::All), std::vector<std::string>{"Config.dat"});
}

TEST_F(PosixFileSystemTest, SavesKilledMidwayLeavePrivateLeftoversThatTheNextSaveRemoves)
{
    const std::string file = at({"Config.dat"});
    makeFile(file, "old records");
    ::chmod(file.c_str(), 0644);
    // Another save that is writing now holds the lock of its temporary file.
    const std::string live = at({saveTempName("Config.dat", 7)});
    makeFile(live, "half");
    const posix::FileHandle writing(::open(live.c_str(), O_RDONLY));
    ASSERT_EQ(::flock(writing.get(), LOCK_EX), 0);

    for (int killed = 0; killed < 2; ++killed) {
        const pid_t child = ::fork();
        if (child == 0) {
            // Killed by the file size limit in the middle of writing.
            const struct rlimit limit
            {
                1024, 1024
            };
            ::setrlimit(RLIMIT_FSIZE, &limit);
            std::signal(SIGXFSZ, SIG_DFL);
            posix::PosixFileSystem().writeFileAtomically(file, std::string(65536, 'n'));
            ::_exit(0);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the save was not killed";
    }
    std::vector<std::string> leftovers;
    for (const std::string& name : listing(temp.path(), ProbeMask::All)) {
        if (name != "Config.dat" && at({name}) != live) {
            leftovers.push_back(name);
            EXPECT_EQ(modeOf(at({name})), 0600u) << name << " holds the file's content";
        }
    }
    EXPECT_EQ(leftovers.size(), 1u) << "the second save removes the first one's leftover";

    fileSystem.writeFileAtomically(file, "new records");
    EXPECT_EQ(readBytes(file), "new records");
    EXPECT_EQ(modeOf(file), 0644u);
    const std::vector<std::string> expected = {saveTempName("Config.dat", 7), "Config.dat"};
    std::vector<std::string> left = listing(temp.path(), ProbeMask::All);
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, expected) << "the live one stays";
}

TEST_F(PosixFileSystemTest, ContentCopiesWhereTheKernelPathIsNotOffered)
{
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    const std::string content(300 * 1024, 'p');
    std::thread writer([&] {
        std::size_t done = 0;
        while (done < content.size()) {
            const ssize_t written =
                ::write(pipeEnds[1], content.data() + done, content.size() - done);
            if (written <= 0)
                break;
            done += static_cast<std::size_t>(written);
        }
        ::close(pipeEnds[1]);
    });
    const std::string target = at({"from-pipe"});
    const int to = ::open(target.c_str(), O_WRONLY | O_CREAT, 0600);
    ASSERT_GE(to, 0);
    EXPECT_EQ(posix::copyFileContent(pipeEnds[0], to, 0), content.size());
    writer.join();
    ::close(to);
    ::close(pipeEnds[0]);
    EXPECT_EQ(readBytes(target), content);

    // To a share, in large requests of the program's own, up to the size expected.
    std::string big(5 << 19, 'b');
    big[3 << 19] = 'm';
    makeFile(at({"big"}), big + "grown since");
    const int from = ::open(at({"big"}).c_str(), O_RDONLY);
    const int bigTo = ::open(at({"big-copy"}).c_str(), O_WRONLY | O_CREAT, 0600);
    EXPECT_EQ(posix::copyFileContent(from, bigTo, big.size(), true), big.size());
    ::close(from);
    ::close(bigTo);
    EXPECT_TRUE(readBytes(at({"big-copy"})) == big);
}

// A folder's copy, the destination too, gets its source's permission bits, also a read-only
// one filled first, and an existing copy whose bits differ gets them back.
TEST_F(PosixFileSystemTest, FolderCopiesKeepTheirSourcesPermissionBits)
{
    makeFile(at({"Source", "Private", "a"}), "a");
    makeFile(at({"Source", "Sealed", "b"}), "b");
    makeFolder(at({"Source", "Open"}));
    ::chmod(at({"Source", "Private"}).c_str(), 0700);
    ::chmod(at({"Source", "Sealed"}).c_str(), 0555);
    ::chmod(at({"Source"}).c_str(), 0750);
    makeFolder(at({"Backup"}));
    ::chmod(at({"Backup"}).c_str(), 0711);
    for (int run = 0; run < 2; ++run) {
        copyFolderTree(fileSystem.copyPrimitives(), at({"Source"}), at({"Backup"}), {});
        EXPECT_EQ(modeOf(at({"Backup", "Private"})), 0700u);
        EXPECT_EQ(modeOf(at({"Backup", "Sealed"})), 0555u);
        EXPECT_EQ(modeOf(at({"Backup", "Open"})), modeOf(at({"Source", "Open"})));
        EXPECT_EQ(modeOf(at({"Backup"})), 0750u);
        EXPECT_EQ(readBytes(at({"Backup", "Sealed", "b"})), "b");
        ::chmod(at({"Backup", "Private"}).c_str(), 0755);
        ::chmod(at({"Source", "Sealed"}).c_str(), 0755);
        makeFile(at({"Source", "Sealed", "c"}), "c");
        ::chmod(at({"Source", "Sealed"}).c_str(), 0555);
    }
    EXPECT_EQ(readBytes(at({"Backup", "Sealed", "c"})), "c");
    ::chmod(at({"Source", "Sealed"}).c_str(), 0755);
    ::chmod(at({"Backup", "Sealed"}).c_str(), 0755);
}

TEST_F(PosixFileSystemTest, RangeIsReadOnlyFromARegularFileNoLargerThanAllowed)
{
    constexpr std::uint64_t limit = 1024 * 1024; // what Config.dat may hold
    struct Case
    {
        const char* what;
        std::function<void(const std::string& path)> make;
        const char* description;
    };
    const std::vector<Case> cases = {
        // Opening a pipe without a writer used to wait for good.
        {"a pipe", [](const std::string& path) { ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0); },
         "Path/File access error (not a regular file)"},
        {"a link to a device",
         [](const std::string& path) { ASSERT_EQ(::symlink("/dev/zero", path.c_str()), 0); },
         "Path/File access error (not a regular file)"},
        // Sparse: costs no disk, used to be read whole into memory.
        {"a file over 1 MiB",
         [](const std::string& path) {
             posix::FileHandle file(::open(path.c_str(), O_WRONLY | O_CREAT, 0600));
             ASSERT_EQ(::ftruncate(file.get(), off_t{limit} + 1), 0);
         },
         "Path/File access error (larger than 1 MiB)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = at({c.what});
        c.make(path);
        try {
            fileSystem.readFileRange(path, 0, 255, limit);
            ADD_FAILURE() << "read";
        } catch (const RuntimeError& error) {
            EXPECT_EQ(error.number(), ErrorNumber::PathFileAccessError);
            EXPECT_EQ(error.description(), c.description);
            EXPECT_EQ(error.path(), path);
        }
    }

    const std::string records = at({"Config.dat"});
    makeFile(records, std::string(limit, 'r'));
    const FileRange range = fileSystem.readFileRange(records, limit - 10, 255, limit);
    EXPECT_EQ(range.bytes, std::string(10, 'r')) << "fewer bytes at the end";
    EXPECT_EQ(range.fileSize, limit);
}

} // namespace
} // namespace tarnwell::test
