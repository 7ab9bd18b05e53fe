#include "platform/win32/win32logfile.h"

#include "platform/filesystem.h"
#include "platform/win32/handles.h"
#include "platform/win32/longpath.h"
#include "platform/win32/win32error.h"
#include "platform/win32/winapi.h"

namespace tarnwell::win32 {

void Win32LogFile::append(const std::string& path, const std::string& text)
{
    FileHandle file(CreateFileW(toLongPath(path).c_str(), FILE_APPEND_DATA,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid())
        throw lastWin32Error(Subject::File).concerning(path);
    if (GetFileType(file.get()) != FILE_TYPE_DISK)
        throw notRegularFileError(path);
    DWORD written = 0;
    if (!WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
        written != text.size())
        throw lastWin32Error(Subject::File).concerning(path);
    if (!file.close())
        throw lastWin32Error(Subject::File).concerning(path);
}

std::uint64_t Win32LogFile::size(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(toLongPath(path).c_str(), GetFileExInfoStandard, &data)) {
        const DWORD code = GetLastError();
        if (code == ERROR_FILE_NOT_FOUND)
            return 0;
        throw win32Error(code, Subject::File).concerning(path);
    }
    return (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
}

void Win32LogFile::rename(const std::string& from, const std::string& to)
{
    if (!MoveFileExW(toLongPath(from).c_str(), toLongPath(to).c_str(), MOVEFILE_REPLACE_EXISTING))
        throw lastWin32Error(Subject::File).concerning(to);
}

std::string Win32LogFile::read(const std::string& path)
{
    FileHandle file(CreateFileW(toLongPath(path).c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        const DWORD code = GetLastError();
        if (code == ERROR_FILE_NOT_FOUND)
            return {};
        throw win32Error(code, Subject::File).concerning(path);
    }
    std::string text;
    char buffer[65536];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr))
            throw lastWin32Error(Subject::File).concerning(path);
        if (got == 0)
            return text;
        text.append(buffer, got);
    }
}

void Win32LogFile::remove(const std::string& path)
{
    if (!DeleteFileW(toLongPath(path).c_str())) {
        const DWORD code = GetLastError();
        if (code != ERROR_FILE_NOT_FOUND)
            throw win32Error(code, Subject::File).concerning(path);
    }
}

} // namespace tarnwell::win32
