#include "platform/win32/win32error.h"

#include "platform/win32/widetext.h"
#include "platform/win32/winapi.h"

// Not in every MinGW-w64 header.
#ifndef ERROR_VIRUS_INFECTED
#define ERROR_VIRUS_INFECTED 225L
#endif
#ifndef ERROR_VIRUS_DELETED
#define ERROR_VIRUS_DELETED 226L
#endif
#ifndef ERROR_CANT_ACCESS_FILE
#define ERROR_CANT_ACCESS_FILE 1920L
#endif

namespace tarnwell::win32 {

namespace {

// A run-time number that has no text of the program's own for this code: the system's says
// what happened.
constexpr int kSystemText = -1;

// The number for a code the program knows; kSystemText for one of that file alone that keeps
// the system's text; 0 for a code the program has no number for.
int knownNumberFor(unsigned long code, Subject subject)
{
    switch (code) {
    case ERROR_FILE_NOT_FOUND:
        return subject == Subject::File ? ErrorNumber::FileNotFound : ErrorNumber::PathNotFound;
    case ERROR_PATH_NOT_FOUND:
    // A share or network that went away is a path that cannot be reached, as one never there.
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_NETNAME_DELETED:
    case ERROR_REM_NOT_LIST:
    case ERROR_NETWORK_BUSY:
    case ERROR_DEV_NOT_EXIST:
    case ERROR_BAD_NET_RESP:
    case ERROR_UNEXP_NET_ERR:
    case ERROR_NOT_CONNECTED:
    case ERROR_NO_NETWORK:
    case ERROR_NETWORK_UNREACHABLE:
    case ERROR_HOST_UNREACHABLE:
    case ERROR_PORT_UNREACHABLE:
    case ERROR_CONNECTION_ABORTED:
    case ERROR_CONNECTION_REFUSED:
    case ERROR_NO_NET_OR_BAD_PATH:
        return ErrorNumber::PathNotFound;
    case ERROR_ACCESS_DENIED:
    case ERROR_NETWORK_ACCESS_DENIED:
    case ERROR_UNABLE_TO_REMOVE_REPLACED: // a save's ReplaceFileW: the old file is in use
        return ErrorNumber::PermissionDenied;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_USER_MAPPED_FILE:
        return ErrorNumber::FileInUse;
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
    // That file's own trouble: the virus scanner refused it, the system cannot read it.
    case ERROR_VIRUS_INFECTED:
    case ERROR_VIRUS_DELETED:
    case ERROR_CANT_ACCESS_FILE:
        return kSystemText;
    default:
        return 0;
    }
}

} // namespace

std::string systemMessage(unsigned long code)
{
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message = length > 0 && text ? std::wstring(text, length) : std::wstring();
    if (text)
        LocalFree(text);
    while (!message.empty() &&
           (message.back() == L'\n' || message.back() == L'\r' || message.back() == L' '))
        message.pop_back();
    if (message.empty())
        return "System error " + std::to_string(code);
    return toUtf8(message);
}

int errorNumberFor(unsigned long code, Subject subject)
{
    const int known = knownNumberFor(code, subject);
    if (known > 0)
        return known;
    // A code that would read as one of the numbers the program keys on is that file's access
    // error; any other keeps its own number.
    if (known == kSystemText || code > 0x7FFFFFFFul || isProgramErrorNumber(static_cast<int>(code)))
        return ErrorNumber::PathFileAccessError;
    return static_cast<int>(code);
}

RuntimeError win32Error(unsigned long code, Subject subject)
{
    const int number = errorNumberFor(code, subject);
    if (knownNumberFor(code, subject) > 0)
        return RuntimeError(number);
    return RuntimeError(number, systemMessage(code));
}

RuntimeError lastWin32Error(Subject subject)
{
    return win32Error(GetLastError(), subject);
}

} // namespace tarnwell::win32
