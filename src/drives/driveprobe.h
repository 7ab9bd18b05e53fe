#pragma once

#include "platform/filesystem.h"

#include <string>

namespace tarnwell {

// The drive a drive-table entry names: "X", "x:", "X:\" all give "X"; "" when it names none.
std::string driveLetterText(const std::string& drive);

// True when the drive's root can be reached, also when it is empty.
bool drivePresent(FileSystem& fileSystem, const std::string& drive);

} // namespace tarnwell
