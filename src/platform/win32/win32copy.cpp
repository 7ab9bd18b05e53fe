#include "platform/win32/win32copy.h"

#include "platform/error.h"
#include "platform/filesystem.h"
#include "platform/win32/findfiles.h"
#include "platform/win32/handles.h"
#include "platform/win32/longpath.h"
#include "platform/win32/retry.h"
#include "platform/win32/widetext.h"
#include "platform/win32/win32error.h"
#include "platform/win32/winapi.h"

#include <optional>
#include <vector>

namespace tarnwell::win32 {

namespace {

// Not in every MinGW-w64 header.
#ifndef FILE_ATTRIBUTE_RECALL_ON_OPEN
#define FILE_ATTRIBUTE_RECALL_ON_OPEN 0x00040000
#endif
#ifndef FILE_ATTRIBUTE_RECALL_ON_DATA_ACCESS
#define FILE_ATTRIBUTE_RECALL_ON_DATA_ACCESS 0x00400000
#endif
#ifndef IO_REPARSE_TAG_APPEXECLINK
#define IO_REPARSE_TAG_APPEXECLINK 0x8000001BL
#endif

// The flags a copy carries along, and that the quick check compares.
constexpr DWORD kCopiedFlags =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

// A file whose content is elsewhere (a cloud placeholder, offline storage): reading it fetches
// it, and without the network it fails.
constexpr DWORD kNotLocal =
    FILE_ATTRIBUTE_OFFLINE | FILE_ATTRIBUTE_RECALL_ON_OPEN | FILE_ATTRIBUTE_RECALL_ON_DATA_ACCESS;

bool hiddenAndSystem(DWORD attributes)
{
    constexpr DWORD both = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    return (attributes & both) == both;
}

std::wstring childOf(const std::wstring& folder, const std::wstring& name)
{
    return folder.back() == L'\\' ? folder + name : folder + L'\\' + name;
}

// Opens whatever path leads to, following links, without asking for its content.
FileHandle openForInformation(const std::wstring& path)
{
    return FileHandle(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

bool hasTag(const WIN32_FIND_DATAW& data, DWORD tag)
{
    return (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && data.dwReserved0 == tag;
}

bool isLink(const WIN32_FIND_DATAW& data)
{
    return hasTag(data, IO_REPARSE_TAG_SYMLINK) || hasTag(data, IO_REPARSE_TAG_MOUNT_POINT);
}

// Windows times are 100 ns ticks since 1601.
constexpr std::int64_t kTicksPerSecond = 10'000'000;
constexpr std::int64_t kTicksTo1970 = 116'444'736'000'000'000;

// What the copy compares: the size, the time and the flags a copy carries.
FileStamp stampOf(FILETIME written, DWORD sizeHigh, DWORD sizeLow, DWORD attributes)
{
    const std::int64_t ticks =
        static_cast<std::int64_t>((std::uint64_t{written.dwHighDateTime} << 32) |
                                  written.dwLowDateTime) -
        kTicksTo1970;
    std::int64_t seconds = ticks / kTicksPerSecond;
    std::int64_t rest = ticks % kTicksPerSecond;
    if (rest < 0) {
        --seconds;
        rest += kTicksPerSecond;
    }
    return FileStamp{(std::uint64_t{sizeHigh} << 32) | sizeLow, seconds,
                     static_cast<std::uint32_t>(rest * 100),
                     static_cast<std::uint32_t>(attributes & kCopiedFlags)};
}

// Fills in the type, and the stamp or failure, of what a link leads to.
void lookBehindLink(const std::wstring& path, FolderEntry& entry)
{
    FileHandle target = openForInformation(path);
    BY_HANDLE_FILE_INFORMATION info;
    if (!target.valid() || !GetFileInformationByHandle(target.get(), &info)) {
        // A link to nothing is named as such; any other failure to look it up (a junction to
        // a share that is offline, no access) is a failure of this entry.
        const DWORD code = GetLastError();
        entry.type = FolderEntry::Type::Failed;
        if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND)
            entry.failure = danglingLinkError();
        else
            entry.failure = win32Error(code, Subject::File);
        return;
    }
    if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        entry.type = FolderEntry::Type::Folder;
        return;
    }
    entry.type = FolderEntry::Type::File;
    entry.onlineOnly = (info.dwFileAttributes & kNotLocal) != 0;
    entry.stamp =
        stampOf(info.ftLastWriteTime, info.nFileSizeHigh, info.nFileSizeLow, info.dwFileAttributes);
}

// Taken on the byte beyond any real file's end, so that it never stands in a reader's way.
// ERROR_SUCCESS, or the code of the failure.
DWORD lockAsLive(HANDLE file, bool wait)
{
    OVERLAPPED where{};
    where.Offset = 0xFFFFFFFEu;
    where.OffsetHigh = 0x7FFFFFFFu;
    const DWORD flags = LOCKFILE_EXCLUSIVE_LOCK | (wait ? 0 : LOCKFILE_FAIL_IMMEDIATELY);
    return LockFileEx(file, flags, 0, 1, 0, &where) ? ERROR_SUCCESS : GetLastError();
}

// Failures that mean the file system cannot lock at all (some network shares).
bool cannotLock(DWORD code)
{
    return code == ERROR_NOT_SUPPORTED || code == ERROR_INVALID_FUNCTION;
}

// Removes a file of ours, also when it carries the read-only flag it was copied with, and
// also when a scanner looks at it for a moment.
void deleteTemp(const std::wstring& path)
{
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    retryRefusals([&] { return DeleteFileW(path.c_str()) ? ERROR_SUCCESS : GetLastError(); });
}

// Makes temp (a long path) as a new file and takes its lock before a byte is written, so that
// another run never takes it for a leftover; should another run have removed it in the moment
// before the lock, it is made again. Where the target cannot lock at all, the copy goes on
// without the lock; a file whose lock fails otherwise is removed at once.
FileHandle createLockedTemp(const std::wstring& temp, const std::string& destination)
{
    for (;;) {
        FileHandle file(CreateFileW(temp.c_str(), GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.valid())
            throw lastWin32Error(Subject::Folder).concerning(destination);
        const DWORD code = lockAsLive(file.get(), true);
        if (code != ERROR_SUCCESS && !cannotLock(code)) {
            file.close();
            deleteTemp(temp);
            throw win32Error(code, Subject::Folder).concerning(destination);
        }
        FILE_STANDARD_INFO standard{};
        if (!GetFileInformationByHandleEx(file.get(), FileStandardInfo, &standard,
                                          sizeof standard) ||
            !standard.DeletePending)
            return file;
    }
}

// Copies the rest of from into to; returns the bytes copied.
std::uint64_t copyContent(HANDLE from, HANDLE to)
{
    thread_local std::vector<char> buffer(std::size_t{1} << 20);
    std::uint64_t total = 0;
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(from, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr))
            throw lastWin32Error(Subject::File);
        if (got == 0)
            return total;
        for (DWORD done = 0; done < got;) {
            DWORD written = 0;
            if (!WriteFile(to, buffer.data() + done, got - done, &written, nullptr))
                throw lastWin32Error(Subject::File);
            done += written;
        }
        total += got;
    }
}

// A file system that cannot flush a folder, or a folder that may not be opened to flush it.
bool cannotFlushFolder(DWORD code)
{
    return code == ERROR_INVALID_FUNCTION || code == ERROR_NOT_SUPPORTED ||
           code == ERROR_INVALID_PARAMETER || code == ERROR_ACCESS_DENIED;
}

} // namespace

std::vector<FolderEntry> Win32CopyPrimitives::listFolder(const std::string& folder, bool)
{
    // The listing gives every file's stamp anyway.
    const std::wstring longFolder = toLongPath(folder);
    std::vector<FolderEntry> entries;
    const bool found =
        forEachMatch(childOf(longFolder, L"*"), Subject::Folder, [&](const WIN32_FIND_DATAW& data) {
            const std::wstring name = data.cFileName;
            if (name == L"." || name == L"..")
                return;
            FolderEntry entry{toUtf8(name), FolderEntry::Type::File, false};
            entry.hiddenSystem = hiddenAndSystem(data.dwFileAttributes);
            if (isLink(data)) {
                entry.link = true;
                // A profile's compatibility junctions are not looked behind: their access list
                // refuses it, and the walk does not enter them.
                if (entry.hiddenSystem && (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                    entry.type = FolderEntry::Type::Folder;
                else
                    lookBehindLink(childOf(longFolder, name), entry);
            } else if (hasTag(data, IO_REPARSE_TAG_APPEXECLINK)) {
                // A name the Store puts on the path to start an app; it has no content.
                entry.type = FolderEntry::Type::Other;
                entry.what = "an app execution alias";
            } else if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                entry.type = FolderEntry::Type::Folder;
            } else {
                entry.onlineOnly = (data.dwFileAttributes & kNotLocal) != 0;
                entry.stamp = stampOf(data.ftLastWriteTime, data.nFileSizeHigh, data.nFileSizeLow,
                                      data.dwFileAttributes);
            }
            entries.push_back(std::move(entry));
        });
    if (!found)
        throw RuntimeError(ErrorNumber::PathNotFound);
    return entries;
}

FolderId Win32CopyPrimitives::folderId(const std::string& folder)
{
    FileHandle handle = openForInformation(toLongPath(folder));
    if (!handle.valid())
        throw lastWin32Error(Subject::Folder);
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(handle.get(), &info))
        throw lastWin32Error(Subject::Folder);
    if (!(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        throw RuntimeError(ErrorNumber::PathNotFound);
    return FolderId{info.dwVolumeSerialNumber,
                    (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
}

TargetKeeps Win32CopyPrimitives::targetKeeps(const std::string& folder, const std::string& probe)
{
    FileHandle handle = openForInformation(toLongPath(folder));
    wchar_t name[MAX_PATH + 1] = {};
    if (!handle.valid() || !GetVolumeInformationByHandleW(handle.get(), nullptr, 0, nullptr,
                                                          nullptr, nullptr, name, MAX_PATH + 1))
        throw lastWin32Error(Subject::Folder);
    const std::wstring fileSystem = name;
    TargetKeeps byName; // NTFS and ReFS keep the 100 ns a time is given in
    if (fileSystem == L"FAT" || fileSystem == L"FAT32")
        byName.resolution = kFatResolution;
    else if (fileSystem == L"exFAT")
        byName.resolution = std::chrono::milliseconds(10);

    // The probe is given a time in whole ticks, with odd seconds and odd ticks.
    const std::wstring path = toLongPath(probe);
    FileHandle file;
    try {
        file = createLockedTemp(path, probe);
    } catch (const RuntimeError&) {
        return byName; // nothing can be written here, and so nothing is copied either
    }
    const std::uint32_t givenNanoseconds = kProbeNanoseconds / 100 * 100;
    const std::int64_t ticks =
        kProbeSeconds * kTicksPerSecond + givenNanoseconds / 100 + kTicksTo1970;
    FILE_BASIC_INFO basic{};
    basic.LastWriteTime.QuadPart = ticks;
    const bool timed = SetFileInformationByHandle(file.get(), FileBasicInfo, &basic, sizeof basic);
    file.close();
    // Asked by its name once closed, as a listing would see it, rather than from the handle.
    WIN32_FILE_ATTRIBUTE_DATA data{};
    const bool read = timed && GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
    deleteTemp(path);
    if (!read)
        return byName;
    const FileStamp stamp = stampOf(data.ftLastWriteTime, 0, 0, 0);
    const std::optional<std::chrono::nanoseconds> resolution =
        resolutionReadBack(kProbeSeconds, givenNanoseconds, stamp.seconds, stamp.nanoseconds);
    if (resolution)
        byName.resolution = *resolution;
    return byName;
}

MadeFolder Win32CopyPrimitives::makeFolder(const std::string& path)
{
    const std::wstring longPath = toLongPath(path);
    if (CreateDirectoryW(longPath.c_str(), nullptr))
        return MadeFolder{true};
    const DWORD code = GetLastError();
    if (code != ERROR_ALREADY_EXISTS && code != ERROR_FILE_EXISTS)
        throw win32Error(code, Subject::Folder);
    // A link to a folder counts as the folder: the attributes are those of the link, so ask
    // the folder behind it.
    FileHandle existing = openForInformation(longPath);
    BY_HANDLE_FILE_INFORMATION info;
    if (existing.valid() && GetFileInformationByHandle(existing.get(), &info) &&
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return MadeFolder{false};
    throw RuntimeError(ErrorNumber::PermissionDenied);
}

void Win32CopyPrimitives::setFolderFlags(const std::string&, std::uint32_t)
{
    // A folder's read-only attribute means something else on Windows (a folder with a
    // customised view), and the copy gives none: there is nothing to carry over.
}

void Win32CopyPrimitives::removeStaleTemp(const std::string& path)
{
    const std::wstring longPath = toLongPath(path);
    FileHandle file(CreateFileW(longPath.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file.valid())
        return; // gone
    // Where nothing can be locked no run holds it, and the caller's run lock keeps out the
    // other runs of its configuration: it is a leftover.
    const DWORD code = lockAsLive(file.get(), false);
    if (code != ERROR_SUCCESS && !cannotLock(code))
        return; // a live run is writing it
    deleteTemp(longPath);
}

bool Win32CopyPrimitives::isReadOnlyFile(const std::string& path)
{
    const DWORD attributes = GetFileAttributesW(toLongPath(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD code = GetLastError();
        if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND)
            return false;
        throw win32Error(code, Subject::File);
    }
    return (attributes & FILE_ATTRIBUTE_READONLY) && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::uint64_t Win32CopyPrimitives::copyToTemp(const std::string& source, const std::string& temp,
                                              const std::string& destination, bool)
{
    const std::wstring from = toLongPath(source);
    const std::wstring to = toLongPath(temp);
    const std::wstring target = toLongPath(destination);

    const DWORD existing = GetFileAttributesW(target.c_str());
    if (existing != INVALID_FILE_ATTRIBUTES && (existing & FILE_ATTRIBUTE_DIRECTORY))
        throw RuntimeError(ErrorNumber::PermissionDenied).concerning(destination);

    // Shared for writing and deleting, as the program that has the file open allows: an open
    // document or database is read as it stands, and whether it changed meanwhile is checked
    // after. Only a program that lets no one read its file keeps it from the copy; a brief hold
    // (a scanner, the indexer) is waited out.
    FileHandle input;
    const DWORD opened = retryRefusals([&] {
        input = FileHandle(CreateFileW(from.c_str(), GENERIC_READ,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        return input.valid() ? ERROR_SUCCESS : GetLastError();
    });
    BY_HANDLE_FILE_INFORMATION info;
    if (opened != ERROR_SUCCESS)
        throw win32Error(opened, Subject::Folder).concerning(source);
    if (!GetFileInformationByHandle(input.get(), &info))
        throw lastWin32Error(Subject::Folder).concerning(source);
    FileHandle output = createLockedTemp(to, destination);
    try {
        const std::uint64_t bytes = copyContent(input.get(), output.get());
        BY_HANDLE_FILE_INFORMATION after;
        if (!GetFileInformationByHandle(input.get(), &after))
            throw lastWin32Error(Subject::File);
        if (after.nFileSizeHigh != info.nFileSizeHigh || after.nFileSizeLow != info.nFileSizeLow ||
            CompareFileTime(&after.ftLastWriteTime, &info.ftLastWriteTime) != 0)
            throw FileChangedError();
        // The flags and the time go on last: no write may follow that would change the time.
        FILE_BASIC_INFO basic{};
        basic.LastWriteTime.LowPart = info.ftLastWriteTime.dwLowDateTime;
        basic.LastWriteTime.HighPart = static_cast<LONG>(info.ftLastWriteTime.dwHighDateTime);
        basic.FileAttributes = info.dwFileAttributes & (kCopiedFlags | FILE_ATTRIBUTE_ARCHIVE);
        if (basic.FileAttributes == 0)
            basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
        if (!SetFileInformationByHandle(output.get(), FileBasicInfo, &basic, sizeof basic))
            throw lastWin32Error(Subject::File);
        m_openTemps.add(temp, std::move(output));
        return bytes;
    } catch (RuntimeError& error) {
        output.close();
        deleteTemp(to);
        // A read refused partway is a range another program has locked: the file is in use.
        throw error.concerning(error.number() == ErrorNumber::FileInUse ? source : destination);
    }
}

FlushFailures Win32CopyPrimitives::flush(const std::vector<std::string>& temps,
                                         const std::vector<std::string>& folders)
{
    FlushFailures failures;
    for (std::size_t i = 0; i < temps.size(); ++i) {
        if (!FlushFileBuffers(m_openTemps.get(temps[i])))
            failures.files.push_back({i, lastWin32Error(Subject::File)});
    }
    // MOVEFILE_WRITE_THROUGH only waits for a move made as a copy and a delete: a rename is
    // on the disk once its folder is flushed, which a folder handle opened for backup allows
    // (NTFS does it). A file system that cannot flush a folder says so; its renames are then
    // left to it.
    for (std::size_t i = 0; i < folders.size(); ++i) {
        FileHandle folder(CreateFileW(toLongPath(folders[i]).c_str(), GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        DWORD code = ERROR_SUCCESS;
        if (!folder.valid() || !FlushFileBuffers(folder.get()))
            code = GetLastError();
        if (code != ERROR_SUCCESS && !cannotFlushFolder(code))
            failures.folders.push_back(
                {i, win32Error(code, Subject::Folder).concerning(folders[i])});
    }
    return failures;
}

void Win32CopyPrimitives::replace(const std::string& temp, const std::string& destination)
{
    // Renamed while still open and locked, so that no other run takes it for a leftover; the
    // flush of its folder then puts the rename on the disk.
    const std::wstring from = toLongPath(temp);
    const std::wstring to = toLongPath(destination);
    const DWORD code = retryRefusals([&] {
        return MoveFileExW(from.c_str(), to.c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
                   ? ERROR_SUCCESS
                   : GetLastError();
    });
    if (code != ERROR_SUCCESS)
        throw win32Error(code, Subject::Folder).concerning(destination);
    m_openTemps.take(temp); // closing the handle ends its lock
}

void Win32CopyPrimitives::discard(const std::string& temp)
{
    deleteTemp(toLongPath(temp));
    m_openTemps.take(temp); // closing the handle ends its lock
}

} // namespace tarnwell::win32
