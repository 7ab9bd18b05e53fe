#include "platform/posix/posixcopy.h"

#include "platform/filesystem.h"
#include "platform/posix/filecontent.h"
#include "platform/posix/oserror.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace tarnwell::posix {

namespace {

// Up to this many files and folders are flushed one by one; more, on a file system whose
// syncfs reaches the disk, with one call for the whole file system, which costs one journal
// commit instead of one per entry.
constexpr std::size_t kFlushEachUpTo = 2;

// What the rest of the program may hold open besides the temporary files of a copy.
constexpr rlim_t kOtherOpenFiles = 256;

// Failures that mean the file system cannot lock at all (NFS without its lock service).
bool cannotLock(int code)
{
    return code == ENOLCK || code == EOPNOTSUPP || code == ENOSYS;
}

// The process's umask, read without changing it; 0777 when it cannot be read, so that every
// mode is then set explicitly.
mode_t currentUmask()
{
    std::FILE* status = std::fopen("/proc/self/status", "re");
    if (!status)
        return 0777;
    unsigned mask = 0777;
    char line[256];
    while (std::fgets(line, sizeof line, status)) {
        if (std::sscanf(line, "Umask: %o", &mask) == 1)
            break;
    }
    std::fclose(status);
    return static_cast<mode_t>(mask & 0777);
}

// statfs types of the file systems whose syncfs writes out every file and folder and flushes
// the disk's cache. On FUSE it sends the file system nothing at all, and network file systems
// give no such promise.
constexpr std::int64_t kSyncfsReaches[] = {
    0xEF53,     // ext2, ext3, ext4
    0x58465342, // XFS
    0x9123683E, // btrfs
};

// Flushed one by one, this many at once: on a share each flush waits for a round trip and the
// server's own disk, which takes many files at a time.
constexpr std::size_t kFlushesInFlight = 8;

// A folder on a file system that cannot flush folders leaves its renames to it.
bool cannotFlushFolder(int code)
{
    return code == EINVAL || code == EOPNOTSUPP || code == ENOSYS || code == EROFS;
}

// Calls flushOf(0 .. count - 1), up to kFlushesInFlight at once.
template <typename Flush> void flushEach(std::size_t count, const Flush& flushOf)
{
    std::atomic<std::size_t> next{0};
    const auto work = [&] {
        for (std::size_t i = next++; i < count; i = next++)
            flushOf(i);
    };
    std::vector<std::thread> helpers;
    for (std::size_t k = 1; k < std::min(count, kFlushesInFlight); ++k)
        helpers.emplace_back(work);
    work();
    for (std::thread& helper : helpers)
        helper.join();
}

} // namespace

int FlushCalls::perform(Call call, int descriptor)
{
    constexpr unsigned kWriteAndWait =
        SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER;
    int result = 0;
    switch (call) {
    case FileSystem:
        result = ::syncfs(descriptor);
        break;
    case Data:
        result = ::fdatasync(descriptor);
        break;
    case Everything:
        result = ::fsync(descriptor);
        break;
    case OwnErrors:
        result = ::sync_file_range(descriptor, 0, 0, kWriteAndWait);
        break;
    }
    return result == 0 ? 0 : errno;
}

std::int64_t FlushCalls::typeOf(int descriptor)
{
    struct statfs info
    {
    };
    return ::fstatfs(descriptor, &info) == 0 ? static_cast<std::int64_t>(info.f_type) : 0;
}

bool PosixCopyPrimitives::syncfsReaches(dev_t device, int descriptor)
{
    std::lock_guard lock(m_typesMutex);
    for (const auto& [known, reaches] : m_syncfsReaches) {
        if (known == device)
            return reaches;
    }
    const std::int64_t type = m_flushCalls.fileSystemType(descriptor);
    const bool reaches = std::find(std::begin(kSyncfsReaches), std::end(kSyncfsReaches), type) !=
                         std::end(kSyncfsReaches);
    m_syncfsReaches.emplace_back(device, reaches);
    return reaches;
}

