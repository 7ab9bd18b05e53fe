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

} // namespace tarnwell::posix
