#pragma once

#include "platform/win32/win32error.h"
#include "platform/win32/winapi.h"

#include <functional>
#include <string>

namespace tarnwell::win32 {

// Runs one directory search over pattern (a long path, wildcards allowed in its last name) and
// calls each for every entry, closing the search before it returns. Returns false when nothing
// matches: no such name, no such folder or no such drive. Other failures throw, mapped for
// subject.
bool forEachMatch(const std::wstring& pattern, Subject subject,
                  const std::function<void(const WIN32_FIND_DATAW&)>& each);

} // namespace tarnwell::win32
