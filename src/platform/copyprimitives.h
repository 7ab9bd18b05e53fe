#pragma once

#include "platform/error.h"
#include "platform/pathrules.h"
#include "platform/targetkeeps.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tarnwell {

// What the copy compares to find a copy up to date: the size, the modification time and the
// flags a copy carries along (the permission bits, or the read-only, hidden and system flags).
struct FileStamp
{
    std::uint64_t size = 0;
    std::int64_t seconds = 0; // since 1970
    std::uint32_t nanoseconds = 0;
    std::uint32_t flags = 0;
};

// One entry of a folder as the copy sees it. Links are followed for the type.
struct FolderEntry
{
    enum class Type
    {
        File,
        Folder,
        Other,  // a device, pipe, socket or app execution alias: no content to copy; what says
                // which (empty: gone since it was listed)
        Failed, // what a link leads to cannot be looked up (or nothing is there): failure says why
    };
    FolderEntry() = default;
    FolderEntry(std::string entryName, Type entryType, bool throughLink = false)
        : name(std::move(entryName)), type(entryType), link(throughLink)
    {
    }

    std::string name;
    Type type = Type::File;
    bool link = false; // reached through a symbolic link or junction
    // The entry's own hidden and system flags (those of the link itself for a link); none on
    // POSIX.
    bool hiddenSystem = false;
    // A file whose content is only in the cloud (or on slower storage): opening it would fetch
    // it, so the copy never does.
    bool onlineOnly = false;
    std::string what; // of an Other: "a named pipe", "an app execution alias", ...
    FileStamp stamp;  // of a file, when the listing was asked for stamps
    std::optional<RuntimeError> failure;
};

// A source file that changed while it was copied (its size or modification time differ from
// when its copy began): the copy made is of no one state of the file and replaces nothing.
class FileChangedError : public RuntimeError
{
public:
    FileChangedError()
        : RuntimeError(ErrorNumber::PathFileAccessError, "Changed while it was being copied")
    {
    }
};

// An entry that a flush could not put on the disk, by its index in what was flushed.
struct FlushFailure
{
    std::size_t index;
    RuntimeError error;
};
struct FlushFailures
{
    std::vector<FlushFailure> files;
    std::vector<FlushFailure> folders;
};

// Two paths that lead to the same folder have the same identity (device and file number).
struct FolderId
{
    std::uint64_t device = 0;
    std::uint64_t node = 0;
    // Not part of the identity: the folder's flags as a copy of it carries them (its
    // permission bits on POSIX; none on Windows, where a folder's attributes are left alone).
    std::uint32_t flags = 0;
    bool operator==(const FolderId& other) const
    {
        return device == other.device && node == other.node;
    }
};

// A folder of the destination as makeFolder left it.
struct MadeFolder
{
    bool created = false;
    std::uint32_t flags = 0; // as FolderId::flags
};

// The few file operations the folder copy needs from a backend. Failures are RuntimeErrors.
// A file is copied in three steps so that a new copy replaces an old one only once its data
// is on the disk: copyToTemp writes it under a temporary name, flush makes a batch of them
// durable, replace renames each over its old copy, and a later flush makes the renames
// durable.
// Threads: folderId, targetKeeps, makeFolder, setFolderFlags, removeStaleTemp and
// openTempLimit are called on the copying thread; listFolder there and on a few listing
// threads, several at once; isReadOnlyFile and copyToTemp on worker threads, several at once;
// flush, replace, discard, keepVersion and makeFolder (for the versions' folders) on one
// flushing thread, while the workers go on copying. All of them may run at the same time. A
// temporary file is only ever passed to one thread at a time. removeTree is called while no
// copy runs.
class CopyPrimitives
{
public:
    virtual ~CopyPrimitives() = default;

    virtual PathStyle pathStyle() const = 0;

