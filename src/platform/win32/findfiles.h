#pragma once

#include "platform/win32/win32error.h"
#include "platform/win32/winapi.h"

#include <functional>
#include <string>

namespace tarnwell::win32 {

// The first step of a search: FindFirstFileExW in the program; tests put a stand-in here.
using FindFirst = HANDLE (*)(const std::wstring& pattern, WIN32_FIND_DATAW& data);
HANDLE findFirstEntry(const std::wstring& pattern, WIN32_FIND_DATAW& data);

// A failed search's code that says a drive or share cannot be reached now: not ready, not
// connected, no such network path or name, no network.
bool meansUnreachable(DWORD code);

// The name of the first entry matching path (a long path), or "" when there is none. A path on
// a drive or share that cannot be reached now has none either: it is simply not there, so that
// a backup goes on to map its drive. Other failures throw, mapped for folders.
std::string firstMatchName(const std::wstring& path, FindFirst findFirst = findFirstEntry);

// Runs one directory search over pattern (a long path, wildcards allowed in its last name) and
// calls each for every entry, closing the search before it returns. Returns false when nothing
// matches: no such name, no such folder or no such drive. Other failures throw, mapped for
// subject.
bool forEachMatch(const std::wstring& pattern, Subject subject,
                  const std::function<void(const WIN32_FIND_DATAW&)>& each);

} // namespace tarnwell::win32
