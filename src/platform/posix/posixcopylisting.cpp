#include "platform/filesystem.h"
#include "platform/posix/oserror.h"
#include "platform/posix/posixcopy.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <utility>

// What the POSIX copy primitives learn of folders: their entries with the stamps of their
// files, their identity and what their file system keeps of a copy's mode and time.
namespace tarnwell::posix {

namespace {

// statfs magic numbers of the file systems that keep less than they are given.
constexpr std::uint32_t kFatMagic = 0x4d44;       // FAT and FAT32: 2 s, the read-only flag
constexpr std::uint32_t kExfatMagic = 0x2011bab0; // 10 ms, the read-only flag
constexpr std::uint32_t kNtfsMagic = 0x5346544e;  // NTFS and SMB shares: 100 ns
constexpr std::uint32_t kNtfs3Magic = 0x7366746e;
constexpr std::uint32_t kCifsMagic = 0xff534d42;
constexpr std::uint32_t kSmb2Magic = 0xfe534d42;

// The mode a probe gives its file first; then the same less its write bits.
constexpr mode_t kProbeMode = 0640;

// What the file system that holds folder keeps, as far as its type tells.
TargetKeeps keptByType(const std::string& folder)
{
    struct statfs info
    {
    };
    if (::statfs(folder.c_str(), &info) != 0)
        throw errnoError(errno);
    switch (static_cast<std::uint32_t>(info.f_type)) {
    case kFatMagic:
        return TargetKeeps{S_IWUSR, kFatResolution};
    case kExfatMagic:
        return TargetKeeps{S_IWUSR, std::chrono::milliseconds(10)};
    case kNtfsMagic:
    case kNtfs3Magic:
    case kCifsMagic:
    case kSmb2Magic:
        return TargetKeeps{0777, std::chrono::nanoseconds(100)};
    default:
        return TargetKeeps{0777, std::chrono::nanoseconds(0)};
    }
}

// What the probe file, open as file at path, kept of a mode, the same mode without its write
// bits and a time; nothing when it cannot be asked. What is kept is read once the file is
// closed, by its name, as a listing sees it: some file systems set the time when a file is
// closed. A call the file system refuses shows in what comes back.
std::optional<TargetKeeps> readBack(FileHandle file, const std::string& path)
{
    FileStatus writable{};
    FileStatus readOnly{};
    ::fchmod(file.get(), kProbeMode);
    if (::fstat(file.get(), &writable) != 0)
        return std::nullopt;
    const struct timespec times[2] = {{kProbeSeconds, kProbeNanoseconds},
                                      {kProbeSeconds, kProbeNanoseconds}};
    const bool timed = ::futimens(file.get(), times) == 0;
    // FAT on Linux takes away all the write bits as its read-only flag, and refuses any other
    // change of mode.
    ::fchmod(file.get(), writable.st_mode & 0777 & ~mode_t{0222});
    file = FileHandle();
    if (!timed || ::lstat(path.c_str(), &readOnly) != 0)
        return std::nullopt;
    TargetKeeps kept;
    if ((writable.st_mode & 0777) == kProbeMode &&
        (readOnly.st_mode & 0777) == (kProbeMode & ~mode_t{0222}))
        kept.flags = 0777;
    else if ((writable.st_mode & S_IWUSR) && !(readOnly.st_mode & S_IWUSR))
        kept.flags = S_IWUSR;
    else
        kept.flags = 0;
    const std::optional<std::chrono::nanoseconds> resolution =
        resolutionReadBack(kProbeSeconds, kProbeNanoseconds, readOnly.st_mtim.tv_sec,
                           static_cast<std::uint32_t>(readOnly.st_mtim.tv_nsec));
    if (!resolution)
        return std::nullopt;
    kept.resolution = *resolution;
    return kept;
}

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
                    static_cast<std::uint64_t>(info.st_ino),
                    static_cast<std::uint32_t>(info.st_mode & 0777)};
}

TargetKeeps PosixCopyPrimitives::targetKeeps(const std::string& folder, const std::string& probe)
{
    const TargetKeeps byType = keptByType(folder);
    OpenTemp file;
    try {
        file = createLockedTemp(probe, 0600, m_lock);
    } catch (const RuntimeError&) {
        return byType; // nothing can be written here, and so nothing is copied either
    }
    const TempFileGuard removed(probe);
    return readBack(std::move(file.file), probe).value_or(byType);
}

} // namespace tarnwell::posix
