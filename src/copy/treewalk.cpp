#include "copy/treewalk.h"

#include <algorithm>
#include <random>

namespace tarnwell {

TreeWalk::TreeWalk(CopyPrimitives& primitives, CopyWorkers& workers, std::vector<FolderId> avoided,
                   bool check, const TargetKeeps& kept, std::size_t listingsAhead)
    : m_primitives(primitives), m_workers(workers), m_listings(primitives, listingsAhead),
      m_avoided(std::move(avoided)), m_check(check), m_kept(kept)
{
    std::random_device entropy;
    m_nextTemp = (std::uint64_t{entropy()} << 32) ^ entropy();
}

void TreeWalk::run(const std::string& source, FolderId sourceId, const std::string& destination,
                   const std::vector<std::string>& only)
{
    // A folder copied onto itself has nothing to gain.
    if (sourceId == m_avoided.front())
        return;
    m_openFolders.push_back(sourceId);
    // The destination is the source folder's own copy: it gets its flags as well.
    try {
        const MadeFolder made = m_primitives.makeFolder(destination);
        if (((made.flags ^ sourceId.flags) & m_kept.flags) != 0)
            m_folderFlags.push_back({destination, {}, sourceId.flags});
    } catch (const RuntimeError&) {
        // It was there a moment ago; what is wrong shows when its files are written.
    }
    if (only.empty())
        copyContents(source, destination, {}, true);
    for (const std::string& relative : only)
        copyAgain(source, destination, relative);
}

void TreeWalk::copyAgain(const std::string& source, const std::string& destination,
                         const std::string& relative)
{
    if (relative.empty()) {
        copyContents(source, destination, {}, true);
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
        enqueue(from, to, to.substr(0, to.find_last_of(windows ? "\\/" : "/")), relative, true);
    }
}

void TreeWalk::copyContents(const std::string& source, const std::string& destination,
                            const std::string& relative, bool destinationExisted)
{
    FolderCopies copies(m_primitives.pathStyle(), m_kept);
    // Whether the destination's entries are known; if not, any file may be in the way.
    const bool known = !destinationExisted || scanDestination(destination, copies);
    std::vector<std::string> subfolders;
    {
        // Only this folder's listing is held; files go to the workers as they come.
        std::vector<FolderEntry> entries;
        try {
            entries = m_listings.take(source, copies.comparable());
        } catch (RuntimeError& error) {
            m_workers.fail(relative, error.concerning(source));
            return;
        }
        listSubfoldersAhead(entries, source, destination, known ? &copies : nullptr);
        for (FolderEntry& entry : entries) {
            if (m_workers.stopped())
                return;
            const std::string path = join(source, entry.name);
            switch (entryRole(entry)) {
            case EntryRole::Enter:
                subfolders.push_back(std::move(entry.name));
                break;
            case EntryRole::Fail:
                m_workers.fail(below(relative, entry.name), entryFailure(entry).concerning(path));
                break;
            case EntryRole::LeaveOut:
                // An online-only file's copy, if the destination has one, stays as it is.
                m_workers.note(leftOutNote(entry, path));
                break;
            case EntryRole::Skip:
                break;
            case EntryRole::Copy:
                if (copies.upToDate(entry))
                    m_workers.upToDate();
                else
                    enqueue(path, join(destination, entry.name), destination,
                            below(relative, entry.name), !known || copies.holds(entry.name));
                break;
            }
            m_workers.reportIfDue();
        }
    }
    for (const std::string& name : subfolders) {
        if (m_workers.stopped())
            return;
        enterFolder(join(source, name), join(destination, name), below(relative, name));
    }
}

void TreeWalk::listSubfoldersAhead(const std::vector<FolderEntry>& entries,
                                   const std::string& source, const std::string& destination,
                                   const FolderCopies* copies)
{
    // Asked for before the files go to the workers, which may keep the walk waiting. The
    // folder entered first goes last, on top of what is listed ahead. What a link leads to may
    // be a folder that is not entered (one higher up, the destination): it is listed when
    // entered.
    for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry) {
        if (entry->type != FolderEntry::Type::Folder || entry->link)
            continue;
        const bool there = copies && copies->holdsFolder(entry->name);
        m_listings.prefetch(join(source, entry->name), m_check && there);
        if (there)
            m_listings.prefetch(join(destination, entry->name), m_check);
    }
}

