#include "platform/posix/posixlogfile.h"

#include "platform/filesystem.h"
#include "platform/posix/oserror.h"
#include "platform/posix/unixfile.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarnwell::posix {

void PosixLogFile::append(const std::string& path, const std::string& text)
{
    FileStatus info{};
    FileHandle file = openRegularFile(path, O_WRONLY | O_APPEND | O_CREAT, info, 0600);
    try {
        writeAll(file.get(), text.data(), text.size());
        file.close();
    } catch (RuntimeError& error) {
        error.concerning(path);
        throw;
    }
}

std::uint64_t PosixLogFile::size(const std::string& path)
{
    FileStatus info{};
    if (::stat(path.c_str(), &info) != 0) {
        if (errno == ENOENT)
            return 0;
        throw pathError(errno, path).concerning(path);
    }
    return static_cast<std::uint64_t>(info.st_size);
}

void PosixLogFile::rename(const std::string& from, const std::string& to)
{
    if (std::rename(from.c_str(), to.c_str()) != 0)
        throw pathError(errno, to).concerning(to);
}

std::string PosixLogFile::read(const std::string& path)
{
    FileHandle file(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (!file) {
        if (errno == ENOENT)
            return {};
        throw pathError(errno, path).concerning(path);
    }
    std::string text;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(file.get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            throw pathError(errno, path).concerning(path);
        if (got == 0)
            return text;
        text.append(buffer, static_cast<std::size_t>(got));
    }
}

void PosixLogFile::remove(const std::string& path)
{
    if (::unlink(path.c_str()) != 0 && errno != ENOENT)
        throw pathError(errno, path).concerning(path);
}

} // namespace tarnwell::posix
