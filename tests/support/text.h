#pragma once

#include <algorithm>
#include <cctype>
#include <string>

namespace tarnwell::test {

// Names are compared without case, as Windows does.
inline std::string upper(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

} // namespace tarnwell::test