// Many entries on a file system whose syncfs reaches the disk: one call writes out the whole
// file system and commits its journal once. Its result alone may miss a write-back error of
// one file (before Linux 5.8 always; later, one from before the call's descriptor was opened),
// so each file's own error state is then checked; a flush of each instead would cost the disk
// a cache flush per file. A folder's renames are in the journal that the call committed. Every
// other entry (few of them, or on another file system) is flushed by itself: a file's data
// before its rename, a folder after its renames.
void PosixCopyPrimitives::flushEntries(const std::vector<OpenTemp::Raw>& files,
                                       const std::vector<FileHandle>& folders,
                                       const std::vector<std::string>& folderPaths,
                                       FlushFailures& failures)
{
    const FlushCalls& calls = m_flushCalls;
    std::vector<dev_t> folderDevices(folders.size(), 0);
    for (std::size_t i = 0; i < folders.size(); ++i) {
        FileStatus info{};
        if (folders[i] && ::fstat(folders[i].get(), &info) == 0)
            folderDevices[i] = info.st_dev;
    }
    int synced = -1;
    dev_t syncedDevice = 0;
    if (files.size() + folders.size() > kFlushEachUpTo) {
        for (std::size_t i = 0; synced < 0 && i < files.size(); ++i) {
            if (syncfsReaches(files[i].device, files[i].descriptor))
                synced = files[i].descriptor, syncedDevice = files[i].device;
        }
        for (std::size_t i = 0; synced < 0 && i < folders.size(); ++i) {
            if (folders[i] && syncfsReaches(folderDevices[i], folders[i].get()))
                synced = folders[i].get(), syncedDevice = folderDevices[i];
        }
    }
    const int syncError = synced >= 0 ? calls.sync(FlushCalls::FileSystem, synced) : 0;
    std::vector<int> fileCodes(files.size(), 0);
    flushEach(files.size(), [&](std::size_t i) {
        if (synced < 0 || files[i].device != syncedDevice) {
            fileCodes[i] = calls.sync(FlushCalls::Data, files[i].descriptor);
        } else if (syncError != 0) {
            fileCodes[i] = syncError;
        } else {
            // Waits for nothing once the data is on the disk; a file system without the call
            // flushes.
            const int code = calls.sync(FlushCalls::OwnErrors, files[i].descriptor);
            const bool unsupported = code == EINVAL || code == ENOSYS || code == EOPNOTSUPP;
            fileCodes[i] = unsupported ? calls.sync(FlushCalls::Data, files[i].descriptor) : code;
        }
    });
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (fileCodes[i] != 0)
            failures.files.push_back({i, errnoError(fileCodes[i])});
    }
    std::vector<int> folderCodes(folders.size(), 0);
    flushEach(folders.size(), [&](std::size_t i) {
        if (!folders[i])
            return;
        if (synced >= 0 && folderDevices[i] == syncedDevice)
            folderCodes[i] = syncError;
        else if (const int code = calls.sync(FlushCalls::Everything, folders[i].get());
                 !cannotFlushFolder(code))
            folderCodes[i] = code;
    });
    for (std::size_t i = 0; i < folders.size(); ++i) {
        if (folderCodes[i] != 0)
            failures.folders.push_back({i, errnoError(folderCodes[i]).concerning(folderPaths[i])});
    }
}

int flockCall(int descriptor, int operation)
{
    while (::flock(descriptor, operation) != 0) {
        if (errno != EINTR)
            return errno;
    }
    return 0;
}

OpenTemp createLockedTemp(const std::string& path, mode_t mode, const LockCall& lock)
{
    for (;;) {
        FileHandle file(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode));
        if (!file)
            throw pathError(errno, path);
        const int code = lock(file.get(), LOCK_EX);
        if (code != 0 && !cannotLock(code)) {
            // Removed at once: left behind, it could pass for a live one to every later run.
            ::unlink(path.c_str());
            throw errnoError(code);
        }
        // Another run may have taken the new file for a leftover in the moment before it was
        // locked, and removed it; then it is made again.
        FileStatus info{};
        if (::fstat(file.get(), &info) != 0)
            throw errnoError(errno);
        if (info.st_nlink > 0 || code != 0)
            return OpenTemp{std::move(file), info.st_dev};
    }
}

namespace {

// A new file without a name in the folder of path, or an empty handle where the file system
// cannot make one. It cannot be left behind: it goes when it is closed.
OpenTemp createUnnamedTemp(const std::string& path, mode_t mode)
{
    const std::string::size_type slash = path.find_last_of('/');
    const std::string folder = slash == 0 ? "/" : path.substr(0, slash);
    FileHandle file(::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode));
    if (!file) {
        const int code = errno;
        if (code == EOPNOTSUPP || code == EISDIR || code == EINVAL)
            return {};
        throw pathError(code, path);
    }
    FileStatus info{};
    if (::fstat(file.get(), &info) != 0)
        throw errnoError(errno);
    return OpenTemp{std::move(file), info.st_dev, false};
}

