#pragma once

#include "platform/filesystem.h"
#include "platform/pathrules.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
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
// listFolder, folderId, makeFolder and removeFile are called on the copying thread;
// isReadOnlyFile and copyFile on worker threads, several at once.
class CopyPrimitives
{
  public:
    virtual ~CopyPrimitives() = default;

    virtual PathStyle pathStyle() const = 0;

    // The entries of a folder without "." and ".."; 76 when it cannot be reached.
    virtual std::vector<FolderEntry> listFolder(const std::string& folder) = 0;
    // The identity of the folder that path leads to; 76 when it cannot be reached.
    virtual FolderId folderId(const std::string& folder) = 0;
    // Makes sure path is a folder: creates one level when nothing is there and returns true,
    // returns false when a folder (or a link to one) is there already. 76 when the parent is
    // missing, 70 when a file is in the way.
    virtual bool makeFolder(const std::string& path) = 0;
    // Deletes a file; used for temporary files that an interrupted copy left behind.
    virtual void removeFile(const std::string& path) = 0;
    // True when path is an existing file whose read-only flag forbids replacing it.
    virtual bool isReadOnlyFile(const std::string& path) = 0;
    // Copies source into temp, a new file in destination's folder, with source's modification
    // time and read-only flag, then renames temp over destination in one atomic step. On a
    // failure temp is removed and destination is left as it was; a folder in the way gives 70.
    // Returns the number of bytes copied.
    virtual std::uint64_t copyFile(const std::string& source, const std::string& temp,
                                   const std::string& destination) = 0;
};

struct CopyOptions
{
    int workers = 2;             // files in flight at once
    std::size_t queueLimit = 64; // files listed but not yet copied
    std::chrono::milliseconds progressInterval{100};
};

// Copies every file and subfolder of source, recursively, into the existing folder destination
// as FileSystem::copyFolder describes. Links to folders are followed, but a folder already
// being copied higher up on the same path is not entered again, and the destination is never
// entered when it lies inside the source. progress is called on the calling thread about every
// progressInterval and once at the end.
void copyFolderTree(CopyPrimitives& primitives, const std::string& source,
                    const std::string& destination, const CopyProgressCallback& progress,
                    const CopyOptions& options = {});

// Temporary files of the copy have names of one recognisable form: a leftover one is removed
// by the next copy into its folder and is never copied as a file of the user.
std::string copyTempName(std::uint64_t unique);
bool isCopyTempName(std::string_view name);

} // namespace tarnwell
