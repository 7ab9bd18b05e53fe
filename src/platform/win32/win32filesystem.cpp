#include "platform/win32/win32filesystem.h"

#include "platform/error.h"
#include "platform/win32/findfiles.h"
#include "platform/win32/handles.h"
#include "platform/win32/longpath.h"
#include "platform/win32/widetext.h"
#include "platform/win32/win32copy.h"
#include "platform/win32/win32error.h"
#include "platform/win32/winapi.h"
#include "platform/win32/writefile.h"

#include <algorithm>

namespace tarnwell::win32 {

namespace {

constexpr DWORD kKnownFlags = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                              FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY |
                              FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_REPARSE_POINT;

bool hasWildcard(const std::string& path)
{
    const std::size_t nameStart = path.find_last_of("\\/") + 1; // 0 when there is none
    return path.find_first_of("*?", nameStart) != std::string::npos;
}

// With mask 16, hidden and system entries are left out; folders only when the mask has 16.
bool maskAdmits(DWORD attributes, int mask)
{
    const DWORD hiddenOrSystem = attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    if (hiddenOrSystem & ~static_cast<DWORD>(mask))
        return false;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && !(mask & Attribute::Directory))
        return false;
    return true;
}

// A root that cannot be reached is simply absent: a drive letter not in use, a drive without a
// medium, a share that does not answer.
bool meansRootAbsent(DWORD code)
{
    return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND ||
           code == ERROR_INVALID_DRIVE || meansUnreachable(code);
}

// Unlocks before the handle closes: Windows may release a lock left to the close only later.
class Win32Lock : public FileLock
{
public:
    explicit Win32Lock(FileHandle file) : m_file(std::move(file)) {}
    ~Win32Lock() override
    {
        OVERLAPPED at{};
        UnlockFileEx(m_file.get(), 0, 1, 0, &at);
    }
    Win32Lock(const Win32Lock&) = delete;
    Win32Lock& operator=(const Win32Lock&) = delete;

private:
    FileHandle m_file;
};

} // namespace

std::string Win32FileSystem::probe(const std::string& path, int mask)
{
    m_listing.clear();
    m_position = 0;
    if (path.empty())
        return {};
    if (hasWildcard(path))
        return startListing(path, mask);
    if (isRootPath(PathStyle::Windows, path))
        return probeRoot(path);
    return probeName(path);
}

std::string Win32FileSystem::probeRoot(const std::string& path)
{
    const std::wstring root = toLongPath(path);
    if (GetFileAttributesW(root.c_str()) != INVALID_FILE_ATTRIBUTES)
        return normalizePath(PathStyle::Windows, path);
    const DWORD code = GetLastError();
    if (meansRootAbsent(code))
        return {};
    throw win32Error(code, Subject::Folder);
}

std::string Win32FileSystem::probeName(const std::string& path)
{
    // Found whatever its flags: a hidden folder is still a folder that exists.
    return firstMatchName(toLongPath(path));
}

std::string Win32FileSystem::startListing(const std::string& pattern, int mask)
{
    std::vector<std::string> names;
    forEachMatch(toLongPath(pattern), Subject::Folder, [&](const WIN32_FIND_DATAW& data) {
        if (maskAdmits(data.dwFileAttributes, mask))
            names.push_back(toUtf8(data.cFileName));
    });
    m_listing = std::move(names);
    return next();
}

std::string Win32FileSystem::next()
{
    if (m_position >= m_listing.size())
        return {};
    return m_listing[m_position++];
}

int Win32FileSystem::attributes(const std::string& path)
{
    const DWORD attributes = GetFileAttributesW(toLongPath(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        throw lastWin32Error(Subject::File);
    return static_cast<int>(attributes & kKnownFlags);
}

void Win32FileSystem::setAttributes(const std::string& path, int attributes)
{
    DWORD flags = static_cast<DWORD>(attributes) & kKnownFlags &
                  ~(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT);
    if (flags == 0)
        flags = FILE_ATTRIBUTE_NORMAL;
    if (!SetFileAttributesW(toLongPath(path).c_str(), flags))
        throw lastWin32Error(Subject::File);
}

void Win32FileSystem::makeDirectory(const std::string& path)
{
    if (!CreateDirectoryW(toLongPath(path).c_str(), nullptr))
        throw lastWin32Error(Subject::Folder);
}

std::string Win32FileSystem::readFile(const std::string& path)
{
    FileHandle file(CreateFileW(toLongPath(path).c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file.valid())
        throw lastWin32Error(Subject::File);
    std::string content;
    LARGE_INTEGER size;
    if (GetFileSizeEx(file.get(), &size) && size.QuadPart > 0)
        content.reserve(static_cast<std::size_t>(size.QuadPart));
    char buffer[64 * 1024];
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr))
            throw lastWin32Error(Subject::File);
        if (read == 0)
            return content;
        content.append(buffer, read);
    }
}

