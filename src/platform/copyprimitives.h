#pragma once

#include "platform/error.h"
#include "platform/pathrules.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tarnwell {

// One entry of a folder as the copy sees it. Links are followed for the type.
struct FolderEntry
{
    enum class Type
    {
        File,
        Folder,
        Other, // a device, pipe, socket or a link to nothing: there is no content to copy
    };
    std::string name;
    Type type = Type::File;
    bool link = false; // reached through a symbolic link or junction
};

// Two paths that lead to the same folder have the same identity (device and file number).
struct FolderId
{
    std::uint64_t device = 0;
    std::uint64_t node = 0;
    bool operator==(const FolderId&) const = default;
};

// The few file operations the folder copy needs from a backend. Failures are RuntimeErrors.
// A file is copied in three steps so that a new copy replaces an old one only once its data
// is on the disk: copyToTemp writes it under a temporary name, flushFiles makes a batch of
// them durable, replace renames each over its old copy, and flushFolders makes the renames
// durable.
// Threads: listFolder, folderId, makeFolder and removeStaleTemp are called on the copying
// thread; isReadOnlyFile and copyToTemp on worker threads, several at once; flushFiles,
// replace, discard and flushFolders on one flushing thread, while the workers go on copying.
// A temporary file is only ever passed to one thread at a time.
class CopyPrimitives
{
public:
    virtual ~CopyPrimitives() = default;

    virtual PathStyle pathStyle() const = 0;

    // The entries of a folder without "." and ".."; 76 when it cannot be reached.
    virtual std::vector<FolderEntry> listFolder(const std::string& folder) = 0;
    // The identity of the folder that path leads to; 76 when it cannot be reached or is a file.
    virtual FolderId folderId(const std::string& folder) = 0;
    // Makes sure path is a folder: creates one level when nothing is there and returns true,
    // returns false when a folder (or a link to one) is there already. 76 when the parent is
    // missing, 70 when a file is in the way.
    virtual bool makeFolder(const std::string& path) = 0;
    // Deletes a temporary file that an interrupted copy left behind, unless a live copy (of
    // this or another process) is still writing it; then it is left alone.
    virtual void removeStaleTemp(const std::string& path) = 0;
    // True when path is an existing file whose read-only flag forbids replacing it.
    virtual bool isReadOnlyFile(const std::string& path) = 0;
    // Copies source into temp, a new file in the folder of destination (named only for its
    // errors), with source's modification time and read-only flag. temp stays marked as live
    // until replace or discard. On a failure temp is removed. Returns the bytes copied.
    virtual std::uint64_t copyToTemp(const std::string& source, const std::string& temp,
                                     const std::string& destination) = 0;
    // Puts the data of the written temporary files on the disk.
    virtual void flushFiles(const std::vector<std::string>& temps) = 0;
    // Renames a flushed temp over destination in one atomic step; a folder in the way gives 70
    // and leaves temp to discard.
    virtual void replace(const std::string& temp, const std::string& destination) = 0;
    // Removes a temp that will replace nothing.
    virtual void discard(const std::string& temp) = 0;
    // Puts the renames made in these folders on the disk.
    virtual void flushFolders(const std::vector<std::string>& folders) = 0;
};

} // namespace tarnwell
