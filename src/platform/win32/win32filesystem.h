#pragma once

#include "platform/filesystem.h"
#include "platform/win32/win32copy.h"

#include <string>
#include <vector>

namespace tarnwell::win32 {

// The file system through the wide Win32 calls, with long paths throughout. A listing is read
// whole when it starts, so no search handle stays open between calls and no folder is kept in
// use.
class Win32FileSystem : public FileSystem
{
public:
    PathStyle pathStyle() const override { return PathStyle::Windows; }
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
    void writeFileAtomically(const std::string& path, const std::string& content) override;
    // LockFileEx on the file's first byte.
    std::unique_ptr<FileLock> tryLockFile(const std::string& path) override;

private:
    Win32CopyPrimitives m_copyPrimitives;
    std::string probeRoot(const std::string& path);
    std::string probeName(const std::string& path);
    std::string startListing(const std::string& pattern, int mask);

    std::vector<std::string> m_listing;
    std::size_t m_position = 0;
};

} // namespace tarnwell::win32
