#pragma once

#include "platform/filesystem.h"

#include <string>

namespace tarnwell {

// The drive a drive-table entry names: "X", "x:", "X:\" all give "X"; "" when it names none.
std::string driveLetterText(const std::string& drive);

// Whether a drive-table entry names a drive at all; one that does not ("M7") is never mapped.
bool namesDrive(const std::string& drive);

// True when the drive's root can be reached, also when it is empty.
bool drivePresent(FileSystem& fileSystem, const std::string& drive);

} // namespace tarnwell
