#pragma once

#include "platform/copyprimitives.h"
#include "platform/pathrules.h"

#include <string>
#include <string_view>
#include <vector>

namespace tarnwell {

// True when copy, the stamp of a file's copy, shows it up to date with source, as far as the
// copy's file system keeps what it was given (kept): the same flags where it keeps them, the
// same size, and the same modification time to its resolution. At FAT's resolution, which
// keeps local time, a time exactly an hour off (to the resolution) is the same time after a
// change of daylight-saving time. The copy gives each file its source's time, so a file that
// changed since has another size or time, unless its time was set back by hand.
bool isUpToDate(const FileStamp& source, const FileStamp& copy, const TargetKeeps& kept);

// What one destination folder holds, from its listing: which names are taken, and, from a
// listing with stamps, which files of the source folder need no copy. Links and what is not a
// file are never taken for a copy.
class FolderCopies
{
public:
    FolderCopies(PathStyle style, const TargetKeeps& kept);

    void assign(const std::vector<FolderEntry>& destinationEntries, bool withStamps);
    // True when some file here can be compared with its source.
    bool comparable() const { return m_comparable; }
    // True when something is here under name.
    bool holds(const std::string& name) const { return find(name) != nullptr; }
    // True when a folder (or a link to one) is here under name.
    bool holdsFolder(const std::string& name) const
    {
        const Entry* found = find(name);
        return found && found->folder;
    }
    // True when the file source, listed with its stamp, has an up-to-date copy here.
    bool upToDate(const FolderEntry& source) const;

private:
    struct Entry
    {
        std::string key;
        bool copy = false; // a file that can be compared
        bool folder = false;
        FileStamp stamp;
    };
    std::string key(std::string_view name) const;
    const Entry* find(const std::string& name) const;

    PathStyle m_style;
    TargetKeeps m_kept;
    bool m_comparable = false;
    std::vector<Entry> m_entries; // sorted by key
};

} // namespace tarnwell
