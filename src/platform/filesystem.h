#pragma once

#include "platform/error.h"
#include "platform/pathrules.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace tarnwell {

// Attribute flags of a file or folder; 0 is a normal file.
namespace Attribute {
constexpr int Normal = 0;
constexpr int ReadOnly = 1;
constexpr int Hidden = 2;
constexpr int System = 4;
constexpr int Directory = 16;
constexpr int Archive = 32;
// A link to something elsewhere: a symbolic link, a junction or a mount point. A link to a
// folder has the folder flag as well.
constexpr int ReparsePoint = 1024;
} // namespace Attribute

// Probe masks: folders and ordinary entries, or also hidden and system entries.
namespace ProbeMask {
constexpr int Folders = 16;
constexpr int All = 22;
} // namespace ProbeMask

struct CopyProgress
{
    std::uint64_t files = 0;
    std::uint64_t bytes = 0;
};
// Part of a file and the size of the whole file.
struct FileRange
{
    std::string bytes;
    std::uint64_t fileSize = 0;
};

// Called on the thread that runs the copy, now and then while it works.
using CopyProgressCallback = std::function<void(const CopyProgress&)>;

// A folder copy that copied what it could but not everything: the number, description and path
// are those of its first failure; failedEntries() lists every file or folder that failed,
// relative to the copy's source ("" for the source itself), for FileSystem::copyFolderAgain.
class FolderCopyError : public RuntimeError
{
public:
    FolderCopyError(RuntimeError first, std::vector<std::string> failedEntries)
        : RuntimeError(std::move(first)), m_failedEntries(std::move(failedEntries))
    {
    }
    const std::vector<std::string>& failedEntries() const noexcept { return m_failedEntries; }

private:
    std::vector<std::string> m_failedEntries;
};

// An exclusive lock on a file, held until the object goes; it dies with the process.
class FileLock
{
public:
    virtual ~FileLock() = default;
};

// Everything the program asks of the file system. Failures are RuntimeErrors.
class FileSystem
{
public:
    virtual ~FileSystem() = default;

    virtual PathStyle pathStyle() const = 0;

    // The name of the first entry matching path, or "" when nothing matches; starts a new
    // search. A path naming a folder or file gives its name, a drive root gives a non-empty
    // text when the drive can be reached (also when empty), a folder on a drive letter that
    // is not in use gives "". A path ending in "*" or "*.*" lists the folder before it.
    virtual std::string probe(const std::string& path, int mask) = 0;
    // The next name of the current listing, or "" when it is exhausted.
    virtual std::string next() = 0;

    // The flags of the entry itself: a link is not followed, and a dangling link has
    // ReparsePoint alone.
    virtual int attributes(const std::string& path) = 0;
    virtual void setAttributes(const std::string& path, int attributes) = 0;

    // Creates exactly one folder level; 76 when the parent does not exist.
    virtual void makeDirectory(const std::string& path) = 0;

    // Copies every file and subfolder of source, recursively, into the existing folder
    // destination, replacing files that exist there and deleting nothing. A file that cannot
    // be copied or replaced, or a folder that cannot be listed, is skipped and the rest is
    // copied; the copy then fails with a FolderCopyError carrying its first failure: 76 when a
    // path cannot be reached, 70 when a file in the way cannot be replaced. Source or
    // destination that cannot be reached fail at once. A file is replaced in one atomic step
    // and only once its new data is on the disk, so a failed copy, a crash or a power cut
    // leaves the old copy or the new one, never a part.
    virtual void copyFolder(const std::string& source, const std::string& destination,
                            const CopyProgressCallback& progress) = 0;
    // Copies again only the entries that a failed copyFolder of the same folders named.
    virtual void copyFolderAgain(const std::string& source, const std::string& destination,
                                 const std::vector<std::string>& failedEntries,
                                 const CopyProgressCallback& progress) = 0;

    // The whole content of a file; 53 when it does not exist.
    virtual std::string readFile(const std::string& path) = 0;
    // Up to length bytes of the file at path from offset (fewer at its end) and its size.
    // Only a regular file of at most maxSize bytes is read: anything else is refused
    // with 75 before a byte is read, so that a pipe, a device or a huge file cannot hold the
    // program. 53 when it does not exist.
    virtual FileRange readFileRange(const std::string& path, std::uint64_t offset,
                                    std::size_t length, std::uint64_t maxSize) = 0;
    // The working directory, absolute: where Config.dat and the run log are.
    virtual std::string currentDirectory() = 0;
    // Replaces the file's content in one atomic step: a failure leaves the old file as it was.
    // A file created here is readable and writable by its owner only; an existing file keeps
    // the permissions and the attributes it had.
    virtual void writeFileAtomically(const std::string& path, const std::string& content) = 0;

    // Takes the exclusive lock of the file at path, creating the file (owner-only) when it is
    // missing; nullptr when another holder, in this process or another, has it. Only the lock
    // counts: the file left behind blocks nothing.
    virtual std::unique_ptr<FileLock> tryLockFile(const std::string& path) = 0;
};

// The refusal of readFileRange for anything but a regular file, naming path.
RuntimeError notRegularFileError(const std::string& path);
// For readFileRange: the range of a file of fileSize bytes, its bytes sized for what lies at
// offset (empty when nothing does), still to be read. Refuses a file larger than maxSize.
FileRange sizedFileRange(const std::string& path, std::uint64_t fileSize, std::uint64_t offset,
                         std::size_t length, std::uint64_t maxSize);

} // namespace tarnwell
