#include "platform/win32/longpathrules.h"

#include "platform/error.h"

#include <algorithm>
#include <vector>

namespace tarnwell::win32 {

namespace {

constexpr std::wstring_view kLongPrefix = L"\\\\?\\";
constexpr std::wstring_view kUncLongPrefix = L"\\\\?\\UNC\\";
constexpr std::wstring_view kDevicePrefix = L"\\\\.\\";

bool isDriveLetter(wchar_t c)
{
    return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
}

// A fully qualified path cut in two: its root in the long form, always ending in "\", and the
// names after it.
struct FullPath
{
    std::wstring root; // \\?\C:\ or \\?\UNC\server\share\ .
    std::wstring_view rest;
};

// Cuts a path written with "\" alone that is fully qualified: C:\... or \\server\share...
// False for any other path.
bool cutFullPath(std::wstring_view path, FullPath& full)
{
    if (path.size() >= 3 && isDriveLetter(path[0]) && path[1] == L':' && path[2] == L'\\') {
        full.root = std::wstring(kLongPrefix) + std::wstring(path.substr(0, 3));
        full.rest = path.substr(3);
        return true;
    }
    if (path.size() < 3 || path[0] != L'\\' || path[1] != L'\\' || path[2] == L'\\')
        return false;
    const std::size_t serverEnd = std::min(path.find(L'\\', 2), path.size());
    std::size_t shareStart = serverEnd;
    while (shareStart < path.size() && path[shareStart] == L'\\')
        ++shareStart;
    const std::size_t shareEnd = std::min(path.find(L'\\', shareStart), path.size());
    full.root = std::wstring(kUncLongPrefix) + std::wstring(path.substr(2, serverEnd - 2)) + L'\\';
    if (shareEnd > shareStart)
        full.root += std::wstring(path.substr(shareStart, shareEnd - shareStart)) + L'\\';
    full.rest = path.substr(shareEnd);
    return true;
}

// Appends the names of rest, which are separated by "\". With resolve, "." is left out and ".."
// takes the name before it away, but never the root.
void appendNames(std::vector<std::wstring_view>& names, std::wstring_view rest, bool resolve)
{
    std::size_t pos = 0;
    while (pos < rest.size()) {
        const std::size_t end = std::min(rest.find(L'\\', pos), rest.size());
        const std::wstring_view name = rest.substr(pos, end - pos);
        pos = end + 1;
        if (name.empty() || (resolve && name == L"."))
            continue;
        if (resolve && name == L"..") {
            if (!names.empty())
                names.pop_back();
            continue;
        }
        names.push_back(name);
    }
}

// Length of the root of a long path: \\?\C:\ or \\?\UNC\server\share\ .
std::size_t rootLength(std::wstring_view longPath)
{
    if (longPath.starts_with(kUncLongPrefix)) {
        std::size_t pos = longPath.find(L'\\', kUncLongPrefix.size()); // after the server
        if (pos == std::wstring_view::npos)
            return longPath.size();
        pos = longPath.find(L'\\', pos + 1); // after the share
        return pos == std::wstring_view::npos ? longPath.size() : pos + 1;
    }
    return std::min(longPath.size(), kLongPrefix.size() + 3); // \\?\C:\ .
}

} // namespace

std::wstring longPathOf(std::wstring_view written, const FullPathCall& fullPath)
{
    if (written.empty())
        throw RuntimeError(ErrorNumber::BadFileName);
    if (written.starts_with(kLongPrefix) || written.starts_with(kDevicePrefix))
        return std::wstring(written);
    std::wstring path(written);
    std::replace(path.begin(), path.end(), L'/', L'\\');

    // Only what is not fully qualified goes to Windows, and only its start: Windows would also
    // drop trailing dots and blanks from names and turn device names into devices.
    FullPath full;
    std::wstring base;
    std::vector<std::wstring_view> names;
    std::wstring_view rest;
    if (cutFullPath(path, full)) {
        rest = full.rest;
    } else {
        const std::wstring_view whole = path;
        std::wstring start;
        if (whole.size() >= 2 && isDriveLetter(whole[0]) && whole[1] == L':') {
            start = whole.substr(0, 2); // the current folder of that drive
            rest = whole.substr(2);
        } else if (whole[0] == L'\\' && !whole.starts_with(L"\\\\")) {
            start = L"\\"; // the root of the current drive
            rest = whole.substr(1);
        } else if (whole.starts_with(L"\\\\")) {
            start = whole; // no share to name: Windows says what it is
        } else {
            start = L".";
            rest = whole;
        }
        base = fullPath(start);
        if (!cutFullPath(base, full))
            throw RuntimeError(ErrorNumber::BadFileName);
        appendNames(names, full.rest, false); // Windows' own answer, taken as it is
    }
    appendNames(names, rest, true);

    std::wstring result = std::move(full.root);
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0)
            result += L'\\';
        result += names[i];
    }
    return result;
}

std::wstring childOfLongPath(std::wstring_view folder, std::wstring_view name)
{
    std::wstring child(folder);
    if (child.empty() || child.back() != L'\\')
        child += L'\\';
    child += name;
    return child;
}

std::wstring parentOfLongPath(std::wstring_view longPath)
{
    const std::size_t root = rootLength(longPath);
    const std::size_t pos = longPath.find_last_of(L'\\');
    if (pos == std::wstring_view::npos || pos + 1 <= root)
        return std::wstring(longPath.substr(0, root));
    return std::wstring(longPath.substr(0, pos));
}

} // namespace tarnwell::win32
