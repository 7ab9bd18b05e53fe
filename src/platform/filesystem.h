#pragma once

#include "platform/copyprimitives.h"
#include "platform/error.h"
#include "platform/pathrules.h"

#include <cstdint>
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
// A file whose content is not on this computer (a cloud placeholder, a file moved to slower
// storage): reading it fetches it first.
constexpr int Offline = 4096;
constexpr int RecallOnOpen = 0x00040000;
constexpr int RecallOnDataAccess = 0x00400000;
constexpr int NotLocal = Offline | RecallOnOpen | RecallOnDataAccess;
} // namespace Attribute

// Probe masks: folders and ordinary entries, or also hidden and system entries.
namespace ProbeMask {
constexpr int Folders = 16;
constexpr int All = 22;
} // namespace ProbeMask

// Part of a file and the size of the whole file.
struct FileRange
{
    std::string bytes;
    std::uint64_t fileSize = 0;
};

// An exclusive lock on a file, held until the object goes; it dies with the process.
class FileLock
{
public:
    virtual ~FileLock() = default;
};

// A file open for reading from its start.
class FileReader
{
public:
    virtual ~FileReader() = default;
    // Up to size bytes of the file into buffer; 0 at its end.
    virtual std::size_t read(char* buffer, std::size_t size) = 0;
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

    // The file operations of the folder copy on this file system; the copy itself is the
    // engine above the platform. One copy at a time uses them.
    virtual CopyPrimitives& copyPrimitives() = 0;

    // The whole content of a file; 53 when it does not exist.
    virtual std::string readFile(const std::string& path) = 0;
    // Up to length bytes of the file at path from offset (fewer at its end) and its size.
    // Only a regular file of at most maxSize bytes is read: anything else is refused
    // with 75 before a byte is read, so that a pipe, a device or a huge file cannot hold the
    // program. 53 when it does not exist.
    virtual FileRange readFileRange(const std::string& path, std::uint64_t offset,
                                    std::size_t length, std::uint64_t maxSize) = 0;
    // Opens a file to read it through, letting other programs go on reading and writing it.
    // Only a regular file is opened: anything else is refused with 75 without waiting on it.
    // 53 when it does not exist.
    virtual std::unique_ptr<FileReader> openForReading(const std::string& path) = 0;
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

// A link whose target does not exist: a path not found, described as such.
RuntimeError danglingLinkError();

// The refusal of readFileRange for anything but a regular file, naming path.
RuntimeError notRegularFileError(const std::string& path);
// For readFileRange: the range of a file of fileSize bytes, its bytes sized for what lies at
// offset (empty when nothing does), still to be read. Refuses a file larger than maxSize.
FileRange sizedFileRange(const std::string& path, std::uint64_t fileSize, std::uint64_t offset,
                         std::size_t length, std::uint64_t maxSize);

} // namespace tarnwell
