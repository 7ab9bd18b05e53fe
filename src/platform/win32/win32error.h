#pragma once

#include "platform/error.h"

#include <string>

namespace tarnwell::win32 {

// What the failing call was working on: a missing name means "file not found" for a file,
// "path not found" for a folder.
enum class Subject
{
    File,
    Folder,
};

// The run-time error number for a Win32 error code. The one place where the two meet. A code
// with no run-time number keeps its own, unless it would read as one the program keys on.
int errorNumberFor(unsigned long code, Subject subject);

// The system's text for a Win32 error code, without its line end.
std::string systemMessage(unsigned long code);

// A RuntimeError for a Win32 error code: the run-time number's own description where there
// is one, the system's text otherwise.
RuntimeError win32Error(unsigned long code, Subject subject);

// The same for the calling thread's last-error code, read at once.
RuntimeError lastWin32Error(Subject subject);

} // namespace tarnwell::win32
