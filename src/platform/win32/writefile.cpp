#include "platform/win32/writefile.h"

#include "platform/error.h"
#include "platform/savetemp.h"
#include "platform/win32/findfiles.h"
#include "platform/win32/handles.h"
#include "platform/win32/longpath.h"
#include "platform/win32/retry.h"
#include "platform/win32/widetext.h"
#include "platform/win32/win32error.h"
#include "platform/win32/winapi.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <functional>
#include <sddl.h>
#include <string_view>
#include <vector>

namespace tarnwell::win32 {

namespace {

// The SID of the user this process runs as, in its text form.
std::wstring currentUserSid()
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        throw lastWin32Error(Subject::File);
    FileHandle tokenCloser(token);
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<unsigned char> buffer(size);
    if (size == 0 || !GetTokenInformation(token, TokenUser, buffer.data(), size, &size))
        throw lastWin32Error(Subject::File);
    wchar_t* text = nullptr;
    if (!ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &text))
        throw lastWin32Error(Subject::File);
    std::wstring sid = text;
    LocalFree(text);
    return sid;
}

// Each save writes its own temporary file beside the file it replaces.
std::wstring tempPathBeside(const std::wstring& longPath, const std::string& fileName)
{
    static std::atomic<std::uint64_t> counter{0};
    const std::uint64_t unique =
        (std::uint64_t{GetCurrentProcessId()} << 32) ^ (GetTickCount64() << 12) ^ ++counter;
    return childOfLongPath(parentOfLongPath(longPath), toWide(saveTempName(fileName, unique)));
}

// Removes the temporary files that saves of fileName left behind when they were killed. A live
// save keeps its own open without sharing it, so one that can be opened for deletion is stale.
// Housekeeping only: whatever cannot be looked at or removed stays.
void removeStaleSaveTemps(const std::wstring& folder, const std::string& fileName)
{
    std::vector<std::wstring> leftovers;
    try {
        forEachMatch(childOfLongPath(folder, L"*"), Subject::Folder,
                     [&](const WIN32_FIND_DATAW& data) {
                         if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                             isSaveTempOf(toUtf8(data.cFileName), fileName))
                             leftovers.push_back(childOfLongPath(folder, data.cFileName));
                     });
    } catch (const RuntimeError&) {
        return;
    }
    for (const std::wstring& leftover : leftovers) {
        // Closing the handle deletes the file; a live one cannot be opened like this.
        FileHandle(CreateFileW(leftover.c_str(), DELETE, 0, nullptr, OPEN_EXISTING,
                               FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT, nullptr))
            .close();
    }
}

// A save is refused for a moment while a scanner or a sync client looks at the old file.
DWORD placeWithRetries(const std::function<bool()>& place)
{
    return retryRefusals([&] { return place() ? ERROR_SUCCESS : GetLastError(); });
}

void writeAll(HANDLE file, std::string_view content)
{
    while (!content.empty()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(content.size(), 1u << 20));
        DWORD written = 0;
        if (!WriteFile(file, content.data(), chunk, &written, nullptr))
            throw lastWin32Error(Subject::File);
        content.remove_prefix(written);
    }
}

} // namespace

OwnerOnlySecurity::OwnerOnlySecurity()
{
    const std::wstring sddl = L"D:P(A;;FA;;;" + currentUserSid() + L")";
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1,
                                                              &m_descriptor, nullptr))
        throw lastWin32Error(Subject::File);
    m_attributes.nLength = sizeof m_attributes;
    m_attributes.lpSecurityDescriptor = m_descriptor;
    m_attributes.bInheritHandle = FALSE;
}

OwnerOnlySecurity::~OwnerOnlySecurity()
{
    LocalFree(m_descriptor);
}

bool PlaceCalls::replaceFile(const std::wstring& replaced, const std::wstring& replacement)
{
    // No flags: a save that cannot carry the access list over fails rather than drop it.
    return ReplaceFileW(replaced.c_str(), replacement.c_str(), nullptr, 0, nullptr, nullptr) != 0;
}

bool PlaceCalls::moveFile(const std::wstring& from, const std::wstring& to)
{
    return MoveFileExW(from.c_str(), to.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

void replaceFileContent(const std::wstring& longPath, const std::string& content)
{
    PlaceCalls calls;
    replaceFileContent(longPath, content, calls);
}

void replaceFileContent(const std::wstring& longPath, const std::string& content, PlaceCalls& calls)
{
    // Checked here because Windows refuses to move over a read-only file, but Wine run as
    // root would not.
    const DWORD existing = GetFileAttributesW(longPath.c_str());
    if (existing != INVALID_FILE_ATTRIBUTES &&
        (existing & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
        throw RuntimeError(ErrorNumber::PermissionDenied);

    const std::wstring name = longPath.substr(longPath.find_last_of(L'\\') + 1);
    const std::string fileName = toUtf8(name.c_str());
    removeStaleSaveTemps(parentOfLongPath(longPath), fileName);

    const std::wstring temp = tempPathBeside(longPath, fileName);
    OwnerOnlySecurity security;
    // Open from its creation until it is written and flushed, shared for deletion only: no
    // other save can take it for a leftover meanwhile.
    FileHandle file(CreateFileW(temp.c_str(), GENERIC_WRITE, FILE_SHARE_DELETE,
                                security.attributes(), CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid())
        throw lastWin32Error(Subject::File);
    bool tempHoldsTheOnlyCopy = false;
    try {
        writeAll(file.get(), content);
        if (!FlushFileBuffers(file.get()))
            throw lastWin32Error(Subject::File);
        if (existing == INVALID_FILE_ATTRIBUTES) {
            // The first save: the owner-only file moves in while still held.
            if (const DWORD code = placeWithRetries([&] { return calls.moveFile(temp, longPath); }))
                throw win32Error(code, Subject::File);
            if (!file.close())
                throw lastWin32Error(Subject::File);
            return;
        }
        // ReplaceFileW opens the new file without sharing it, so it is closed first. The
        // flags the user gave go on it before: Windows carries them over itself, Wine does not.
        if (!file.close())
            throw lastWin32Error(Subject::File);
        const DWORD kept = existing & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                       FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
        if (kept != 0 && !SetFileAttributesW(temp.c_str(), kept))
            throw lastWin32Error(Subject::File);
        const DWORD code = placeWithRetries([&] { return calls.replaceFile(longPath, temp); });
        if (code == ERROR_SUCCESS)
            return;
        // The old file went meanwhile (another program removed it), or ReplaceFileW removed it
        // but could not move the new one in: the new one moves into the empty place.
        if (code != ERROR_FILE_NOT_FOUND && code != ERROR_UNABLE_TO_MOVE_REPLACEMENT)
            throw win32Error(code, Subject::File);
        tempHoldsTheOnlyCopy = code == ERROR_UNABLE_TO_MOVE_REPLACEMENT;
        if (const DWORD moved = placeWithRetries([&] { return calls.moveFile(temp, longPath); }))
            throw win32Error(moved, Subject::File);
    } catch (...) {
        file.close();
        if (!tempHoldsTheOnlyCopy) {
            SetFileAttributesW(temp.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(temp.c_str());
        }
        throw;
    }
}

} // namespace tarnwell::win32
