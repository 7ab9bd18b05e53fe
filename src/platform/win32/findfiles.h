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
// calls each for every entry, closing the search before it returns. Returns whether the folder
// of pattern is there: false for no such folder or drive, true when it is, also when nothing
// in it matches (the root of a drive has no "." or ".." entries, so an empty one matches
// nothing at all). Other failures throw, mapped for subject.
bool forEachMatch(const std::wstring& pattern, Subject subject,
                  const std::function<void(const WIN32_FIND_DATAW&)>& each,
                  FindFirst findFirst = findFirstEntry);

} // namespace tarnwell::win32
