#pragma once

#include "platform/copyprimitives.h"
#include "platform/opentemps.h"
#include "platform/win32/handles.h"

namespace tarnwell::win32 {

// The folder copy's file operations through the wide Win32 calls, with long paths. A
// temporary file stays open, with a byte-range lock beyond its end, from the moment it is
// written until it is renamed or removed: a leftover whose lock can be taken belongs to a run
// that has ended. The copy's threads may call it at once.
class Win32CopyPrimitives : public CopyPrimitives
{
public:
    PathStyle pathStyle() const override { return PathStyle::Windows; }
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
    // Nothing to do: each rename is written through.
    void flushFolders(const std::vector<std::string>&) override {}

private:
    OpenTemps<FileHandle> m_openTemps;
};

} // namespace tarnwell::win32
