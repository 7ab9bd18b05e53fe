#pragma once

#include "platform/foldercopy.h"

namespace tarnwell::win32 {

// The folder copy's file operations through the wide Win32 calls, with long paths. Stateless,
// so the copy's workers may call it at once.
class Win32CopyPrimitives : public CopyPrimitives
{
public:
    PathStyle pathStyle() const override { return PathStyle::Windows; }
    std::vector<FolderEntry> listFolder(const std::string& folder) override;
    FolderId folderId(const std::string& folder) override;
    bool makeFolder(const std::string& path) override;
    void removeFile(const std::string& path) override;
    bool isReadOnlyFile(const std::string& path) override;
    std::uint64_t copyFile(const std::string& source, const std::string& temp,
                           const std::string& destination) override;
};

} // namespace tarnwell::win32
