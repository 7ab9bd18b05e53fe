#include "platform/win32/win32codepage.h"

#include "platform/error.h"
#include "platform/win32/widetext.h"
#include "platform/win32/winapi.h"

namespace tarnwell::win32 {

namespace {

RuntimeError unrepresentable(unsigned codePage)
{
    // The text itself stays out of the message: it may be a password.
    return RuntimeError(ErrorNumber::InvalidProcedureCall,
                        errorDescription(ErrorNumber::InvalidProcedureCall) +
                            ": the text holds a character that the ANSI code page " +
                            std::to_string(codePage) + " cannot represent");
}

} // namespace

Win32CodePage::Win32CodePage() : m_codePage(GetACP()) {}

std::string Win32CodePage::toAnsi(std::string_view utf8) const
{
    const std::wstring wide = toWide(utf8);
    if (wide.empty() || m_codePage == CP_UTF8)
        return std::string(utf8);
    const int length = checkedLength(wide.size());
    // No best fit: "ł" must not quietly become "l". The default-character flag reports any
    // character that had no place in the code page.
    BOOL usedDefault = FALSE;
    const int needed = WideCharToMultiByte(m_codePage, WC_NO_BEST_FIT_CHARS, wide.data(), length,
                                           nullptr, 0, nullptr, &usedDefault);
    if (needed <= 0 || usedDefault)
        throw unrepresentable(m_codePage);
    std::string ansi(static_cast<std::size_t>(needed), '\0');
    WideCharToMultiByte(m_codePage, WC_NO_BEST_FIT_CHARS, wide.data(), length, ansi.data(), needed,
                        nullptr, &usedDefault);
    if (usedDefault)
        throw unrepresentable(m_codePage);
    return ansi;
}

std::string Win32CodePage::fromAnsi(std::string_view ansi) const
{
    if (ansi.empty())
        return {};
    const int length = checkedLength(ansi.size());
    const int needed = MultiByteToWideChar(m_codePage, 0, ansi.data(), length, nullptr, 0);
    if (needed <= 0)
        throw RuntimeError(ErrorNumber::InvalidProcedureCall);
    std::wstring wide(static_cast<std::size_t>(needed), L'\0');
    MultiByteToWideChar(m_codePage, 0, ansi.data(), length, wide.data(), needed);
    return toUtf8(wide);
}

bool Win32CodePage::isValidAnsi(std::string_view ansi) const
{
    if (ansi.empty())
        return true;
    const int length = checkedLength(ansi.size());
    if (MultiByteToWideChar(m_codePage, MB_ERR_INVALID_CHARS, ansi.data(), length, nullptr, 0) > 0)
        return true;
    // A few code pages (the ISO-2022 ones, say) take no such check: their text is taken as it is.
    return GetLastError() == ERROR_INVALID_FLAGS;
}

} // namespace tarnwell::win32
