#include "platform/win32/findfiles.h"

#include "platform/win32/handles.h"
#include "platform/win32/longpath.h"
#include "platform/win32/widetext.h"

namespace tarnwell::win32 {

namespace {

bool meansNothingThere(DWORD code)
{
    return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND ||
           code == ERROR_NO_MORE_FILES || code == ERROR_INVALID_DRIVE;
}

// A search below a file is refused as a bad name (Wine) or a bad folder name (Windows); it
// finds nothing, which is what such a path names. A bad name in a real folder stays an error.
bool isBelowNoFolder(const std::wstring& pattern, DWORD code)
{
    if (code != ERROR_INVALID_NAME && code != ERROR_DIRECTORY)
        return false;
    const DWORD parent = GetFileAttributesW(parentOfLongPath(pattern).c_str());
    return parent == INVALID_FILE_ATTRIBUTES || !(parent & FILE_ATTRIBUTE_DIRECTORY);
}

bool isFolder(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace

HANDLE findFirstEntry(const std::wstring& pattern, WIN32_FIND_DATAW& data)
{
    // Basic info skips the 8.3 names; large fetch reads the folder in fewer round trips.
    return FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                            FIND_FIRST_EX_LARGE_FETCH);
}

bool meansUnreachable(DWORD code)
{
    return code == ERROR_NOT_READY || code == ERROR_BAD_NETPATH || code == ERROR_BAD_NET_NAME ||
           code == ERROR_NOT_CONNECTED || code == ERROR_NETWORK_UNREACHABLE ||
           code == ERROR_NO_NETWORK || code == ERROR_NO_NET_OR_BAD_PATH;
}

std::string firstMatchName(const std::wstring& path, FindFirst findFirst)
{
    WIN32_FIND_DATAW data;
    FindHandle search(findFirst(path, data));
    if (search.valid())
        return toUtf8(data.cFileName);
    const DWORD code = GetLastError();
    if (meansNothingThere(code) || meansUnreachable(code) || isBelowNoFolder(path, code))
        return {};
    // A search needs the right to list the folder above: a home folder on a file server, whose
    // share root refuses listing to its users, is found by its own attributes, as a drive root is.
    if (code == ERROR_ACCESS_DENIED && GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES)
        return toUtf8(path.substr(path.find_last_of(L'\\') + 1));
    throw win32Error(code, Subject::Folder);
}

bool forEachMatch(const std::wstring& pattern, Subject subject,
                  const std::function<void(const WIN32_FIND_DATAW&)>& each, FindFirst findFirst)
{
    WIN32_FIND_DATAW data;
    FindHandle search(findFirst(pattern, data));
    if (!search.valid()) {
        const DWORD code = GetLastError();
        if (code == ERROR_FILE_NOT_FOUND || code == ERROR_NO_MORE_FILES)
            return isFolder(parentOfLongPath(pattern));
        if (meansNothingThere(code) || isBelowNoFolder(pattern, code))
            return false;
        throw win32Error(code, subject);
    }
    do {
        each(data);
    } while (FindNextFileW(search.get(), &data));
    const DWORD code = GetLastError();
    if (code != ERROR_NO_MORE_FILES)
        throw win32Error(code, subject);
    return true;
}

} // namespace tarnwell::win32
