#include "platform/posix/posixcopy.h"

#include "platform/posix/oserror.h"
#include "platform/posix/unixfile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace tarnwell::posix {

namespace {

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

} // namespace

std::uint64_t copyFileContent(int from, int to, std::uint64_t expectedSize)
{
    constexpr std::uint64_t kChunk = std::uint64_t{1} << 30;
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
        // Not offered between these two files (older kernels, some file systems): both
        // offsets are where the kernel stopped, so plain copying goes on from there.
        if (errno == EXDEV || errno == ENOSYS || errno == EOPNOTSUPP || errno == EINVAL ||
            errno == EBADF)
            return total + copyByReadWrite(from, to);
        throw errnoError(errno);
    }
    return total;
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

void PosixCopyPrimitives::removeFile(const std::string& path)
{
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

std::uint64_t PosixCopyPrimitives::copyFile(const std::string& source, const std::string& temp,
                                            const std::string& destination)
{
    // A source file gone since the listing is a path that cannot be reached, as elsewhere in
    // the copy, not a file the program itself failed to find.
    FileHandle from(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
    if (!from)
        throw errnoError(errno);
    FileStatus info{};
    if (::fstat(from.get(), &info) != 0)
        throw errnoError(errno);

    // Always a new file: the old copy's file may still be open for reading somewhere, and
    // rewriting it would show the reader another file's data.
    FileHandle to(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (!to)
        throw pathError(errno, temp);
    TempFileGuard guard(temp);
    const std::uint64_t bytes =
        copyFileContent(from.get(), to.get(), static_cast<std::uint64_t>(info.st_size));
    // No fsync per file: it would cost more than the copy itself. The old copy is replaced
    // only after the new content is complete, so a failure never destroys it.
    const struct timespec times[2] = {info.st_atim, info.st_mtim};
    if (::futimens(to.get(), times) != 0 || ::fchmod(to.get(), info.st_mode & 0777) != 0)
        throw errnoError(errno);
    to.close();
    replace(temp, destination);
    guard.release();
    return bytes;
}

void PosixCopyPrimitives::replace(const std::string& written, const std::string& destination)
{
    FileStatus old{};
    if (::lstat(destination.c_str(), &old) == 0 && S_ISDIR(old.st_mode))
        throw RuntimeError(ErrorNumber::PermissionDenied);
    if (::rename(written.c_str(), destination.c_str()) != 0) {
        const int code = errno;
        if (code == EISDIR || code == ENOTEMPTY || code == EEXIST)
            throw RuntimeError(ErrorNumber::PermissionDenied);
        throw pathError(code, destination);
    }
}

} // namespace tarnwell::posix
