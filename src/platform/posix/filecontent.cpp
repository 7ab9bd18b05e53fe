#include "platform/posix/filecontent.h"

#include "platform/posix/oserror.h"
#include "platform/posix/unixfile.h"

#include <algorithm>
#include <cerrno>
#include <sys/sendfile.h>
#include <unistd.h>
#include <vector>

namespace tarnwell::posix {

namespace {

constexpr std::uint64_t kChunk = std::uint64_t{1} << 30;

// Each write to a share is a request that waits for a round trip; the kernel's paths give it
// 64 KiB at a time.
constexpr std::size_t kLargeRequest = std::size_t{1} << 20;

// Stops after expectedSize bytes, or at the end of the file when expectedSize is 0.
std::uint64_t copyByReadWrite(int from, int to, std::uint64_t expectedSize = 0,
                              std::size_t request = 256 * 1024)
{
    if (expectedSize != 0)
        request = static_cast<std::size_t>(std::min<std::uint64_t>(request, expectedSize));
    std::vector<char> buffer(request);
    std::uint64_t total = 0;
    while (expectedSize == 0 || total < expectedSize) {
        const std::size_t wanted =
            expectedSize == 0 ? buffer.size()
                              : static_cast<std::size_t>(
                                    std::min<std::uint64_t>(buffer.size(), expectedSize - total));
        // A whole request is gathered before it is written, also from short reads.
        std::size_t held = 0;
        while (held < wanted) {
            const ssize_t got = ::read(from, buffer.data() + held, wanted - held);
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0)
                throw errnoError(errno);
            if (got == 0)
                break;
            held += static_cast<std::size_t>(got);
        }
        if (held == 0)
            return total;
        writeAll(to, buffer.data(), held);
        total += held;
        if (held < wanted)
            return total;
    }
    return total;
}

// Between two file systems the kernel still copies without a trip through user memory, which
// was measured faster than reads and writes for large files.
std::uint64_t copyBySendfile(int from, int to, std::uint64_t expectedSize)
{
    std::uint64_t total = 0;
    while (expectedSize == 0 || total < expectedSize) {
        const std::uint64_t wanted =
            expectedSize == 0 ? kChunk : std::min(kChunk, expectedSize - total);
        const ssize_t sent = ::sendfile(to, from, nullptr, static_cast<std::size_t>(wanted));
        if (sent > 0) {
            total += static_cast<std::uint64_t>(sent);
            continue;
        }
        if (sent == 0)
            return total;
        if (errno == EINTR)
            continue;
        if (errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP)
            return total + copyByReadWrite(from, to);
        throw errnoError(errno);
    }
    return total;
}

} // namespace

std::uint64_t copyFileContent(int from, int to, std::uint64_t expectedSize, bool largeRequests)
{
    if (largeRequests)
        return copyByReadWrite(from, to, expectedSize, kLargeRequest);
    std::uint64_t total = 0;
    // Stopping at the expected size saves a call per file; a file of unknown size (0) is
    // copied until the kernel reports its end.
    while (expectedSize == 0 || total < expectedSize) {
        const std::uint64_t wanted =
            expectedSize == 0 ? kChunk : std::min(kChunk, expectedSize - total);
        const ssize_t copied =
            ::copy_file_range(from, nullptr, to, nullptr, static_cast<std::size_t>(wanted), 0);
        if (copied > 0) {
            total += static_cast<std::uint64_t>(copied);
            continue;
        }
        if (copied == 0)
            return total;
        if (errno == EINTR)
            continue;
        // Not offered between these two files (another file system, older kernels): both
        // offsets are where the kernel stopped, so the copy goes on from there.
        if (errno == EXDEV || errno == ENOSYS || errno == EOPNOTSUPP || errno == EINVAL ||
            errno == EBADF)
            return total + copyBySendfile(from, to, expectedSize == 0 ? 0 : expectedSize - total);
        throw errnoError(errno);
    }
    return total;
}

} // namespace tarnwell::posix
