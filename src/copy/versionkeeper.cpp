#include "copy/versionkeeper.h"

namespace tarnwell {

VersionKeeper::VersionKeeper(CopyPrimitives& primitives, std::string base, std::string datedFolder)
    : m_primitives(primitives), m_style(primitives.pathStyle()), m_base(std::move(base)),
      m_datedFolder(std::move(datedFolder))
{
}

bool VersionKeeper::keep(const std::string& destination, const std::string& relative)
{
    const std::string version = joinPath(m_style, m_datedFolder, relative);
    const std::string folder = parentOf(version);
    makeFolders(folder);
    try {
        if (m_primitives.keepVersion(destination, version) == CopyPrimitives::Kept::Nothing)
            return false;
    } catch (RuntimeError& error) {
        // An earlier round of this run kept it: that version holds the content from before.
        if (error.number() == ErrorNumber::FileAlreadyExists)
            return false;
        throw error.concerning(version);
    }
    m_toFlush.insert(folder);
    return true;
}

std::vector<std::string> VersionKeeper::takeFoldersToFlush()
{
    std::vector<std::string> folders(m_toFlush.begin(), m_toFlush.end());
    m_toFlush.clear();
    return folders;
}

void VersionKeeper::makeFolders(const std::string& folder)
{
    // Every folder here was built by adding names to the base, which is there.
    if (folder.size() <= m_base.size() || m_present.count(folder))
        return;
    const std::string parent = parentOf(folder);
    makeFolders(parent);
    try {
        m_primitives.makeFolder(folder);
    } catch (RuntimeError& error) {
        throw error.concerning(folder);
    }
    // Its name in its parent is flushed once, also when it was made before this copy (the
    // versions folder is made at the start of a run): every folder on the way must survive a
    // power cut for a version to.
    m_toFlush.insert(parent);
    m_present.insert(folder);
}

std::string VersionKeeper::parentOf(const std::string& path) const
{
    const auto last = path.find_last_of(m_style == PathStyle::Windows ? "\\/" : "/");
    if (last == std::string::npos)
        return {};
    // A folder just below the base has the base as its parent, also where the base is a root
    // that ends in its separator (D:\).
    const std::string parent = path.substr(0, last);
    return parent.size() < m_base.size() ? m_base : parent;
}

} // namespace tarnwell
