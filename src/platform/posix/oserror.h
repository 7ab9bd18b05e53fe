#pragma once

#include "platform/error.h"

#include <string>

namespace tarnwell::posix {

// The run-time error number for an errno value. ENOENT is 53 when the file itself is what was
// opened and missing (fileMissing), otherwise 76: a folder on the way is missing.
int errorNumberForErrno(int code, bool fileMissing);

// The run-time error for an errno value, with the catalogue's description.
RuntimeError errnoError(int code, bool fileMissing = false);

// The run-time error for an operation on path that failed with code: ENOENT gives 53 when
// the folder that should hold path exists, and 76 when a folder on the way is missing.
RuntimeError pathError(int code, const std::string& path);

} // namespace tarnwell::posix
