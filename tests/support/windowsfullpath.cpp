#include "support/windowsfullpath.h"

#include <algorithm>
#include <cwctype>
#include <vector>

namespace tarnwell::test {

namespace {

bool isSeparator(wchar_t c)
{
    return c == L'\\' || c == L'/';
}

std::wstring upper(std::wstring text)
{
    for (wchar_t& c : text)
        c = static_cast<wchar_t>(std::towupper(static_cast<std::wint_t>(c)));
    return text;
}

// The device a last name stands for, or "" (RtlIsDosDeviceName_U).
std::wstring deviceOf(const std::wstring& path)
{
    std::size_t end = path.size();
    while (end > 0 && path[end - 1] == L':')
        --end;
    std::size_t start = end;
    while (start > 0 && !isSeparator(path[start - 1]) &&
           !(path[start - 1] == L':' && (start >= end || path[start] != L'.')))
        --start;
    std::wstring name = path.substr(start, end - start);
    name = name.substr(0, name.find(L'.'));
    while (!name.empty() && (name.back() == L' ' || name.back() == L':'))
        name.pop_back();
    const std::wstring key = upper(name);
    if (key == L"CON" || key == L"PRN" || key == L"AUX" || key == L"NUL")
        return name;
    if (key.size() == 4 && (key.starts_with(L"COM") || key.starts_with(L"LPT")) && key[3] >= L'1' &&
        key[3] <= L'9')
        return name;
    return {};
}

} // namespace

std::wstring windowsFullPath(const std::wstring& written, const std::wstring& currentFolder)
{
    if (written.starts_with(L"\\\\?\\"))
        return written;
    const bool unc = isSeparator(written[0]) && written.size() > 1 && isSeparator(written[1]);
    if (const std::wstring device = unc ? std::wstring() : deviceOf(written); !device.empty())
        return L"\\\\.\\" + device;

    std::wstring path = written;
    std::replace(path.begin(), path.end(), L'/', L'\\');
    const bool endsInSeparator = path.back() == L'\\';

    // The root and the names of the folder a relative path starts from.
    std::wstring root;
    std::wstring rest;
    if (path.starts_with(L"\\\\")) {
        std::size_t pos = path.find(L'\\', 2);
        pos = pos == std::wstring::npos ? path.size() : path.find(L'\\', pos + 1);
        pos = pos == std::wstring::npos ? path.size() : pos;
        root = path.substr(0, pos) + L'\\';
        rest = path.substr(pos);
    } else if (path.size() >= 2 && path[1] == L':') {
        const bool current = std::towupper(static_cast<std::wint_t>(path[0])) ==
                             std::towupper(static_cast<std::wint_t>(currentFolder[0]));
        root = path.substr(0, 2) + L'\\';
        rest = path.substr(2);
        if (rest.empty() || rest[0] != L'\\')
            rest = (current ? currentFolder.substr(3) : std::wstring()) + L'\\' + rest;
    } else if (path[0] == L'\\') {
        root = currentFolder.substr(0, 3);
        rest = path;
    } else {
        root = currentFolder.substr(0, 3);
        rest = currentFolder.substr(3) + L'\\' + path;
    }

    std::vector<std::wstring> names;
    std::size_t pos = 0;
    while (pos <= rest.size()) {
        const std::size_t end = std::min(rest.find(L'\\', pos), rest.size());
        std::wstring name = rest.substr(pos, end - pos);
        pos = end + 1;
        if (name.empty() || name == L".")
            continue;
        if (name == L"..") {
            if (!names.empty())
                names.pop_back();
            continue;
        }
        if (end < rest.size() && name.back() == L'.')
            name.pop_back(); // a folder name loses one trailing dot
        names.push_back(name);
    }
    if (!endsInSeparator && !names.empty()) {
        std::wstring& last = names.back();
        while (!last.empty() && (last.back() == L'.' || last.back() == L' '))
            last.pop_back();
        if (last.empty())
            names.pop_back();
    }

    std::wstring full = root;
    for (std::size_t i = 0; i < names.size(); ++i)
        full += (i > 0 ? L"\\" : L"") + names[i];
    if (endsInSeparator && !names.empty())
        full += L'\\';
    return full;
}

} // namespace tarnwell::test
