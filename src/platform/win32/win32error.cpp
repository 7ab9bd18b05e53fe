#include "platform/win32/win32error.h"

#include "platform/win32/winapi.h"

namespace tarnwell::win32 {

int errorNumberFor(unsigned long code, Subject subject)
{
    switch (code) {
    case ERROR_FILE_NOT_FOUND:
        return subject == Subject::File ? ErrorNumber::FileNotFound : ErrorNumber::PathNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
        return ErrorNumber::PathNotFound;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_UNABLE_TO_REMOVE_REPLACED: // a save's ReplaceFileW: the old file is in use
        return ErrorNumber::PermissionDenied;
    case ERROR_INVALID_DRIVE:
        return ErrorNumber::DeviceUnavailable;
    case ERROR_NOT_READY:
        return ErrorNumber::DiskNotReady;
    case ERROR_HANDLE_DISK_FULL:
    case ERROR_DISK_FULL:
        return ErrorNumber::DiskFull;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return ErrorNumber::FileAlreadyExists;
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
        return ErrorNumber::BadFileName;
    default:
        return ErrorNumber::PathFileAccessError;
    }
}

RuntimeError win32Error(unsigned long code, Subject subject)
{
    return RuntimeError(errorNumberFor(code, subject));
}

RuntimeError lastWin32Error(Subject subject)
{
    return win32Error(GetLastError(), subject);
}

} // namespace tarnwell::win32
