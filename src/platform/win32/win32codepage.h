#pragma once

#include "platform/codepage.h"

namespace tarnwell::win32 {

// The system's ANSI code page (GetACP), or a given one.
class Win32CodePage : public CodePage
{
public:
    Win32CodePage();
    explicit Win32CodePage(unsigned codePage) : m_codePage(codePage) {}

    unsigned codePage() const { return m_codePage; }
    std::string toAnsi(std::string_view utf8) const override;
    std::string fromAnsi(std::string_view ansi) const override;
    bool isValidAnsi(std::string_view ansi) const override;

private:
    unsigned m_codePage;
};

} // namespace tarnwell::win32