void TreeWalk::enterFolder(const std::string& source, const std::string& destination,
                           const std::string& relative)
{
    if (!makeFolderCopy(source, destination, relative)) {
        m_listings.forget(source);
        m_listings.forget(destination);
    }
}

bool TreeWalk::makeFolderCopy(const std::string& source, const std::string& destination,
                              const std::string& relative)
{
    FolderId id;
    try {
        id = m_primitives.folderId(source);
    } catch (RuntimeError& error) {
        m_workers.fail(relative, error.concerning(source));
        return false;
    }
    // A destination inside the source would copy the copy; a link back to a folder on the
    // current path would never end.
    if (std::find(m_avoided.begin(), m_avoided.end(), id) != m_avoided.end())
        return false;
    if (std::find(m_openFolders.begin(), m_openFolders.end(), id) != m_openFolders.end()) {
        m_workers.note({CopyNote::Kind::LinkLoop, source, {}});
        return false;
    }
    MadeFolder made;
    try {
        made = m_primitives.makeFolder(destination);
    } catch (RuntimeError& error) {
        m_workers.fail(relative, error.concerning(destination));
        return false;
    }
    // Given once the folder's content is in place, so that a read-only folder can be filled.
    if (((made.flags ^ id.flags) & m_kept.flags) != 0)
        m_folderFlags.push_back({destination, relative, id.flags});
    m_openFolders.push_back(id);
    copyContents(source, destination, relative, !made.created);
    m_openFolders.pop_back();
    return true;
}

void TreeWalk::giveFolderFlags()
{
    // The deepest first: a folder's own flags may keep its owner out of it.
    for (auto folder = m_folderFlags.rbegin(); folder != m_folderFlags.rend(); ++folder) {
        try {
            m_primitives.setFolderFlags(folder->path, folder->flags);
        } catch (RuntimeError& error) {
            m_workers.fail(folder->relative, error.concerning(folder->path));
        }
    }
    m_folderFlags.clear();
}

void TreeWalk::takeFolderFlagsOf(TreeWalk& earlier)
{
    m_folderFlags.insert(m_folderFlags.begin(), earlier.m_folderFlags.begin(),
                         earlier.m_folderFlags.end());
    earlier.m_folderFlags.clear();
}

bool TreeWalk::scanDestination(const std::string& folder, FolderCopies& copies)
{
    // A folder that cannot be listed here shows its trouble when its files are written.
    std::vector<FolderEntry> entries;
    try {
        entries = m_listings.take(folder, m_check);
    } catch (const RuntimeError&) {
        return false;
    }
    for (const FolderEntry& entry : entries) {
        if (entry.type == FolderEntry::Type::Folder || !isCopyTempName(entry.name))
            continue;
        try {
            m_primitives.removeStaleTemp(join(folder, entry.name));
        } catch (const RuntimeError&) {
        }
    }
    copies.assign(entries, m_check);
    return true;
}

void TreeWalk::enqueue(const std::string& source, const std::string& destination,
                       const std::string& folder, const std::string& relative, bool replacing)
{
    m_workers.add(FileJob{source, join(folder, copyTempName(m_nextTemp++)), destination, folder,
                          relative, replacing});
}

std::string TreeWalk::join(const std::string& folder, const std::string& name) const
{
    return joinPath(m_primitives.pathStyle(), folder, name);
}

std::string TreeWalk::below(const std::string& relative, const std::string& name) const
{
    return relative.empty() ? name : join(relative, name);
}

} // namespace tarnwell
