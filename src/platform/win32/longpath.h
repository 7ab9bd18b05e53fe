#pragma once

#include <string>
#include <string_view>

namespace tarnwell::win32 {

// The absolute form of path for the wide file calls, with the \\?\ (or \\?\UNC\) prefix that
// lifts the 260-character limit. Relative paths are taken from the current folder, "/" counts
// as "\", "." and ".." are resolved, and trailing separators are dropped except at a root.
std::wstring toLongPath(std::string_view path);

// The folder part of a long path: everything before its last separator (a root keeps its "\").
std::wstring parentOfLongPath(const std::wstring& longPath);

} // namespace tarnwell::win32
