#pragma once

#include <string>
#include <string_view>

namespace tarnwell {

// Converts between the program's UTF-8 and the platform's ANSI code page.
class CodePage
{
public:
    virtual ~CodePage() = default;
    // Refuses (RuntimeError 5) a text with a character that the code page cannot hold, rather
    // than storing something else.
    virtual std::string toAnsi(std::string_view utf8) const = 0;
    virtual std::string fromAnsi(std::string_view ansi) const = 0;
    // True when ansi is valid text in the code page; fromAnsi passes invalid bytes on as they
    // are (POSIX) or replaced (Windows), which never name what they were meant to.
    virtual bool isValidAnsi(std::string_view ansi) const = 0;
};

} // namespace tarnwell
