#pragma once

#include <functional>
#include <string>
#include <string_view>

// The Win32 backend's path rules as pure string work, built and tested on every platform. The
// one Windows call they need is passed in, so that tests hold them to the rules of Windows
// rather than to those of Wine.
namespace tarnwell::win32 {

// What Windows makes of a path that is not fully qualified: "." gives the current folder, "D:"
// the current folder of drive D, "\" the root of the current drive. GetFullPathNameW in the
// program.
using FullPathCall = std::function<std::wstring(const std::wstring& path)>;

// The \\?\ (or \\?\UNC\) form of a path for the wide file calls: it lifts the 260-character
// limit and turns off Windows' rewriting of names. A path already in the \\?\ or \\.\ form is
// passed on as written. Any other path is made full: a relative one starts where fullPath says,
// "/" counts as "\", repeated separators as one, "." and ".." are resolved without climbing
// above the root, and a trailing separator is dropped except at a root. The names themselves
// are kept exactly as written: a name ending in a dot or a blank, a device name such as "con"
// or "aux.c", names with "%" or "~1" each name that entry and no other. An empty path is 52.
std::wstring longPathOf(std::wstring_view path, const FullPathCall& fullPath);

// A long folder path and a name with exactly one separator between them, also at a root:
// \\?\D:\ and x give \\?\D:\x.
std::wstring childOfLongPath(std::wstring_view folder, std::wstring_view name);

// The folder part of a long path: everything before its last separator; a root keeps its "\".
std::wstring parentOfLongPath(std::wstring_view longPath);

} // namespace tarnwell::win32
