#include "platform/posix/oserror.h"

#include "platform/posix/unixfile.h"

#include <cerrno>
#include <sys/stat.h>

namespace tarnwell::posix {

namespace {

std::string parentOf(const std::string& path)
{
    std::string::size_type end = path.find_last_not_of('/');
    if (end == std::string::npos)
        return "/";
    const std::string::size_type slash = path.find_last_of('/', end);
    if (slash == std::string::npos)
        return ".";
    end = path.find_last_not_of('/', slash);
    return end == std::string::npos ? "/" : path.substr(0, end + 1);
}

} // namespace

int errorNumberForErrno(int code, bool fileMissing)
{
    switch (code) {
    case ENOENT:
        return fileMissing ? ErrorNumber::FileNotFound : ErrorNumber::PathNotFound;
    case ENOTDIR:
        return ErrorNumber::PathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
        return ErrorNumber::PermissionDenied;
    case ENOSPC:
    case EDQUOT:
        return ErrorNumber::DiskFull;
    case EEXIST:
        return ErrorNumber::FileAlreadyExists;
    case EIO:
        return ErrorNumber::DeviceIo;
    case ENAMETOOLONG:
        return ErrorNumber::PathTooLong;
    case EINVAL:
    case EILSEQ:
        return ErrorNumber::BadFileName;
    case EMFILE:
    case ENFILE:
        return ErrorNumber::TooManyFiles;
    default:
        return ErrorNumber::PathFileAccessError;
    }
}

RuntimeError errnoError(int code, bool fileMissing)
{
    return RuntimeError(errorNumberForErrno(code, fileMissing));
}

RuntimeError pathError(int code, const std::string& path)
{
    bool fileMissing = false;
    if (code == ENOENT) {
        FileStatus info{};
        fileMissing = ::stat(parentOf(path).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
    }
    return errnoError(code, fileMissing);
}

} // namespace tarnwell::posix
