#include "scratchfolder.h"

#include "platform/win32/widetext.h"
#include "platform/win32/winapi.h"

#include <atomic>
#include <cstdlib>
#include <stdexcept>

namespace tarnwell::test {

namespace {

void removeTree(const std::wstring& folder)
{
    WIN32_FIND_DATAW data;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = data.cFileName;
            if (name == L"." || name == L"..")
                continue;
            const std::wstring path = folder + L"\\" + name;
            const DWORD flags = data.dwFileAttributes;
            if (flags & FILE_ATTRIBUTE_REPARSE_POINT) {
                // The link alone goes; what it leads to is not reached through it.
                if (!((flags & FILE_ATTRIBUTE_DIRECTORY) ? RemoveDirectoryW(path.c_str())
                                                         : DeleteFileW(path.c_str())))
                    DeleteFileW(path.c_str());
                continue;
            }
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (flags & FILE_ATTRIBUTE_DIRECTORY)
                removeTree(path);
            else
                DeleteFileW(path.c_str());
        } while (FindNextFileW(search, &data));
        FindClose(search);
    }
    SetFileAttributesW(folder.c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryW(folder.c_str());
}

} // namespace

ScratchFolder::ScratchFolder()
{
    static std::atomic<unsigned> counter{0};
    wchar_t temp[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
    if (length == 0 || length > MAX_PATH)
        throw std::runtime_error("no temp folder");
    std::wstring path = std::wstring(temp, length) + L"tarnwell-" +
                        std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter);
    if (!CreateDirectoryW(path.c_str(), nullptr))
        throw std::runtime_error("cannot make the scratch folder");
    m_path = win32::toUtf8(path);
}

ScratchFolder::~ScratchFolder()
{
    removeTree(longForm(m_path));
}

// The scratch paths are absolute drive paths, so the long form is the prefix alone.
std::wstring longForm(const std::string& absolutePath)
{
    return L"\\\\?\\" + win32::toWide(absolutePath);
}

bool existsOnDisk(const std::string& path)
{
    return attributesOnDisk(path) != INVALID_FILE_ATTRIBUTES;
}

unsigned long attributesOnDisk(const std::string& path)
{
    return GetFileAttributesW(longForm(path).c_str());
}

void writeOnDisk(const std::string& path, const std::string& content)
{
    HANDLE file = CreateFileW(longForm(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        throw std::runtime_error("cannot write " + path);
    DWORD written = 0;
    const BOOL ok =
        WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    CloseHandle(file);
    if (!ok || written != content.size())
        throw std::runtime_error("cannot write " + path);
}

EmptyDrive::EmptyDrive(const std::string& folder)
{
    if (const char* prepared = std::getenv("TARNWELL_TEST_EMPTY_DRIVE")) {
        m_letter = prepared[0];
        return;
    }
    m_letter = unusedDriveLetter();
    m_device = {static_cast<wchar_t>(m_letter), L':'};
    m_target = win32::toWide(folder);
    if (!DefineDosDeviceW(0, m_device.c_str(), m_target.c_str()))
        m_letter = 0;
}

EmptyDrive::~EmptyDrive()
{
    if (!m_device.empty() && m_letter)
        DefineDosDeviceW(DDD_REMOVE_DEFINITION | DDD_EXACT_MATCH_ON_REMOVE, m_device.c_str(),
                         m_target.c_str());
}

char unusedDriveLetter()
{
    const DWORD drives = GetLogicalDrives();
    for (char letter = 'Y'; letter >= 'K'; --letter) {
        if (!(drives & (1u << (letter - 'A'))))
            return letter;
    }
    return 0;
}

} // namespace tarnwell::test
