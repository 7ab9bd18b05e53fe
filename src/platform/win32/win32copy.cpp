#include "platform/win32/win32copy.h"

#include "platform/error.h"
#include "platform/win32/findfiles.h"
#include "platform/win32/handles.h"
#include "platform/win32/longpath.h"
#include "platform/win32/widetext.h"
#include "platform/win32/win32error.h"
#include "platform/win32/winapi.h"

namespace tarnwell::win32 {

namespace {

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

bool isLink(const WIN32_FIND_DATAW& data)
{
    return (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
           (data.dwReserved0 == IO_REPARSE_TAG_SYMLINK ||
            data.dwReserved0 == IO_REPARSE_TAG_MOUNT_POINT);
}

FolderEntry::Type typeBehindLink(const std::wstring& path)
{
    // A link to nothing has no content: it is left alone rather than stopping the copy.
    FileHandle target = openForInformation(path);
    BY_HANDLE_FILE_INFORMATION info;
    if (!target.valid() || !GetFileInformationByHandle(target.get(), &info))
        return FolderEntry::Type::Other;
    return (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? FolderEntry::Type::Folder
                                                              : FolderEntry::Type::File;
}

// Taken on the byte beyond any real file's end, so that it never stands in a reader's way.
bool lockAsLive(HANDLE file)
{
    OVERLAPPED where{};
    where.Offset = 0xFFFFFFFEu;
    where.OffsetHigh = 0x7FFFFFFFu;
    return LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &where) !=
           0;
}

// Removes a file of ours, also when it carries the read-only flag it was copied with.
void deleteTemp(const std::wstring& path)
{
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(path.c_str());
}

} // namespace

std::vector<FolderEntry> Win32CopyPrimitives::listFolder(const std::string& folder)
{
    const std::wstring longFolder = toLongPath(folder);
    std::vector<FolderEntry> entries;
    const bool found =
        forEachMatch(childOf(longFolder, L"*"), Subject::Folder, [&](const WIN32_FIND_DATAW& data) {
            const std::wstring name = data.cFileName;
            if (name == L"." || name == L"..")
                return;
            FolderEntry entry{toUtf8(name), FolderEntry::Type::File, false};
            if (isLink(data)) {
                entry.link = true;
                entry.type = typeBehindLink(childOf(longFolder, name));
            } else if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                entry.type = FolderEntry::Type::Folder;
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

bool Win32CopyPrimitives::makeFolder(const std::string& path)
{
    const std::wstring longPath = toLongPath(path);
    if (CreateDirectoryW(longPath.c_str(), nullptr))
        return true;
    const DWORD code = GetLastError();
    if (code != ERROR_ALREADY_EXISTS && code != ERROR_FILE_EXISTS)
        throw win32Error(code, Subject::Folder);
    // A link to a folder counts as the folder: the attributes are those of the link, so ask
    // the folder behind it.
    FileHandle existing = openForInformation(longPath);
    BY_HANDLE_FILE_INFORMATION info;
    if (existing.valid() && GetFileInformationByHandle(existing.get(), &info) &&
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    throw RuntimeError(ErrorNumber::PermissionDenied);
}

void Win32CopyPrimitives::removeStaleTemp(const std::string& path)
{
    const std::wstring longPath = toLongPath(path);
    FileHandle file(CreateFileW(longPath.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file.valid() || !lockAsLive(file.get()))
        return; // gone, or a live run is writing it
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
                                              const std::string& destination)
{
    const std::wstring from = toLongPath(source);
    const std::wstring to = toLongPath(temp);
    const std::wstring target = toLongPath(destination);

    const DWORD existing = GetFileAttributesW(target.c_str());
    if (existing != INVALID_FILE_ATTRIBUTES && (existing & FILE_ATTRIBUTE_DIRECTORY))
        throw RuntimeError(ErrorNumber::PermissionDenied).concerning(destination);

    // The kernel's copy: content, modification time and the flags, read-only included.
    if (!CopyFileExW(from.c_str(), to.c_str(), nullptr, nullptr, nullptr,
                     COPY_FILE_FAIL_IF_EXISTS)) {
        const DWORD code = GetLastError();
        deleteTemp(to); // a copy that failed half-way may have left a part
        throw win32Error(code, Subject::Folder);
    }
    // Kept open for writing until it is in place, to flush it and to mark it as live; a
    // read-only copy is opened before its flag goes back on.
    WIN32_FILE_ATTRIBUTE_DATA copied;
    FileHandle file;
    DWORD code = ERROR_SUCCESS;
    if (!GetFileAttributesExW(to.c_str(), GetFileExInfoStandard, &copied)) {
        code = GetLastError();
    } else {
        const DWORD flags = copied.dwFileAttributes;
        if (flags & FILE_ATTRIBUTE_READONLY)
            SetFileAttributesW(to.c_str(), flags & ~FILE_ATTRIBUTE_READONLY);
        file = FileHandle(CreateFileW(to.c_str(), GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.valid() || !lockAsLive(file.get()))
            code = GetLastError();
        if (flags & FILE_ATTRIBUTE_READONLY)
            SetFileAttributesW(to.c_str(), flags);
    }
    if (code != ERROR_SUCCESS) {
        file.close();
        deleteTemp(to);
        throw win32Error(code, Subject::Folder).concerning(destination);
    }
    m_openTemps.add(temp, std::move(file));
    return (std::uint64_t{copied.nFileSizeHigh} << 32) | copied.nFileSizeLow;
}

void Win32CopyPrimitives::flushFiles(const std::vector<std::string>& temps)
{
    for (const std::string& temp : temps) {
        if (!FlushFileBuffers(m_openTemps.get(temp)))
            throw lastWin32Error(Subject::File);
    }
}

void Win32CopyPrimitives::replace(const std::string& temp, const std::string& destination)
{
    // Renamed while still open and locked, so that no other run takes it for a leftover; the
    // rename is on the disk when the call returns.
    if (!MoveFileExW(toLongPath(temp).c_str(), toLongPath(destination).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        throw lastWin32Error(Subject::Folder).concerning(destination);
    m_openTemps.take(temp); // closing the handle ends its lock
}

void Win32CopyPrimitives::discard(const std::string& temp)
{
    deleteTemp(toLongPath(temp));
    m_openTemps.take(temp); // closing the handle ends its lock
}

} // namespace tarnwell::win32
