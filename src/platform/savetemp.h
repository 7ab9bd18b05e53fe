#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tarnwell {

// The temporary file beside fileName into which a save writes the new content before it takes
// the old file's place: "." + fileName + "-" + 16 hex digits + ".tmp". Each save has its own.
std::string saveTempName(std::string_view fileName, std::uint64_t unique);

// Whether name is one of the temporary files of a save of fileName (letter case aside).
bool isSaveTempOf(std::string_view name, std::string_view fileName);

} // namespace tarnwell
