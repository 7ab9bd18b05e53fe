#pragma once

#include "platform/filesystem.h"

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
    void copyFolder(const std::string& source, const std::string& destination,
                    const CopyProgressCallback& progress) override;
    void copyFolderAgain(const std::string& source, const std::string& destination,
                         const std::vector<std::string>& failedEntries,
                         const CopyProgressCallback& progress) override;
    std::string readFile(const std::string& path) override;
    void writeFileAtomically(const std::string& path, const std::string& content) override;

private:
    std::vector<std::string> m_listing; // the names still to come, last first
};

} // namespace tarnwell::posix
