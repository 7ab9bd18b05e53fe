#pragma once

#include "platform/copyprimitives.h"
#include "platform/opentemps.h"
#include "platform/posix/unixfile.h"

#include <cstdint>
#include <functional>
#include <mutex>
#include <sys/types.h>
#include <utility>
#include <vector>

namespace tarnwell::posix {

// Gives a file a second name as link(2) does: 0, or the errno of the failure.
using LinkCall = std::function<int(const char* existing, const char* name)>;
int linkCall(const char* existing, const char* name);

// Takes or tests a lock as flock(2) does: 0, or the errno of the failure.
using LockCall = std::function<int(int descriptor, int operation)>;
int flockCall(int descriptor, int operation);

// The calls that put what was written on the disk, and the one that tells which file system
// holds a file, as the copy makes them; tests put recorders in their place.
struct FlushCalls
{
    enum Call
    {
        FileSystem, // syncfs(2): everything written to the file system
        Data,       // fdatasync(2): a file's data and what is needed to read it back
        Everything, // fsync(2): a file or folder with all its metadata
        OwnErrors,  // sync_file_range(2), writing and waiting: a file's own write-back errors
    };
    // 0, or the errno of the failure.
    static int perform(Call call, int descriptor);
    // The statfs(2) type of the file system that holds descriptor; 0 when it cannot be asked.
    static std::int64_t typeOf(int descriptor);

    std::function<int(Call call, int descriptor)> sync = perform;
    std::function<std::int64_t(int descriptor)> fileSystemType = typeOf;
};

// A temporary file being written, and the file system it is on.
struct OpenTemp
{
    struct Raw
    {
        int descriptor = -1;
        dev_t device = 0;
        bool named = true;
    };
    FileHandle file;
    dev_t device = 0;
    bool named = true; // false: made without a name (O_TMPFILE), given one when it is put in place

    Raw get() const { return Raw{file.get(), device, named}; }
    explicit operator bool() const { return static_cast<bool>(file); }
};

// The folder copy's file operations on a POSIX system. Where the file system allows it, a file
// is written without a name and linked in under its own name once it is on the disk; an old
// copy in the way makes it take a temporary name first, to replace the old copy in one rename.
// Elsewhere it is written under a temporary name. Written files are flushed with one call for
// their whole file system where that call is known to reach the disk (ext4, XFS, btrfs), and
// one by one elsewhere (FUSE, network file systems, any other type). A temporary name stays
// open, with an exclusive lock on it, until it is renamed or removed: a lock that can be taken
// marks a leftover of a run that has ended, one that cannot a file another run is still
// writing. Where the target cannot lock at all, temporary files go without the lock. The
// copy's threads may call it at once.
class PosixCopyPrimitives : public CopyPrimitives
{
public:
    // lock takes the place of flock, flushCalls that of the real flushes (for tests).
    explicit PosixCopyPrimitives(LockCall lock = flockCall, FlushCalls flushCalls = {});

    PathStyle pathStyle() const override { return PathStyle::Posix; }
    std::vector<FolderEntry> listFolder(const std::string& folder, bool withStamps) override;
    FolderId folderId(const std::string& folder) override;
    TargetKeeps targetKeeps(const std::string& folder, const std::string& probe) override;
    MadeFolder makeFolder(const std::string& path) override;
    void setFolderFlags(const std::string& path, std::uint32_t flags) override;
    void removeStaleTemp(const std::string& path) override;
    std::size_t openTempLimit() override;
    bool isReadOnlyFile(const std::string& path) override;
    std::uint64_t copyToTemp(const std::string& source, const std::string& temp,
                             const std::string& destination, bool replacing) override;
    FlushFailures flush(const std::vector<std::string>& temps,
                        const std::vector<std::string>& folders) override;
    void replace(const std::string& temp, const std::string& destination) override;
    void discard(const std::string& temp) override;
    // In posixversions.cpp.
    Kept keepVersion(const std::string& copy, const std::string& version) override;
    void removeTree(const std::string& folder) override;
    // Old copies get their second name through call (a refusal, in tests).
    void setLinkCall(LinkCall call) { m_linkCall = std::move(call); }

private:
    void close(const std::string& temp);
    // True when one syncfs puts everything written to the file system of device, which holds
    // descriptor, on the disk.
    bool syncfsReaches(dev_t device, int descriptor);
    void flushEntries(const std::vector<OpenTemp::Raw>& files,
                      const std::vector<FileHandle>& folders,
                      const std::vector<std::string>& folderPaths, FlushFailures& failures);

    LockCall m_lock;
    LinkCall m_linkCall = linkCall;
    FlushCalls m_flushCalls;
    std::mutex m_typesMutex;
    std::vector<std::pair<dev_t, bool>> m_syncfsReaches; // per device, once asked
    mode_t m_umask;
    OpenTemps<OpenTemp> m_openTemps;
};

// Creates path as a new file for writing with mode (less the umask) and locks it; the lock is
// what tells a live temporary file from a leftover. A file whose lock fails is removed at
// once, unless the file system cannot lock at all: then it is returned without the lock.
// Throws the run-time error of the failure.
OpenTemp createLockedTemp(const std::string& path, mode_t mode = 0600,
                          const LockCall& lock = flockCall);

} // namespace tarnwell::posix
