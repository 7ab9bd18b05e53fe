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

void Win32CopyPrimitives::removeFile(const std::string& path)
{
    const std::wstring longPath = toLongPath(path);
    SetFileAttributesW(longPath.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!DeleteFileW(longPath.c_str())) {
        const DWORD code = GetLastError();
        if (code != ERROR_FILE_NOT_FOUND)
            throw win32Error(code, Subject::File);
    }
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

std::uint64_t Win32CopyPrimitives::copyFile(const std::string& source, const std::string& temp,
                                            const std::string& destination)
{
    const std::wstring from = toLongPath(source);
    const std::wstring to = toLongPath(temp);
    const std::wstring target = toLongPath(destination);

    const DWORD existing = GetFileAttributesW(target.c_str());
    if (existing != INVALID_FILE_ATTRIBUTES && (existing & FILE_ATTRIBUTE_DIRECTORY))
        throw RuntimeError(ErrorNumber::PermissionDenied);

    // The kernel's copy: content, modification time and the flags, read-only included.
    if (!CopyFileExW(from.c_str(), to.c_str(), nullptr, nullptr, nullptr,
                     COPY_FILE_FAIL_IF_EXISTS)) {
        const DWORD code = GetLastError();
        deleteTemp(to); // a copy that failed half-way may have left a part
        throw win32Error(code, Subject::Folder);
    }
    WIN32_FILE_ATTRIBUTE_DATA copied;
    if (!GetFileAttributesExW(to.c_str(), GetFileExInfoStandard, &copied)) {
        const DWORD code = GetLastError();
        deleteTemp(to);
        throw win32Error(code, Subject::Folder);
    }
    // No flush per file: it would cost more than the copy. The rename replaces the old copy
    // only once the new content is complete, so a failure never destroys it.
    if (!MoveFileExW(to.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        const DWORD code = GetLastError();
        deleteTemp(to);
        throw win32Error(code, Subject::Folder);
    }
    return (std::uint64_t{copied.nFileSizeHigh} << 32) | copied.nFileSizeLow;
}

} // namespace tarnwell::win32
