#pragma once

#include <string>
#include <string_view>

namespace tarnwell {

// text with every control character written out as an escape ("\x1b", "\x0d", "\u009b"), so
// that a text read from a file can neither move a terminal's cursor nor start a new line on a
// terminal or in a log. Other characters, backslashes included, stay as they are.
std::string printable(std::string_view text);

} // namespace tarnwell
