#include "platform/posix/posixcopy.h"

#include "platform/posix/oserror.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace tarnwell::posix {

namespace {

// Up to this many files or folders are flushed one by one; more are flushed with one call for
// their whole file system, which costs one journal commit instead of one per file.
constexpr std::size_t kFlushEachUpTo = 2;

constexpr std::uint64_t kChunk = std::uint64_t{1} << 30;

FolderEntry::Type typeOf(const FileStatus& info)
{
    if (S_ISDIR(info.st_mode))
        return FolderEntry::Type::Folder;
    if (S_ISREG(info.st_mode))
        return FolderEntry::Type::File;
    return FolderEntry::Type::Other;
}

// The entry at path as the copy sees it; the listing's type saves a call where it is given.
FolderEntry entryFor(const std::string& path, std::string name, unsigned char listedType)
{
    FolderEntry entry{std::move(name), FolderEntry::Type::Other, false};
    FileStatus info{};
    if (listedType == DT_DIR)
        entry.type = FolderEntry::Type::Folder;
    else if (listedType == DT_REG)
        entry.type = FolderEntry::Type::File;
    else if (listedType == DT_LNK || listedType == DT_UNKNOWN) {
        if (::lstat(path.c_str(), &info) != 0)
            return entry; // gone since it was listed
        entry.link = S_ISLNK(info.st_mode);
        // A link to nothing has no content: it is left alone rather than stopping the copy.
        if (!entry.link || ::stat(path.c_str(), &info) == 0)
            entry.type = typeOf(info);
    }
    return entry;
}

std::uint64_t copyByReadWrite(int from, int to)
{
    std::vector<char> buffer(256 * 1024);
    std::uint64_t total = 0;
    for (;;) {
        const ssize_t got = ::read(from, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            throw errnoError(errno);
        if (got == 0)
            return total;
        writeAll(to, buffer.data(), static_cast<std::size_t>(got));
        total += static_cast<std::uint64_t>(got);
    }
}

// Between two file systems the kernel still copies without a trip through user memory, which
// was measured faster than reads and writes for large files.
std::uint64_t copyBySendfile(int from, int to, std::uint64_t expectedSize)
{
    std::uint64_t total = 0;
    while (expectedSize == 0 || total < expectedSize) {
        const std::uint64_t wanted =
            expectedSize == 0 ? kChunk : std::min(kChunk, expectedSize - total);
        const ssize_t sent = ::sendfile(to, from, nullptr, static_cast<std::size_t>(wanted));
        if (sent > 0) {
            total += static_cast<std::uint64_t>(sent);
            continue;
        }
        if (sent == 0)
            return total;
        if (errno == EINTR)
            continue;
        if (errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP)
            return total + copyByReadWrite(from, to);
        throw errnoError(errno);
    }
    return total;
}

void syncDescriptor(int descriptor)
{
    if (::fsync(descriptor) != 0)
        throw errnoError(errno);
}

// Flushes each file, or each file system once when there are many.
void flushAll(const std::vector<int>& descriptors)
{
    if (descriptors.size() <= kFlushEachUpTo) {
        for (const int descriptor : descriptors)
            syncDescriptor(descriptor);
        return;
    }
    std::vector<dev_t> done;
    for (const int descriptor : descriptors) {
        FileStatus info{};
        if (::fstat(descriptor, &info) != 0)
            throw errnoError(errno);
        if (std::find(done.begin(), done.end(), info.st_dev) != done.end())
            continue;
        if (::syncfs(descriptor) != 0)
            throw errnoError(errno);
        done.push_back(info.st_dev);
    }
}

} // namespace

std::uint64_t copyFileContent(int from, int to, std::uint64_t expectedSize)
{
    std::uint64_t total = 0;
    // Stopping at the expected size saves a call per file; a file of unknown size (0) is
    // copied until the kernel reports its end.
    while (expectedSize == 0 || total < expectedSize) {
        const std::uint64_t wanted =
            expectedSize == 0 ? kChunk : std::min(kChunk, expectedSize - total);
        const ssize_t copied =
            ::copy_file_range(from, nullptr, to, nullptr, static_cast<std::size_t>(wanted), 0);
        if (copied > 0) {
            total += static_cast<std::uint64_t>(copied);
            continue;
        }
        if (copied == 0)
            return total;
        if (errno == EINTR)
            continue;
        // Not offered between these two files (another file system, older kernels): both
        // offsets are where the kernel stopped, so the copy goes on from there.
        if (errno == EXDEV || errno == ENOSYS || errno == EOPNOTSUPP || errno == EINVAL ||
            errno == EBADF)
            return total + copyBySendfile(from, to, expectedSize == 0 ? 0 : expectedSize - total);
        throw errnoError(errno);
    }
    return total;
}

FileHandle createLockedTemp(const std::string& path)
{
    for (;;) {
        FileHandle file(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
        if (!file)
            throw pathError(errno, path);
        while (::flock(file.get(), LOCK_EX) != 0) {
            if (errno != EINTR)
                throw errnoError(errno);
        }
        // Another run may have taken the new file for a leftover in the moment before it was
        // locked, and removed it; then it is made again.
        FileStatus info{};
        if (::fstat(file.get(), &info) != 0)
            throw errnoError(errno);
        if (info.st_nlink > 0)
            return file;
    }
}

std::vector<FolderEntry> PosixCopyPrimitives::listFolder(const std::string& folder)
{
    Directory directory(folder);
    std::vector<FolderEntry> entries;
    while (const struct dirent* item = directory.read()) {
        const std::string name = item->d_name;
        if (name != "." && name != "..")
            entries.push_back(entryFor(folder + "/" + name, name, item->d_type));
    }
    return entries;
}

FolderId PosixCopyPrimitives::folderId(const std::string& folder)
{
    FileStatus info{};
    if (::stat(folder.c_str(), &info) != 0)
        throw errnoError(errno);
    if (!S_ISDIR(info.st_mode))
        throw RuntimeError(ErrorNumber::PathNotFound);
    return FolderId{static_cast<std::uint64_t>(info.st_dev),
                    static_cast<std::uint64_t>(info.st_ino)};
}

bool PosixCopyPrimitives::makeFolder(const std::string& path)
{
    if (::mkdir(path.c_str(), 0777) == 0)
        return true;
    const int code = errno;
    if (code != EEXIST)
        throw errnoError(code);
    FileStatus info{};
    if (::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
        return false;
    throw RuntimeError(ErrorNumber::PermissionDenied);
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
    if (::flock(file.get(), LOCK_EX | LOCK_NB) != 0)
        return; // a live run is writing it
    // Removed only when the name still leads to the file that was found unlocked.
    FileStatus current{};
    if (::lstat(path.c_str(), &current) != 0 || current.st_ino != held.st_ino ||
        current.st_dev != held.st_dev)
        return;
    if (::unlink(path.c_str()) != 0 && errno != ENOENT)
        throw pathError(errno, path);
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
                                              const std::string& destination)
{
    // A source file gone since the listing is a path that cannot be reached, as elsewhere in
    // the copy, not a file the program itself failed to find.
    FileHandle from(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
    if (!from)
        throw errnoError(errno).concerning(source);
    FileStatus info{};
    if (::fstat(from.get(), &info) != 0)
        throw errnoError(errno).concerning(source);

    // Always a new file: the old copy's file may still be open for reading somewhere, and
    // rewriting it would show the reader another file's data.
    FileHandle to;
    try {
        to = createLockedTemp(temp);
    } catch (RuntimeError& error) {
        throw error.concerning(destination);
    }
    TempFileGuard guard(temp);
    const std::uint64_t bytes =
        copyFileContent(from.get(), to.get(), static_cast<std::uint64_t>(info.st_size));
    const struct timespec times[2] = {info.st_atim, info.st_mtim};
    if (::futimens(to.get(), times) != 0 || ::fchmod(to.get(), info.st_mode & 0777) != 0)
        throw errnoError(errno).concerning(destination);
    guard.release();
    m_openTemps.add(temp, std::move(to));
    return bytes;
}

void PosixCopyPrimitives::close(const std::string& temp)
{
    if (FileHandle closing = m_openTemps.take(temp))
        closing.close();
}

void PosixCopyPrimitives::flushFiles(const std::vector<std::string>& temps)
{
    std::vector<int> descriptors;
    for (const std::string& temp : temps)
        descriptors.push_back(m_openTemps.get(temp));
    flushAll(descriptors);
}

void PosixCopyPrimitives::replace(const std::string& temp, const std::string& destination)
{
    FileStatus old{};
    if (::lstat(destination.c_str(), &old) == 0 && S_ISDIR(old.st_mode))
        throw RuntimeError(ErrorNumber::PermissionDenied).concerning(destination);
    // Renamed while still locked, so that no other run takes it for a leftover before.
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

void PosixCopyPrimitives::flushFolders(const std::vector<std::string>& folders)
{
    std::vector<FileHandle> handles;
    std::vector<int> descriptors;
    for (const std::string& folder : folders) {
        handles.emplace_back(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!handles.back())
            throw pathError(errno, folder).concerning(folder);
        descriptors.push_back(handles.back().get());
    }
    flushAll(descriptors);
}

} // namespace tarnwell::posix
