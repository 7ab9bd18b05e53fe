#pragma once

#include <cstddef>
#include <dirent.h>
#include <string>
#include <sys/stat.h>
#include <utility>

namespace tarnwell::posix {

// What stat() fills in.
using FileStatus = struct stat;

// An open file descriptor, closed when it goes.
class FileHandle
{
public:
    FileHandle() = default;
    explicit FileHandle(int descriptor) : m_descriptor(descriptor) {}
    FileHandle(FileHandle&& other) noexcept : m_descriptor(other.m_descriptor)
    {
        other.m_descriptor = -1;
    }
    FileHandle& operator=(FileHandle&& other) noexcept
    {
        std::swap(m_descriptor, other.m_descriptor);
        return *this;
    }
    ~FileHandle();
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    explicit operator bool() const { return m_descriptor >= 0; }
    int get() const { return m_descriptor; }
    // Closes now and throws when closing reports a failure (a late write error).
    void close();

private:
    int m_descriptor = -1;
};

// Opens path, which must be a regular file: a pipe is never waited on and a terminal never
// taken, and anything but a regular file is refused. info receives the file's status.
FileHandle openRegularFile(const std::string& path, int flags, FileStatus& info, mode_t mode = 0);

// An open folder listing; opening throws the run-time error of the failure (76 when missing).
// Listing it leaves the folder's access time alone where the kernel allows that, so that
// looking at a backup writes nothing to its disk.
class Directory
{
public:
    explicit Directory(const std::string& path);
    int descriptor() const { return ::dirfd(m_directory); }
    ~Directory();
    Directory(const Directory&) = delete;
    Directory& operator=(const Directory&) = delete;

    // The next entry, or nullptr at the end; throws on a read failure.
    const struct dirent* read();

private:
    DIR* m_directory;
};

// Removes a temporary file when it goes, unless release() was called.
class TempFileGuard
{
public:
    explicit TempFileGuard(std::string path) : m_path(std::move(path)) {}
    ~TempFileGuard();
    TempFileGuard(const TempFileGuard&) = delete;
    TempFileGuard& operator=(const TempFileGuard&) = delete;
    void release() { m_path.clear(); }

private:
    std::string m_path;
};

// Writes all of data, going on after short writes and interruptions.
void writeAll(int descriptor, const char* data, std::size_t size);

} // namespace tarnwell::posix
