#pragma once

#include "platform/codepage.h"

namespace tarnwell::posix {

// True when text is well-formed UTF-8: no stray or missing continuation bytes, no overlong
// forms, no surrogates, nothing beyond U+10FFFF.
bool isValidUtf8(std::string_view text);

// UTF-8 is the ANSI code page here: the text passes unchanged, but invalid UTF-8 is refused.
class PosixCodePage : public CodePage
{
public:
    std::string toAnsi(std::string_view utf8) const override;
    std::string fromAnsi(std::string_view ansi) const override;
    bool isValidAnsi(std::string_view ansi) const override { return isValidUtf8(ansi); }
};

} // namespace tarnwell::posix
