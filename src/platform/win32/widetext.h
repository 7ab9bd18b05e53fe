#pragma once

#include <string>
#include <string_view>

namespace tarnwell::win32 {

// UTF-8 inside the program, UTF-16 at the Windows boundary. Invalid UTF-8 is refused with
// RuntimeError 5 rather than passed on altered.
std::wstring toWide(std::string_view utf8);
std::string toUtf8(std::wstring_view wide);

} // namespace tarnwell::win32
