#pragma once

#include "platform/copyprimitives.h"
#include "platform/opentemps.h"
#include "platform/posix/unixfile.h"

namespace tarnwell::posix {

// The folder copy's file operations on a POSIX system. A temporary file stays open, with an
// exclusive lock on it, from its creation until it is renamed or removed: a lock that can be
// taken marks a leftover of a run that has ended, one that cannot a file another run is still
// writing. The copy's threads may call it at once.
class PosixCopyPrimitives : public CopyPrimitives
{
public:
    PathStyle pathStyle() const override { return PathStyle::Posix; }
    std::vector<FolderEntry> listFolder(const std::string& folder) override;
    FolderId folderId(const std::string& folder) override;
    bool makeFolder(const std::string& path) override;
    void removeStaleTemp(const std::string& path) override;
    bool isReadOnlyFile(const std::string& path) override;
    std::uint64_t copyToTemp(const std::string& source, const std::string& temp,
                             const std::string& destination) override;
    void flushFiles(const std::vector<std::string>& temps) override;
    void replace(const std::string& temp, const std::string& destination) override;
    void discard(const std::string& temp) override;
    void flushFolders(const std::vector<std::string>& folders) override;

private:
    void close(const std::string& temp);

    OpenTemps<FileHandle> m_openTemps;
};

// Creates path as a new file for writing and locks it; the lock is what tells a live temporary
// file from a leftover. Throws the run-time error of the failure.
FileHandle createLockedTemp(const std::string& path);

// Copies the rest of the open file from into to: the kernel's copy path where it can, plain
// reads and writes where it cannot. Stops after expectedSize bytes, or at the end of the file
// when expectedSize is 0. Returns the bytes copied; throws on a failure.
std::uint64_t copyFileContent(int from, int to, std::uint64_t expectedSize);

} // namespace tarnwell::posix
