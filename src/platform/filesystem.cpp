#include "platform/filesystem.h"

namespace tarnwell {

RuntimeError notRegularFileError(const std::string& path)
{
    RuntimeError error(ErrorNumber::PathFileAccessError,
                       errorDescription(ErrorNumber::PathFileAccessError) +
                           " (not a regular file)");
    error.concerning(path);
    return error;
}

RuntimeError fileTooLargeError(const std::string& path, std::uint64_t maxSize)
{
    constexpr std::uint64_t mebibyte = 1024 * 1024;
    const std::string limit = maxSize % mebibyte == 0 ? std::to_string(maxSize / mebibyte) + " MiB"
                                                      : std::to_string(maxSize) + " bytes";
    RuntimeError error(ErrorNumber::PathFileAccessError,
                       errorDescription(ErrorNumber::PathFileAccessError) + " (larger than " +
                           limit + ")");
    error.concerning(path);
    return error;
}

} // namespace tarnwell
