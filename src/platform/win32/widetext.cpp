#include "platform/win32/widetext.h"

#include "platform/error.h"
#include "platform/win32/winapi.h"

#include <limits>

namespace tarnwell::win32 {

int checkedLength(std::size_t size)
{
    if (size > static_cast<std::size_t>(std::numeric_limits<int>::max()))
        throw RuntimeError(ErrorNumber::OutOfMemory);
    return static_cast<int>(size);
}

std::wstring toWide(std::string_view utf8)
{
    if (utf8.empty())
        return {};
    const int length = checkedLength(utf8.size());
    const int needed =
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), length, nullptr, 0);
    if (needed <= 0)
        throw RuntimeError(ErrorNumber::InvalidProcedureCall,
                           errorDescription(ErrorNumber::InvalidProcedureCall) +
                               ": the text is not valid UTF-8");
    std::wstring wide(static_cast<std::size_t>(needed), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), length, wide.data(), needed);
    return wide;
}

std::string toUtf8(std::wstring_view wide)
{
    if (wide.empty())
        return {};
    const int length = checkedLength(wide.size());
    // A lone surrogate (possible in NTFS names) becomes U+FFFD; there is no UTF-8 for it.
    const int needed =
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
    if (needed <= 0)
        throw RuntimeError(ErrorNumber::InvalidProcedureCall);
    std::string utf8(static_cast<std::size_t>(needed), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, utf8.data(), needed, nullptr, nullptr);
    return utf8;
}

} // namespace tarnwell::win32
