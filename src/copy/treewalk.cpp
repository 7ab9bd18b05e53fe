#include "copy/treewalk.h"

#include <algorithm>
#include <random>

namespace tarnwell {

TreeWalk::TreeWalk(CopyPrimitives& primitives, CopyWorkers& workers, FolderId destinationId)
    : m_primitives(primitives), m_workers(workers), m_destinationId(destinationId)
{
    std::random_device entropy;
    m_nextTemp = (std::uint64_t{entropy()} << 32) ^ entropy();
}

void TreeWalk::run(const std::string& source, FolderId sourceId, const std::string& destination,
                   const std::vector<std::string>& only)
{
    // A folder copied onto itself has nothing to gain.
    if (sourceId == m_destinationId)
        return;
    m_openFolders.push_back(sourceId);
    if (only.empty()) {
        removeStaleTemps(destination);
        copyContents(source, destination, {});
    }
    for (const std::string& relative : only)
        copyAgain(source, destination, relative);
}

void TreeWalk::copyAgain(const std::string& source, const std::string& destination,
                         const std::string& relative)
{
    if (relative.empty()) {
        removeStaleTemps(destination);
        copyContents(source, destination, {});
        return;
    }
    const std::string from = join(source, relative);
    const std::string to = join(destination, relative);
    bool isFolder = true;
    try {
        m_primitives.folderId(from);
    } catch (const RuntimeError&) {
        isFolder = false; // a file, or gone: copying it says which
    }
    if (isFolder) {
        enterFolder(from, to, relative);
    } else {
        const bool windows = m_primitives.pathStyle() == PathStyle::Windows;
        enqueue(from, to, to.substr(0, to.find_last_of(windows ? "\\/" : "/")), relative);
    }
}

void TreeWalk::copyContents(const std::string& source, const std::string& destination,
                            const std::string& relative)
{
    std::vector<std::string> subfolders;
    {
        // Only this folder's listing is held; files go to the workers as they come.
        std::vector<FolderEntry> entries;
        try {
            entries = m_primitives.listFolder(source);
        } catch (RuntimeError& error) {
            m_workers.fail(relative, error.concerning(source));
            return;
        }
        for (FolderEntry& entry : entries) {
            if (m_workers.stopped())
                return;
            if (entry.type == FolderEntry::Type::Folder) {
                subfolders.push_back(std::move(entry.name));
            } else if (entry.type == FolderEntry::Type::File && !isCopyTempName(entry.name)) {
                enqueue(join(source, entry.name), join(destination, entry.name), destination,
                        relative.empty() ? entry.name : join(relative, entry.name));
            }
            m_workers.reportIfDue();
        }
    }
    for (const std::string& name : subfolders) {
        if (m_workers.stopped())
            return;
        enterFolder(join(source, name), join(destination, name),
                    relative.empty() ? name : join(relative, name));
    }
}

void TreeWalk::enterFolder(const std::string& source, const std::string& destination,
                           const std::string& relative)
{
    FolderId id;
    try {
        id = m_primitives.folderId(source);
    } catch (RuntimeError& error) {
        m_workers.fail(relative, error.concerning(source));
        return;
    }
    // A link back to a folder on the current path would never end; the destination inside
    // the source would copy the copy.
    if (id == m_destinationId ||
        std::find(m_openFolders.begin(), m_openFolders.end(), id) != m_openFolders.end())
        return;
    try {
        if (!m_primitives.makeFolder(destination))
            removeStaleTemps(destination);
    } catch (RuntimeError& error) {
        m_workers.fail(relative, error.concerning(destination));
        return;
    }
    m_openFolders.push_back(id);
    copyContents(source, destination, relative);
    m_openFolders.pop_back();
}

void TreeWalk::removeStaleTemps(const std::string& folder)
{
    // Housekeeping only: a folder that cannot be listed here shows its trouble when its files
    // are written.
    try {
        for (const FolderEntry& entry : m_primitives.listFolder(folder)) {
            if (entry.type != FolderEntry::Type::Folder && isCopyTempName(entry.name))
                m_primitives.removeStaleTemp(join(folder, entry.name));
        }
    } catch (const RuntimeError&) {
    }
}

void TreeWalk::enqueue(const std::string& source, const std::string& destination,
                       const std::string& folder, const std::string& relative)
{
    m_workers.add(
        FileJob{source, join(folder, copyTempName(m_nextTemp++)), destination, folder, relative});
}

std::string TreeWalk::join(const std::string& folder, const std::string& name) const
{
    return joinPath(m_primitives.pathStyle(), folder, name);
}

} // namespace tarnwell