FileRange Win32FileSystem::readFileRange(const std::string& path, std::uint64_t offset,
                                         std::size_t length, std::uint64_t maxSize)
{
    FileHandle file(CreateFileW(toLongPath(path).c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid())
        throw lastWin32Error(Subject::File).concerning(path);
    // A pipe, a console or a device is no file of records.
    if (GetFileType(file.get()) != FILE_TYPE_DISK)
        throw notRegularFileError(path);
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.get(), &size))
        throw lastWin32Error(Subject::File).concerning(path);
    FileRange range =
        sizedFileRange(path, static_cast<std::uint64_t>(size.QuadPart), offset, length, maxSize);
    if (range.bytes.empty())
        return range;
    LARGE_INTEGER position;
    position.QuadPart = static_cast<LONGLONG>(offset);
    if (!SetFilePointerEx(file.get(), position, nullptr, FILE_BEGIN))
        throw lastWin32Error(Subject::File).concerning(path);
    std::size_t done = 0;
    while (done < range.bytes.size()) {
        DWORD read = 0;
        if (!ReadFile(file.get(), range.bytes.data() + done,
                      static_cast<DWORD>(range.bytes.size() - done), &read, nullptr))
            throw lastWin32Error(Subject::File).concerning(path);
        if (read == 0)
            break; // cut short since it was measured
        done += read;
    }
    range.bytes.resize(done);
    return range;
}

namespace {

class Win32FileReader : public FileReader
{
public:
    Win32FileReader(FileHandle file, std::string path)
        : m_file(std::move(file)), m_path(std::move(path))
    {
    }

    std::size_t read(char* buffer, std::size_t size) override
    {
        // One call reads less than 4 GiB.
        const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
        DWORD got = 0;
        if (!ReadFile(m_file.get(), buffer, wanted, &got, nullptr))
            throw lastWin32Error(Subject::File).concerning(m_path);
        return got;
    }

private:
    FileHandle m_file;
    std::string m_path;
};

} // namespace

std::unique_ptr<FileReader> Win32FileSystem::openForReading(const std::string& path)
{
    FileHandle file(CreateFileW(toLongPath(path).c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file.valid())
        throw lastWin32Error(Subject::File).concerning(path);
    // A pipe, a console or a device has no content to compare.
    if (GetFileType(file.get()) != FILE_TYPE_DISK)
        throw notRegularFileError(path);
    return std::make_unique<Win32FileReader>(std::move(file), path);
}

std::string Win32FileSystem::currentDirectory()
{
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetCurrentDirectoryW(static_cast<DWORD>(buffer.size()), buffer.data());
        if (length == 0)
            throw lastWin32Error(Subject::Folder);
        if (length < buffer.size()) {
            buffer.resize(length);
            return toUtf8(buffer);
        }
        buffer.resize(length);
    }
}

void Win32FileSystem::writeFileAtomically(const std::string& path, const std::string& content)
{
    replaceFileContent(toLongPath(path), content);
}

} // namespace tarnwell::win32

namespace tarnwell::win32 {

std::unique_ptr<FileLock> Win32FileSystem::tryLockFile(const std::string& path)
{
    OwnerOnlySecurity security;
    // Never shared for deletion: a lock file deleted and made again would let a second holder in.
    FileHandle file(CreateFileW(toLongPath(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, security.attributes(),
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid())
        throw lastWin32Error(Subject::File);
    OVERLAPPED at{};
    if (!LockFileEx(file.get(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                    &at)) {
        const DWORD code = GetLastError();
        if (code == ERROR_LOCK_VIOLATION || code == ERROR_IO_PENDING)
            return nullptr;
        throw win32Error(code, Subject::File);
    }
    return std::make_unique<Win32Lock>(std::move(file));
}

} // namespace tarnwell::win32
