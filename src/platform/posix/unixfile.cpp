#include "platform/posix/unixfile.h"

#include "platform/filesystem.h"
#include "platform/posix/oserror.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace tarnwell::posix {

FileHandle::~FileHandle()
{
    if (m_descriptor >= 0)
        ::close(m_descriptor);
}

void FileHandle::close()
{
    const int descriptor = m_descriptor;
    m_descriptor = -1;
    // Linux releases the descriptor even when close reports EINTR; never close it twice.
    if (descriptor >= 0 && ::close(descriptor) != 0 && errno != EINTR)
        throw errnoError(errno);
}

FileHandle openRegularFile(const std::string& path, int flags, FileStatus& info, mode_t mode)
{
    FileHandle file(::open(path.c_str(), flags | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, mode));
    if (!file)
        throw pathError(errno, path).concerning(path);
    if (::fstat(file.get(), &info) != 0)
        throw errnoError(errno).concerning(path);
    if (!S_ISREG(info.st_mode))
        throw notRegularFileError(path);
    return file;
}

namespace {

DIR* openDirectory(const std::string& path)
{
    constexpr int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
    // O_NOATIME is for the owner only (and root); anyone else lists as usual.
    int descriptor = ::open(path.c_str(), flags | O_NOATIME);
    if (descriptor < 0 && errno == EPERM)
        descriptor = ::open(path.c_str(), flags);
    if (descriptor < 0)
        return nullptr;
    DIR* directory = ::fdopendir(descriptor);
    if (!directory) {
        const int code = errno;
        ::close(descriptor);
        errno = code;
    }
    return directory;
}

} // namespace

Directory::Directory(const std::string& path) : m_directory(openDirectory(path))
{
    if (!m_directory)
        throw errnoError(errno);
}

Directory::~Directory()
{
    ::closedir(m_directory);
}

const struct dirent* Directory::read()
{
    errno = 0;
    const struct dirent* entry = ::readdir(m_directory);
    if (!entry && errno != 0)
        throw errnoError(errno);
    return entry;
}

TempFileGuard::~TempFileGuard()
{
    if (!m_path.empty())
        ::unlink(m_path.c_str());
}

void writeAll(int descriptor, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(descriptor, data, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            throw errnoError(errno);
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
}

} // namespace tarnwell::posix
