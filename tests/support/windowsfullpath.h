#pragma once

#include <string>

namespace tarnwell::test {

// A small model of what GetFullPathNameW does on Windows 10 and later, for testing the backend's
// path rules against Windows rather than Wine. currentFolder is a full path such as C:\Work;
// every other drive's current folder is its root.
// - A path in the \\?\ form is passed on untouched.
// - "/" counts as "\" and repeated separators as one.
// - A relative path starts at the current folder, "D:x" at drive D's, "\x" at the current
//   drive's root; "." and ".." are resolved, ".." never climbing above the root.
// - A name followed by a separator loses one trailing dot; the last name loses all its
//   trailing dots and blanks unless the path ends in a separator.
// - A last name that is a device (CON, PRN, AUX, NUL, COM1-9, LPT1-9), also with an extension,
//   a colon or trailing blanks, gives the device: C:\x\aux.c gives \\.\aux.
std::wstring windowsFullPath(const std::wstring& path, const std::wstring& currentFolder);

} // namespace tarnwell::test
