#include "platform/win32/longpath.h"

#include "platform/error.h"
#include "platform/win32/widetext.h"
#include "platform/win32/win32error.h"
#include "platform/win32/winapi.h"

namespace tarnwell::win32 {

namespace {

constexpr std::wstring_view kLongPrefix = L"\\\\?\\";
constexpr std::wstring_view kUncLongPrefix = L"\\\\?\\UNC\\";

std::wstring fullPath(const std::wstring& path)
{
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetFullPathNameW(path.c_str(), static_cast<DWORD>(buffer.size()),
                                              buffer.data(), nullptr);
        if (length == 0)
            throw lastWin32Error(Subject::Folder);
        if (length < buffer.size()) {
            buffer.resize(length);
            return buffer;
        }
        buffer.resize(length); // the length needed, terminating NUL included
    }
}

// Length of the root of a prefixed path: \\?\C:\ or \\?\UNC\server\share\.
std::size_t rootLength(const std::wstring& longPath)
{
    if (longPath.starts_with(kUncLongPrefix)) {
        std::size_t pos = longPath.find(L'\\', kUncLongPrefix.size()); // after the server
        if (pos == std::wstring::npos)
            return longPath.size();
        pos = longPath.find(L'\\', pos + 1); // after the share
        return pos == std::wstring::npos ? longPath.size() : pos + 1;
    }
    return std::min(longPath.size(), kLongPrefix.size() + 3); // \\?\C:\ .
}

} // namespace

std::wstring toLongPath(std::string_view path)
{
    if (path.empty())
        throw RuntimeError(ErrorNumber::BadFileName);
    std::wstring wide = toWide(path);
    // Already in the device or long form: passed on as written.
    if (wide.starts_with(L"\\\\?\\") || wide.starts_with(L"\\\\.\\"))
        return wide;
    for (wchar_t& c : wide) {
        if (c == L'/')
            c = L'\\';
    }
    std::wstring full = fullPath(wide);
    std::wstring result;
    if (full.starts_with(L"\\\\"))
        result = std::wstring(kUncLongPrefix) + full.substr(2);
    else
        result = std::wstring(kLongPrefix) + full;
    const std::size_t root = rootLength(result);
    while (result.size() > root && result.back() == L'\\')
        result.pop_back();
    return result;
}

std::wstring parentOfLongPath(const std::wstring& longPath)
{
    const std::size_t root = rootLength(longPath);
    const std::size_t pos = longPath.find_last_of(L'\\');
    if (pos == std::wstring::npos || pos + 1 <= root)
        return longPath.substr(0, root);
    return longPath.substr(0, pos);
}

} // namespace tarnwell::win32
