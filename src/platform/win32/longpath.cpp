#include "platform/win32/longpath.h"

#include "platform/win32/widetext.h"
#include "platform/win32/win32error.h"
#include "platform/win32/winapi.h"

namespace tarnwell::win32 {

std::wstring windowsFullPath(const std::wstring& path)
{
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetFullPathNameW(path.c_str(), static_cast<DWORD>(buffer.size()),
                                              buffer.data(), nullptr);
        if (length == 0)
            throw lastWin32Error(Subject::Folder);
        if (length < buffer.size()) {
            buffer.resize(length);
            return buffer;
        }
        buffer.resize(length); // the length needed, terminating NUL included
    }
}

std::wstring toLongPath(std::string_view path)
{
    return longPathOf(toWide(path), windowsFullPath);
}

} // namespace tarnwell::win32
