#pragma once

#include <string>

namespace tarnwell::win32 {

// Replaces the content of the file at longPath in one atomic step: the content goes to a new
// file beside it, which then takes the old one's place. On any failure the old file is left as
// it was and the new one removed. A read-only file or a folder in the way gives 70. The file
// is readable and writable by its owner only.
void replaceFileContent(const std::wstring& longPath, const std::string& content);

} // namespace tarnwell::win32
