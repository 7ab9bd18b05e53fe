#pragma once

#include "platform/error.h"

namespace tarnwell::win32 {

// What the failing call was working on: a missing name means "file not found" for a file,
// "path not found" for a folder.
enum class Subject
{
    File,
    Folder,
};

// The run-time error number for a Win32 error code. The one place where the two meet.
int errorNumberFor(unsigned long code, Subject subject);

// A RuntimeError for a Win32 error code, with the run-time number's own description.
RuntimeError win32Error(unsigned long code, Subject subject);

// The same for the calling thread's last-error code, read at once.
RuntimeError lastWin32Error(Subject subject);

} // namespace tarnwell::win32
