// The folder copy's keeping of old copies and removal of kept versions through the wide Win32
// calls.
#include "platform/error.h"
#include "platform/win32/findfiles.h"
#include "platform/win32/longpath.h"
#include "platform/win32/retry.h"
#include "platform/win32/widetext.h"
#include "platform/win32/win32copy.h"
#include "platform/win32/win32error.h"
#include "platform/win32/winapi.h"

#include <string>
#include <vector>

namespace tarnwell::win32 {

namespace {

// CreateHardLinkW fails so where the file system has no hard links (FAT, exFAT, some shares)
// or the file has as many as NTFS allows: a rename keeps the file all the same.
bool noHardLink(DWORD code)
{
    return code == ERROR_INVALID_FUNCTION || code == ERROR_NOT_SUPPORTED ||
           code == ERROR_TOO_MANY_LINKS;
}

bool alreadyThere(DWORD code)
{
    return code == ERROR_ALREADY_EXISTS || code == ERROR_FILE_EXISTS;
}

void removeEntry(const std::wstring& path, const std::string& shown, bool folder)
{
    const DWORD code = retryRefusals([&] {
        if (folder ? RemoveDirectoryW(path.c_str()) : DeleteFileW(path.c_str()))
            return static_cast<DWORD>(ERROR_SUCCESS);
        return GetLastError();
    });
    if (code != ERROR_SUCCESS)
        throw win32Error(code, folder ? Subject::Folder : Subject::File).concerning(shown);
}

// Empties folder (a long path); shown is its path for errors. Reparse points (junctions,
// symbolic links) are removed themselves and never entered.
void emptyFolder(const std::wstring& folder, const std::string& shown)
{
    std::vector<WIN32_FIND_DATAW> entries;
    forEachMatch(folder + L"\\*", Subject::Folder, [&](const WIN32_FIND_DATAW& data) {
        const std::wstring name = data.cFileName;
        if (name != L"." && name != L"..")
            entries.push_back(data);
    });
    for (const WIN32_FIND_DATAW& data : entries) {
        const std::wstring path = folder + L'\\' + data.cFileName;
        const std::string child = shown + '\\' + toUtf8(data.cFileName);
        const bool isFolder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        const bool isLink = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        // A read-only file or link refuses its removal until the flag is cleared.
        if (data.dwFileAttributes & FILE_ATTRIBUTE_READONLY)
            SetFileAttributesW(path.c_str(), data.dwFileAttributes &
                                                 ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
        if (isFolder && !isLink)
            emptyFolder(path, child);
        removeEntry(path, child, isFolder);
    }
}

} // namespace

CopyPrimitives::Kept Win32CopyPrimitives::keepVersion(const std::string& copy,
                                                      const std::string& version)
{
    const std::wstring from = toLongPath(copy);
    const std::wstring to = toLongPath(version);
    const DWORD attributes = GetFileAttributesW(from.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD code = GetLastError();
        if (code == ERROR_FILE_NOT_FOUND)
            return Kept::Nothing;
        throw win32Error(code, Subject::File).concerning(copy);
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        throw RuntimeError(ErrorNumber::PermissionDenied).concerning(copy);
    DWORD code = m_linkCall                                           ? m_linkCall(to, from)
                 : CreateHardLinkW(to.c_str(), from.c_str(), nullptr) ? ERROR_SUCCESS
                                                                      : GetLastError();
    if (code == ERROR_SUCCESS)
        return Kept::Linked;
    if (alreadyThere(code))
        throw RuntimeError(ErrorNumber::FileAlreadyExists).concerning(version);
    if (!noHardLink(code))
        throw win32Error(code, Subject::Folder).concerning(version);
    // Without MOVEFILE_REPLACE_EXISTING nothing at version is replaced.
    code = retryRefusals([&] {
        return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH)
                   ? static_cast<DWORD>(ERROR_SUCCESS)
                   : GetLastError();
    });
    if (alreadyThere(code))
        throw RuntimeError(ErrorNumber::FileAlreadyExists).concerning(version);
    if (code != ERROR_SUCCESS)
        throw win32Error(code, Subject::Folder).concerning(version);
    return Kept::Moved;
}

void Win32CopyPrimitives::removeTree(const std::string& folder)
{
    const std::wstring path = toLongPath(folder);
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        throw lastWin32Error(Subject::Folder).concerning(folder);
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        throw RuntimeError(ErrorNumber::PermissionDenied).concerning(folder);
    emptyFolder(path, folder);
    removeEntry(path, folder, true);
}

} // namespace tarnwell::win32
