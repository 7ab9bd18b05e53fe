#pragma once

#include <string>
#include <string_view>

namespace tarnwell::win32 {

// UTF-8 inside the program, UTF-16 at the Windows boundary. Invalid UTF-8 is refused with
// RuntimeError 5 rather than passed on altered.
std::wstring toWide(std::string_view utf8);
std::string toUtf8(std::wstring_view wide);

// A text's length as the conversion functions take it; longer than an int is RuntimeError 7.
int checkedLength(std::size_t size);

} // namespace tarnwell::win32
