#include "platform/filesystem.h"
#include "platform/posix/oserror.h"
#include "platform/posix/posixcopy.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/vfs.h>

// What the POSIX copy primitives learn of folders: their entries with the stamps of their
// files, their identity and how finely their file system keeps times.
namespace tarnwell::posix {

namespace {

// statfs magic numbers of the file systems that keep coarser times than they are given.
constexpr std::uint32_t kFatMagic = 0x4d44;       // FAT and FAT32: 2 s
constexpr std::uint32_t kExfatMagic = 0x2011bab0; // 10 ms
constexpr std::uint32_t kNtfsMagic = 0x5346544e;  // NTFS and SMB shares: 100 ns
constexpr std::uint32_t kNtfs3Magic = 0x7366746e;
constexpr std::uint32_t kCifsMagic = 0xff534d42;
constexpr std::uint32_t kSmb2Magic = 0xfe534d42;

FolderEntry::Type typeOf(const FileStatus& info)
{
    if (S_ISDIR(info.st_mode))
        return FolderEntry::Type::Folder;
    if (S_ISREG(info.st_mode))
        return FolderEntry::Type::File;
    return FolderEntry::Type::Other;
}

// What an entry with no content to copy is, for the log.
const char* specialKind(bool fifo, bool socket)
{
    return fifo ? "a named pipe" : socket ? "a socket" : "a device";
}

FileStamp stampOf(const FileStatus& info)
{
    return FileStamp{static_cast<std::uint64_t>(info.st_size), info.st_mtim.tv_sec,
                     static_cast<std::uint32_t>(info.st_mtim.tv_nsec),
                     static_cast<std::uint32_t>(info.st_mode & 0777)};
}

// The entry name of the open folder as the copy sees it; the listing's type saves a call
// where it is given and enough.
FolderEntry entryFor(int folder, std::string name, unsigned char listedType, bool withStamps)
{
    FolderEntry entry{std::move(name), FolderEntry::Type::Other, false};
    if (listedType == DT_DIR || (listedType == DT_REG && !withStamps)) {
        entry.type = listedType == DT_DIR ? FolderEntry::Type::Folder : FolderEntry::Type::File;
        return entry;
    }
    if (listedType != DT_REG && listedType != DT_LNK && listedType != DT_UNKNOWN) {
        entry.what = specialKind(listedType == DT_FIFO, listedType == DT_SOCK);
        return entry;
    }
    FileStatus info{};
    int failed = ::fstatat(folder, entry.name.c_str(), &info, AT_SYMLINK_NOFOLLOW);
    if (failed == 0 && S_ISLNK(info.st_mode)) {
        entry.link = true;
        failed = ::fstatat(folder, entry.name.c_str(), &info, 0);
    }
    if (failed != 0) {
        // A link to nothing is named as such; a file gone since it was listed is simply not
        // there. Any other failure to look it up (no access, a loop, an I/O error) is a failure
        // of this entry.
        const int code = errno;
        if (code == ENOENT && entry.link) {
            entry.type = FolderEntry::Type::Failed;
            entry.failure = danglingLinkError();
        } else if (code != ENOENT && code != ENOTDIR) {
            entry.type = FolderEntry::Type::Failed;
            entry.failure = errnoError(code);
        }
        return entry;
    }
    entry.type = typeOf(info);
    if (entry.type == FolderEntry::Type::File)
        entry.stamp = stampOf(info);
    else if (entry.type == FolderEntry::Type::Other)
        entry.what = specialKind(S_ISFIFO(info.st_mode), S_ISSOCK(info.st_mode));
    return entry;
}

} // namespace

std::vector<FolderEntry> PosixCopyPrimitives::listFolder(const std::string& folder, bool withStamps)
{
    Directory directory(folder);
    std::vector<FolderEntry> entries;
    while (const struct dirent* item = directory.read()) {
        std::string name = item->d_name;
        if (name != "." && name != "..")
            entries.push_back(
                entryFor(directory.descriptor(), std::move(name), item->d_type, withStamps));
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

std::chrono::nanoseconds PosixCopyPrimitives::timeResolution(const std::string& folder)
{
    struct statfs info
    {
    };
    if (::statfs(folder.c_str(), &info) != 0)
        throw errnoError(errno);
    switch (static_cast<std::uint32_t>(info.f_type)) {
    case kFatMagic:
        return std::chrono::seconds(2);
    case kExfatMagic:
        return std::chrono::milliseconds(10);
    case kNtfsMagic:
    case kNtfs3Magic:
    case kCifsMagic:
    case kSmb2Magic:
        return std::chrono::nanoseconds(100);
    default:
        return std::chrono::nanoseconds(0);
    }
}

} // namespace tarnwell::posix
