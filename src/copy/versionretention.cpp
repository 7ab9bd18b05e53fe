#include "copy/versionretention.h"

#include "copy/versionlayout.h"

#include <algorithm>
#include <cctype>
#include <optional>

namespace tarnwell {

namespace {

struct DatedFolder
{
    std::string name; // the run's time: sorts as the times do
    std::string path;
};

bool sameName(PathStyle style, std::string_view one, std::string_view other)
{
    if (style != PathStyle::Windows)
        return one == other;
    return std::equal(one.begin(), one.end(), other.begin(), other.end(), [](char a, char b) {
        return std::toupper(static_cast<unsigned char>(a)) ==
               std::toupper(static_cast<unsigned char>(b));
    });
}

std::string parentOf(PathStyle style, const std::string& path)
{
    const auto last = path.find_last_of(style == PathStyle::Windows ? "\\/" : "/");
    return last == std::string::npos ? std::string() : path.substr(0, last);
}

// The entries of folder that are folders of their own (no links); empty when it is not there.
std::vector<FolderEntry> realFolders(CopyPrimitives& primitives, const std::string& folder)
{
    std::vector<FolderEntry> entries;
    try {
        entries = primitives.listFolder(folder, false);
    } catch (const RuntimeError& error) {
        if (error.number() == ErrorNumber::PathNotFound)
            return {};
        throw;
    }
    std::erase_if(entries, [](const FolderEntry& entry) {
        return entry.type != FolderEntry::Type::Folder || entry.link;
    });
    return entries;
}

// Whether folder is a folder of its own in its parent's listing, not a link to one.
bool isRealFolder(CopyPrimitives& primitives, const std::string& folder)
{
    const PathStyle style = primitives.pathStyle();
    const std::string name = lastComponent(style, folder);
    for (const FolderEntry& entry : realFolders(primitives, parentOf(style, folder))) {
        if (sameName(style, entry.name, name))
            return true;
    }
    return false;
}

// The dated folders in a pair's versions folder.
std::vector<DatedFolder> datedFolders(CopyPrimitives& primitives, const std::string& pairVersions)
{
    std::vector<DatedFolder> found;
    for (const FolderEntry& entry : realFolders(primitives, pairVersions)) {
        if (parseRunStampName(entry.name))
            found.push_back(
                {entry.name, joinPath(primitives.pathStyle(), pairVersions, entry.name)});
    }
    return found;
}

void remove(CopyPrimitives& primitives, const DatedFolder& folder, VersionRemoval& removal)
{
    try {
        primitives.removeTree(folder.path);
        ++removal.removed;
    } catch (RuntimeError& error) {
        removal.failures.push_back(error.concerning(folder.path));
    }
}

} // namespace

VersionRemoval removeExpiredVersions(CopyPrimitives& primitives, const std::string& pairVersions,
                                     const LocalDateTime& today, int keepDays)
{
    VersionRemoval removal;
    try {
        const PathStyle style = primitives.pathStyle();
        const std::string root = parentOf(style, pairVersions);
        if (!isRealFolder(primitives, root) || !isRealFolder(primitives, pairVersions))
            return removal;
        for (const DatedFolder& folder : datedFolders(primitives, pairVersions)) {
            if (daysBetween(*parseRunStampName(folder.name), today) > keepDays)
                remove(primitives, folder, removal);
        }
    } catch (RuntimeError& error) {
        removal.failures.push_back(error.concerning(pairVersions));
    }
    return removal;
}

VersionRemoval removeOldestVersions(CopyPrimitives& primitives, const std::string& versionsRoot,
                                    const std::string& currentRun)
{
    VersionRemoval removal;
    try {
        if (!isRealFolder(primitives, versionsRoot))
            return removal;
        std::vector<DatedFolder> all;
        for (const FolderEntry& pair : realFolders(primitives, versionsRoot)) {
            const std::string pairVersions =
                joinPath(primitives.pathStyle(), versionsRoot, pair.name);
            for (DatedFolder& folder : datedFolders(primitives, pairVersions)) {
                if (folder.name != currentRun)
                    all.push_back(std::move(folder));
            }
        }
        std::sort(all.begin(), all.end(),
                  [](const DatedFolder& a, const DatedFolder& b) { return a.name < b.name; });
        const std::size_t count = all.empty() ? 0 : std::max<std::size_t>(1, all.size() / 2);
        for (std::size_t i = 0; i < count; ++i)
            remove(primitives, all[i], removal);
    } catch (RuntimeError& error) {
        removal.failures.push_back(error.concerning(versionsRoot));
    }
    return removal;
}

} // namespace tarnwell
