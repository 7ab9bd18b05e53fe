#include "platform/posix/posixlogfile.h"

#include "platform/filesystem.h"
#include "platform/posix/oserror.h"
#include "platform/posix/unixfile.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>

namespace tarnwell::posix {

void PosixLogFile::append(const std::string& path, const std::string& text)
{
    // Non-blocking, so that a pipe put in the log's place is refused instead of waited on.
    FileHandle file(::open(
        path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0600));
    if (!file)
        throw pathError(errno, path).concerning(path);
    FileStatus info{};
    if (::fstat(file.get(), &info) != 0)
        throw errnoError(errno).concerning(path);
    if (!S_ISREG(info.st_mode))
        throw notRegularFileError(path);
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

} // namespace tarnwell::posix
