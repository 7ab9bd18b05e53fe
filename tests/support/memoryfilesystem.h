#pragma once

#include "platform/copyprimitives.h"
#include "platform/filesystem.h"

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace tarnwell::test {

// A Windows-like file system in memory: drive letters, \\server\share roots, "\" separators,
// names compared without case and the attribute flags (a link is only marked ReparsePoint). It
// records every probe and every change, and fails an operation on a path with a chosen error number
// when told to. Its folder copy is the program's copy engine, working through the copy primitives
// offered here.
class MemoryFileSystem : public FileSystem, public CopyPrimitives
{
public:
    enum class Operation
    {
        Probe,
        Attributes,
        SetAttributes,
        MakeDirectory,
        CopyFile,   // one file of a copy, matched on the destination file's path
        ListFolder, // the listing of a folder inside a copy, matched on that folder
        FollowLink, // looking up what a link in a copy's listing leads to, matched on the link
        ReadFile,
        WriteFile,
        Replace, // a new copy renamed over its old one, matched on the destination
    };

    // Starts with a local disk C: holding C:\Windows, and C:\Work as the current folder.
    MemoryFileSystem();

    // --- building the world ---
    void addDrive(char letter);                // an empty local disk
    void addShare(const std::string& uncRoot); // \\server\share, reachable by its path
    void connectDrive(char letter, const std::string& uncRoot);
    void disconnectDrive(char letter);
    bool hasDrive(char letter) const;
    void addFolder(const std::string& path, int attributes = Attribute::Normal);
    void addFile(const std::string& path, const std::string& content,
                 int attributes = Attribute::Normal);
    void setCurrentDirectory(const std::string& path);
    // Modification times, in nanoseconds since 1970. Each file added gets a later time than
    // the one before, as files written one after another do; a copy keeps its source's time,
    // as finely as the drive it lands on keeps times.
    void setModified(const std::string& path, std::int64_t nanoseconds);
    std::int64_t modifiedOf(const std::string& path) const;
    void setTimeResolution(char drive, std::chrono::nanoseconds resolution);
    // What another program does with a file: has it open for writing and lets others read it
    // (copied as it stands), or holds it and lets no one else in (55 to every copy).
    enum class Hold
    {
        None,
        SharedForWriting,
        Exclusive,
    };
    void holdOpen(const std::string& path, Hold hold);
    // The next `times` copies of the file find it changed when they end, as one being written.
    void changeWhileRead(const std::string& path, int times);
    // An app execution alias: a file with a reparse point and no content to copy.
    void addAppAlias(const std::string& path);
    // The flags (of ReadOnly, Hidden and System) that a drive keeps: a copy that lands there
    // loses the others, as a disk that keeps no modes or flags does.
    void setKeptFlags(char drive, int flags);
    // A drive without hard links (FAT, exFAT): old copies are kept by a rename.
    void setNoHardLinks(char drive);

    // Makes the next `times` calls of operation on path fail with number (-1: every call),
    // after letting the first `skip` of them through.
    void failOn(Operation operation, const std::string& path, int number, int times = -1,
                int skip = 0);

    // --- looking at it ---
    bool exists(const std::string& path) const;
    bool isFolder(const std::string& path) const;
    std::string contentOf(const std::string& path) const;
    int attributesOf(const std::string& path) const;
    std::vector<std::string> namesIn(const std::string& folder) const;
    const std::vector<std::string>& probes() const { return m_probes; }
    // One line per change, e.g. "mkdir D:\Backup", "attrib D:\Backup\a.txt 0",
    // "write C:\Work\Config.dat", "copy D:\Backup\Data\a.txt" for a file the copy put in
    // place, and "download C:\...\f" for a file whose content was not local when it was read.
    const std::vector<std::string>& changes() const { return m_changes; }
    void clearRecords();

    // --- FileSystem ---
    PathStyle pathStyle() const override { return PathStyle::Windows; }
    std::string probe(const std::string& path, int mask) override;
    std::string next() override;
    int attributes(const std::string& path) override;
    void setAttributes(const std::string& path, int attributes) override;
    void makeDirectory(const std::string& path) override;
    CopyPrimitives& copyPrimitives() override { return *this; }
    std::string readFile(const std::string& path) override;
    // Every file here is a regular file; ReadFile failures apply to it too.
    FileRange readFileRange(const std::string& path, std::uint64_t offset, std::size_t length,
                            std::uint64_t maxSize) override;
    // What the file holds when it is opened; ReadFile failures apply to it too.
    std::unique_ptr<FileReader> openForReading(const std::string& path) override;
    std::string currentDirectory() override { return m_currentDirectory; }
    void writeFileAtomically(const std::string& path, const std::string& content) override;
    // Locks are only held, never written: the lock file does not appear in the tree.
    std::unique_ptr<FileLock> tryLockFile(const std::string& path) override;

    // --- CopyPrimitives: a temporary file is live from copyToTemp until replace or discard ---
    std::vector<FolderEntry> listFolder(const std::string& folder, bool withStamps) override;
    FolderId folderId(const std::string& folder) override;
    // Writes probe with every flag and a time, and reads back what its drive kept.
    TargetKeeps targetKeeps(const std::string& folder, const std::string& probe) override;
    MadeFolder makeFolder(const std::string& path) override;
    // Like Windows, gives folders no flags of their source.
    void setFolderFlags(const std::string&, std::uint32_t) override {}
    void removeStaleTemp(const std::string& path) override;
    std::size_t openTempLimit() override { return 1 << 16; }
    bool isReadOnlyFile(const std::string& path) override;
    std::uint64_t copyToTemp(const std::string& source, const std::string& temp,
                             const std::string& destination, bool replacing) override;
    FlushFailures flush(const std::vector<std::string>&, const std::vector<std::string>&) override
    {
        return {};
    }
    void replace(const std::string& temp, const std::string& destination) override;
    void discard(const std::string& temp) override;
    Kept keepVersion(const std::string& copy, const std::string& version) override;
    void removeTree(const std::string& folder) override;

private:
    struct Node;
    using NodePtr = std::shared_ptr<Node>;

    std::string absolute(const std::string& path) const;
    NodePtr rootOf(const std::string& root) const;
    NodePtr find(const std::string& path) const;
    NodePtr parentOf(const std::string& path, std::string& name) const;
    NodePtr requireParent(const std::string& path, std::string& name) const;
    NodePtr requireNode(const std::string& path) const;
    void checkFailure(Operation operation, const std::string& path);
    std::string key(const std::string& path) const;
    std::chrono::nanoseconds timeResolution(const std::string& path) const;
    int keptFlags(const std::string& path) const;

    struct Failure
    {
        Operation operation;
        std::string path; // normalised, upper case
        int number;
        int times;
        int skip;
    };

    std::map<char, NodePtr> m_drives;
    std::map<std::string, NodePtr> m_shares; // upper-case \\SERVER\SHARE\ -> root
    std::string m_currentDirectory = "C:\\Work";
    std::int64_t m_lastModified = 1'200'000'000'000'000'000; // 2008
    std::map<char, std::chrono::nanoseconds> m_timeResolutions;
    std::map<char, int> m_keptFlags;
    std::set<char> m_noHardLinks;
    std::vector<Failure> m_failures;
    std::vector<std::string> m_listing; // the names the current search still has
    std::vector<std::string> m_probes;
    std::vector<std::string> m_changes;
    // The copy engine's threads call the copy primitives at once.
    std::mutex m_copyMutex;
    std::set<std::string> m_liveTemps; // keys of the temporary files being written
    std::shared_ptr<std::set<std::string>> m_locks = std::make_shared<std::set<std::string>>();
};

} // namespace tarnwell::test
