#include "platform/filesystem.h"

#include <algorithm>

namespace tarnwell {

namespace {

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

} // namespace

RuntimeError danglingLinkError()
{
    return RuntimeError(ErrorNumber::PathNotFound, "Link to something that is not there");
}

RuntimeError notRegularFileError(const std::string& path)
{
    RuntimeError error(ErrorNumber::PathFileAccessError,
                       errorDescription(ErrorNumber::PathFileAccessError) +
                           " (not a regular file)");
    error.concerning(path);
    return error;
}

FileRange sizedFileRange(const std::string& path, std::uint64_t fileSize, std::uint64_t offset,
                         std::size_t length, std::uint64_t maxSize)
{
    if (fileSize > maxSize)
        throw fileTooLargeError(path, maxSize);
    FileRange range;
    range.fileSize = fileSize;
    if (offset < fileSize)
        range.bytes.resize(
            static_cast<std::size_t>(std::min<std::uint64_t>(length, fileSize - offset)));
    return range;
}

} // namespace tarnwell
