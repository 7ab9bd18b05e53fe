#pragma once

#include "platform/copyprimitives.h"
#include "platform/opentemps.h"
#include "platform/win32/handles.h"

#include <functional>
#include <string>

namespace tarnwell::win32 {

// The folder copy's file operations through the wide Win32 calls, with long paths. A
// temporary file stays open, with a byte-range lock beyond its end, from its creation, before
// a byte is written, until it is renamed or removed: a leftover whose lock can be taken
// belongs to a run that has ended. The copy's threads may call it at once.
class Win32CopyPrimitives : public CopyPrimitives
{
public:
    PathStyle pathStyle() const override { return PathStyle::Windows; }
    std::vector<FolderEntry> listFolder(const std::string& folder, bool withStamps) override;
    FolderId folderId(const std::string& folder) override;
    // Every flag a copy carries is kept; the time's resolution is read back from a probe, since
    // a share may keep coarser times than its file system's name says (Samba says "NTFS").
    TargetKeeps targetKeeps(const std::string& folder, const std::string& probe) override;
    MadeFolder makeFolder(const std::string& path) override;
    void setFolderFlags(const std::string& path, std::uint32_t flags) override;
    void removeStaleTemp(const std::string& path) override;
    // Handles cost Windows little; this keeps a batch to what one flush can take in good time.
    std::size_t openTempLimit() override { return 8192; }
    bool isReadOnlyFile(const std::string& path) override;
    std::uint64_t copyToTemp(const std::string& source, const std::string& temp,
                             const std::string& destination, bool replacing) override;
    FlushFailures flush(const std::vector<std::string>& temps,
                        const std::vector<std::string>& folders) override;
    void replace(const std::string& temp, const std::string& destination) override;
    void discard(const std::string& temp) override;
    // In win32versions.cpp.
    Kept keepVersion(const std::string& copy, const std::string& version) override;
    void removeTree(const std::string& folder) override;
    // Old copies get their second name through call, in place of CreateHardLinkW (a refusal, in
    // tests): ERROR_SUCCESS or the code of the failure.
    using LinkCall = std::function<DWORD(const std::wstring& name, const std::wstring& existing)>;
    void setLinkCall(LinkCall call) { m_linkCall = std::move(call); }

private:
    OpenTemps<FileHandle> m_openTemps;
    LinkCall m_linkCall;
};

} // namespace tarnwell::win32