// Gives the file without a name that descriptor holds the name path; -1 with errno on a
// failure. Without the right to link by descriptor, it goes through /proc.
int linkUnnamed(int descriptor, const std::string& path)
{
    static std::atomic<bool> byDescriptorRefused{false};
    if (!byDescriptorRefused) {
        if (::linkat(descriptor, "", AT_FDCWD, path.c_str(), AT_EMPTY_PATH) == 0)
            return 0;
        if (errno != ENOENT && errno != EPERM)
            return -1;
        byDescriptorRefused = true;
    }
    const std::string proc = "/proc/self/fd/" + std::to_string(descriptor);
    return ::linkat(AT_FDCWD, proc.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW);
}

} // namespace

PosixCopyPrimitives::PosixCopyPrimitives(LockCall lock, FlushCalls flushCalls)
    : m_lock(std::move(lock)), m_flushCalls(std::move(flushCalls)), m_umask(currentUmask())
{
}

MadeFolder PosixCopyPrimitives::makeFolder(const std::string& path)
{
    if (::mkdir(path.c_str(), 0777) == 0)
        return MadeFolder{true, static_cast<std::uint32_t>(0777 & ~m_umask)};
    const int code = errno;
    if (code != EEXIST)
        throw errnoError(code);
    FileStatus info{};
    if (::stat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        throw RuntimeError(ErrorNumber::PermissionDenied);
    // A copy of a read-only folder is opened up for the moment it is filled; its own flags
    // come back once it is.
    mode_t mode = info.st_mode & 0777;
    if ((mode & S_IRWXU) != S_IRWXU && ::chmod(path.c_str(), mode | S_IRWXU) == 0)
        mode |= S_IRWXU;
    return MadeFolder{false, static_cast<std::uint32_t>(mode)};
}

void PosixCopyPrimitives::setFolderFlags(const std::string& path, std::uint32_t flags)
{
    if (::chmod(path.c_str(), static_cast<mode_t>(flags & 0777)) != 0)
        throw pathError(errno, path);
}

void PosixCopyPrimitives::removeStaleTemp(const std::string& path)
{
    // Non-blocking, so that something else under such a name cannot hold the copy up.
    FileHandle file(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!file)
        return; // gone, not a file of ours, or not readable: left as it is
    FileStatus held{};
    if (::fstat(file.get(), &held) != 0 || !S_ISREG(held.st_mode))
        return;
    // Where nothing can be locked no run holds it, and the caller's run lock keeps out the
    // other runs of its configuration: it is a leftover.
    if (const int code = m_lock(file.get(), LOCK_EX | LOCK_NB); code != 0 && !cannotLock(code))
        return; // a live run is writing it
    // Removed only when the name still leads to the file that was found unlocked.
    FileStatus current{};
    if (::lstat(path.c_str(), &current) != 0 || current.st_ino != held.st_ino ||
        current.st_dev != held.st_dev)
        return;
    if (::unlink(path.c_str()) != 0 && errno != ENOENT)
        throw pathError(errno, path);
}

std::size_t PosixCopyPrimitives::openTempLimit()
{
    struct rlimit limit
    {
    };
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return kOtherOpenFiles;
    // The soft limit is only a default; a copy that holds a batch of files open may go up to
    // the hard one.
    if (limit.rlim_cur < limit.rlim_max) {
        struct rlimit raised = limit;
        raised.rlim_cur = limit.rlim_max;
        if (::setrlimit(RLIMIT_NOFILE, &raised) == 0)
            limit = raised;
    }
    const rlim_t open = limit.rlim_cur == RLIM_INFINITY ? rlim_t{1} << 20 : limit.rlim_cur;
    return static_cast<std::size_t>(open > 2 * kOtherOpenFiles ? open - kOtherOpenFiles : open / 2);
}

bool PosixCopyPrimitives::isReadOnlyFile(const std::string& path)
{
    // A link in the way is replaced itself; what it points to is not a copy of ours.
    FileStatus info{};
    if (::lstat(path.c_str(), &info) != 0) {
        if (errno == ENOENT)
            return false;
        throw pathError(errno, path);
    }
    return S_ISREG(info.st_mode) && !(info.st_mode & S_IWUSR);
}

std::uint64_t PosixCopyPrimitives::copyToTemp(const std::string& source, const std::string& temp,
                                              const std::string& destination, bool replacing)
{
    // A source file gone since the listing is a path that cannot be reached, as elsewhere in
    // the copy, not a file the program itself failed to find. Opened without waiting, so that
    // a pipe or device put there since the listing cannot hold the copy up.
    FileHandle from(::open(source.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!from)
        throw errnoError(errno).concerning(source);
    FileStatus info{};
    if (::fstat(from.get(), &info) != 0)
        throw errnoError(errno).concerning(source);
    if (!S_ISREG(info.st_mode))
        throw notRegularFileError(source);
    // Reading a regular file never waits, but a file system may still honour the flag.
    if (::fcntl(from.get(), F_SETFL, 0) != 0)
        throw errnoError(errno).concerning(source);

    // Always a new file: the old copy's file may still be open for reading somewhere, and
    // rewriting it would show the reader another file's data.
    const mode_t mode = info.st_mode & 0777;
    // A file that replaces another needs a temporary name anyway: it is given one at once.
    OpenTemp to;
    try {
        if (!replacing)
            to = createUnnamedTemp(temp, mode);
        if (!to)
            to = createLockedTemp(temp, mode, m_lock);
    } catch (RuntimeError& error) {
        throw error.concerning(destination);
    }
    TempFileGuard guard(to.named ? temp : std::string());
    // Where the target is not known to be a local disk, each write may be a request that
    // waits for a round trip: it is given large ones.
    const bool local = syncfsReaches(to.device, to.file.get());
    const std::uint64_t bytes = copyFileContent(from.get(), to.file.get(),
                                                static_cast<std::uint64_t>(info.st_size), !local);
    // A file written while it was read is a copy of no one state of it.
    FileStatus after{};
    if (::fstat(from.get(), &after) != 0)
        throw errnoError(errno).concerning(source);
    if (after.st_size != info.st_size || after.st_mtim.tv_sec != info.st_mtim.tv_sec ||
        after.st_mtim.tv_nsec != info.st_mtim.tv_nsec)
        throw FileChangedError();
    const struct timespec times[2] = {info.st_atim, info.st_mtim};
    if (::futimens(to.file.get(), times) != 0)
        throw errnoError(errno).concerning(destination);
    // The mode was given when the file was made; only what the umask took is put back.
    if ((mode & m_umask) != 0 && ::fchmod(to.file.get(), mode) != 0)
        throw errnoError(errno).concerning(destination);
    guard.release();
    m_openTemps.add(temp, std::move(to));
    return bytes;
}

void PosixCopyPrimitives::close(const std::string& temp)
{
    if (OpenTemp closing = m_openTemps.take(temp))
        closing.file.close();
}

FlushFailures PosixCopyPrimitives::flush(const std::vector<std::string>& temps,
                                         const std::vector<std::string>& folders)
{
    FlushFailures failures;
    std::vector<OpenTemp::Raw> files;
    for (const std::string& temp : temps)
        files.push_back(m_openTemps.get(temp));
    std::vector<FileHandle> folderHandles;
    for (std::size_t i = 0; i < folders.size(); ++i) {
        folderHandles.emplace_back(::open(folders[i].c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!folderHandles.back())
            failures.folders.push_back({i, pathError(errno, folders[i]).concerning(folders[i])});
    }
    flushEntries(files, folderHandles, folders, failures);
    return failures;
}

void PosixCopyPrimitives::replace(const std::string& temp, const std::string& destination)
{
    const OpenTemp::Raw open = m_openTemps.get(temp);
    if (!open.named) {
        if (linkUnnamed(open.descriptor, destination) == 0) {
            close(temp);
            return;
        }
        if (errno != EEXIST)
            throw pathError(errno, destination).concerning(destination);
        // Something is in the way: the new copy takes a temporary name, locked against other
        // runs for the moment it lives, and replaces it in one step. Without its lock it gets
        // no name, so that it cannot be left behind.
        if (const int code = m_lock(open.descriptor, LOCK_EX); code != 0 && !cannotLock(code))
            throw errnoError(code).concerning(destination);
        if (linkUnnamed(open.descriptor, temp) != 0)
            throw pathError(errno, temp).concerning(destination);
    }
    // Renamed while still locked, so that no other run takes it for a leftover before. A
    // folder in the way refuses the rename (EISDIR); a link in the way is replaced itself.
    if (::rename(temp.c_str(), destination.c_str()) != 0) {
        const int code = errno;
        if (code == EISDIR || code == ENOTEMPTY || code == EEXIST)
            throw RuntimeError(ErrorNumber::PermissionDenied).concerning(destination);
        throw pathError(code, destination).concerning(destination);
    }
    close(temp);
}

void PosixCopyPrimitives::discard(const std::string& temp)
{
    const int code = ::unlink(temp.c_str()) == 0 ? 0 : errno;
    close(temp);
    if (code != 0 && code != ENOENT)
        throw pathError(code, temp);
}

} // namespace tarnwell::posix
