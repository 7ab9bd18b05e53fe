#pragma once

#include "platform/win32/longpathrules.h"

#include <string>
#include <string_view>

namespace tarnwell::win32 {

// The long form of a UTF-8 path for the wide file calls, as longPathOf gives it, with the
// current folders that GetFullPathNameW knows.
std::wstring toLongPath(std::string_view path);

// GetFullPathNameW: what Windows makes of a path that is not fully qualified.
std::wstring windowsFullPath(const std::wstring& path);

} // namespace tarnwell::win32
