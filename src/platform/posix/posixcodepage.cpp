#include "platform/posix/posixcodepage.h"

#include "platform/error.h"

namespace tarnwell::posix {

bool isValidUtf8(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x80) {
            ++i;
            continue;
        }
        int length = 0;
        char32_t code = 0;
        char32_t smallest = 0;
        if ((lead & 0xE0) == 0xC0) {
            length = 2, code = lead & 0x1F, smallest = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3, code = lead & 0x0F, smallest = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4, code = lead & 0x07, smallest = 0x10000;
        } else {
            return false;
        }
        if (text.size() - i < static_cast<std::size_t>(length))
            return false;
        for (int k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (next & 0x3F);
        }
        if (code < smallest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        i += static_cast<std::size_t>(length);
    }
    return true;
}

std::string PosixCodePage::toAnsi(std::string_view utf8) const
{
    if (!isValidUtf8(utf8))
        throw RuntimeError(ErrorNumber::InvalidProcedureCall,
                           errorDescription(ErrorNumber::InvalidProcedureCall) +
                               ": the text is not valid UTF-8");
    return std::string(utf8);
}

std::string PosixCodePage::fromAnsi(std::string_view ansi) const
{
    return std::string(ansi);
}

} // namespace tarnwell::posix
