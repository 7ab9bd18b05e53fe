#pragma once

#include "platform/foldercopy.h"

namespace tarnwell::posix {

// The folder copy's file operations on a POSIX system. Stateless, so the copy's workers may
// call it at once.
class PosixCopyPrimitives : public CopyPrimitives
{
public:
    PathStyle pathStyle() const override { return PathStyle::Posix; }
    std::vector<FolderEntry> listFolder(const std::string& folder) override;
    FolderId folderId(const std::string& folder) override;
    bool makeFolder(const std::string& path) override;
    void removeFile(const std::string& path) override;
    bool isReadOnlyFile(const std::string& path) override;
    std::uint64_t copyFile(const std::string& source, const std::string& temp,
                           const std::string& destination) override;

private:
    // Puts the written temporary file in destination's place in one atomic step.
    void replace(const std::string& written, const std::string& destination);
};

// Copies the rest of the open file from into to: the kernel's copy path where it can, plain
// reads and writes where it cannot. Stops after expectedSize bytes, or at the end of the file
// when expectedSize is 0. Returns the bytes copied; throws on a failure.
std::uint64_t copyFileContent(int from, int to, std::uint64_t expectedSize);

} // namespace tarnwell::posix
