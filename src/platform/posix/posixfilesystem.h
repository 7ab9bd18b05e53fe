#pragma once

#include "platform/filesystem.h"
#include "platform/posix/posixcopy.h"

#include <string>
#include <vector>

namespace tarnwell::posix {

// The file system of a POSIX system: one root "/", no drive letters. Read-only means no write
// permission for the owner, a name beginning with "." is hidden, and there are no system or
// archive flags.
class PosixFileSystem : public FileSystem
{
public:
    PathStyle pathStyle() const override { return PathStyle::Posix; }
    // A listing is read whole when it starts, so no folder stays open between calls.
    std::string probe(const std::string& path, int mask) override;
    std::string next() override;
    int attributes(const std::string& path) override;
    void setAttributes(const std::string& path, int attributes) override;
    void makeDirectory(const std::string& path) override;
    CopyPrimitives& copyPrimitives() override { return m_copyPrimitives; }
    std::string readFile(const std::string& path) override;
    FileRange readFileRange(const std::string& path, std::uint64_t offset, std::size_t length,
                            std::uint64_t maxSize) override;
    std::unique_ptr<FileReader> openForReading(const std::string& path) override;
    std::string currentDirectory() override;
    // The new content goes to an owner-only temporary file beside the old one, locked while it
    // is written; the stale ones of earlier saves that were killed are removed first.
    void writeFileAtomically(const std::string& path, const std::string& content) override;
    std::unique_ptr<FileLock> tryLockFile(const std::string& path) override;

private:
    PosixCopyPrimitives m_copyPrimitives;
    std::vector<std::string> m_listing; // the names still to come, last first
};

} // namespace tarnwell::posix
