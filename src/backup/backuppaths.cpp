#include "backup/backuppaths.h"

#include "backup/startbackup.h"
#include "copy/versionlayout.h"

#include <algorithm>
#include <cctype>

namespace tarnwell {

namespace {

bool invalid(const FolderPairs& pairs, int record)
{
    const std::vector<int>& records = pairs.invalidRecords;
    return std::find(records.begin(), records.end(), record) != records.end();
}

// The names of path below folder, or nothing when path is not inside it.
std::optional<std::vector<std::string>> namesBelow(PathStyle style, const std::string& path,
                                                   const std::string& folder)
{
    const SplitPath inner = splitPath(style, path);
    const SplitPath outer = splitPath(style, folder);
    if (nameKey(style, inner.root) != nameKey(style, outer.root) ||
        inner.components.size() < outer.components.size())
        return std::nullopt;
    for (std::size_t i = 0; i < outer.components.size(); ++i) {
        if (nameKey(style, inner.components[i]) != nameKey(style, outer.components[i]))
            return std::nullopt;
    }
    return std::vector<std::string>(inner.components.begin() +
                                        static_cast<std::ptrdiff_t>(outer.components.size()),
                                    inner.components.end());
}

} // namespace

std::string nameKey(PathStyle style, std::string_view name)
{
    std::string key(name);
    if (style == PathStyle::Windows) {
        for (char& c : key)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return key;
}

std::vector<PairCopy> pairCopies(PathStyle style, const FolderPairs& pairs)
{
    std::vector<PairCopy> copies;
    for (int row = 0; row < kRowCount; ++row) {
        const std::string& source = pairs.sources[row];
        const std::string& target = pairs.targets[row];
        const std::string name = backupFolderName(style, source);
        if (source.empty() || target.empty() || name.empty() ||
            invalid(pairs, kFirstSourceRecord + row) || invalid(pairs, kFirstTargetRecord + row))
            continue;
        const std::string targetPath = withDriveRoot(style, target);
        copies.push_back({row + 1, withDriveRoot(style, source), targetPath,
                          joinPath(style, targetPath, name),
                          pairVersionsFolder(style, targetPath, name)});
    }
    return copies;
}

std::optional<BackupPath> findInBackup(PathStyle style, const std::vector<PairCopy>& pairs,
                                       const std::string& path)
{
    for (const PairCopy& pair : pairs) {
        for (const std::string* folder : {&pair.source, &pair.copy}) {
            if (const auto names = namesBelow(style, path, *folder)) {
                std::string relative;
                for (const std::string& name : *names)
                    relative = relative.empty() ? name : joinPath(style, relative, name);
                return BackupPath{pair, relative};
            }
        }
    }
    return std::nullopt;
}

bool isInside(PathStyle style, const std::string& path, const std::string& folder)
{
    return namesBelow(style, path, folder).has_value();
}

bool sameFolder(CopyPrimitives& primitives, const std::string& one, const std::string& other)
{
    try {
        return primitives.folderId(one) == primitives.folderId(other);
    } catch (const RuntimeError&) {
        return false;
    }
}

} // namespace tarnwell