    // The entries of a folder without "." and ".."; 76 when it cannot be reached. With
    // withStamps, each file's stamp too.
    virtual std::vector<FolderEntry> listFolder(const std::string& folder, bool withStamps) = 0;
    // The identity and flags of the folder that path leads to; 76 when it cannot be reached or
    // is a file.
    virtual FolderId folderId(const std::string& folder) = 0;
    // What the file system that holds folder keeps of the flags and modification time that a
    // copy gives a file. Found by writing a small file at probe (a temporary name of the copy
    // in folder), reading back what it kept and removing it; where no file can be written
    // there, from the file system's type.
    virtual TargetKeeps targetKeeps(const std::string& folder, const std::string& probe) = 0;
    // Makes sure path is a folder that the copy can fill: creates one level when nothing is
    // there, or takes the folder (or link to one) that is, and says which, with the flags it
    // then has. 76 when the parent is missing, 70 when a file is in the way.
    virtual MadeFolder makeFolder(const std::string& path) = 0;
    // Gives the folder at path the flags of a source folder (FolderId::flags), once the copy
    // has filled it.
    virtual void setFolderFlags(const std::string& path, std::uint32_t flags) = 0;
    // Deletes a temporary file that an interrupted copy left behind, unless a live copy (of
    // this or another process) is still writing it; then it is left alone. Where the target
    // cannot lock files, a live copy cannot be told from a leftover: the copy is only run
    // while the caller holds the run lock of its configuration, so no other run of it is
    // writing there, and such a file is removed.
    virtual void removeStaleTemp(const std::string& path) = 0;
    // How many temporary files a copy may hold open at once, after raising the process's limit
    // where that is allowed. Called on the copying thread before the copy starts.
    virtual std::size_t openTempLimit() = 0;
    // True when path is an existing file whose read-only flag forbids replacing it.
    virtual bool isReadOnlyFile(const std::string& path) = 0;
    // Copies source into temp, a new file in the folder of destination (named only for its
    // errors), with source's modification time and flags. replacing tells whether something
    // may be in the way at destination, as far as the copy knows; a backend may write a file
    // that replaces nothing in another way. temp stays marked as live until replace or
    // discard. Anything but a regular file is refused without waiting for it. A source that
    // changes while it is read throws FileChangedError. A source that another program holds
    // open without letting others read it fails with 55 (FileInUse). On a failure temp is
    // removed. Returns the bytes copied.
    virtual std::uint64_t copyToTemp(const std::string& source, const std::string& temp,
                                     const std::string& destination, bool replacing) = 0;
    // Puts on the disk the data of the written temporary files temps and the renames made
    // in folders so far. Each entry's own result counts: those that may not be on the disk
    // are returned.
    virtual FlushFailures flush(const std::vector<std::string>& temps,
                                const std::vector<std::string>& folders) = 0;
    // Renames a flushed temp over destination in one atomic step; a folder in the way gives 70
    // and leaves temp to discard.
    virtual void replace(const std::string& temp, const std::string& destination) = 0;
    // Removes a temp that will replace nothing.
    virtual void discard(const std::string& temp) = 0;

    // How keepVersion kept an old copy.
    enum class Kept
    {
        Nothing, // no file was at copy
        Linked,  // version is a second name of the file (a hard link): no data is written
        Moved,   // the file was renamed to version, where the file system has no hard links
    };
    // Keeps the file at copy as version, a new name in an existing folder of the same volume,
    // before a new copy replaces it: a hard link where the file system allows, else a rename
    // (FAT, exFAT). Neither writes the file's data; a later flush of version's folder makes
    // the new name durable. Something already at version is never replaced (58); a folder at
    // copy gives 70.
    virtual Kept keepVersion(const std::string& copy, const std::string& version) = 0;
    // Removes folder with everything in it, read-only files included. A link inside is removed
    // itself; what it leads to is never entered. A link at folder itself is refused (70).
    virtual void removeTree(const std::string& folder) = 0;
};

} // namespace tarnwell
