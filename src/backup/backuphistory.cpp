#include "backup/backuphistory.h"

#include "copy/foldercopy.h"
#include "copy/versionlayout.h"
#include "platform/error.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <map>
#include <tuple>

namespace tarnwell {

namespace {

std::optional<FolderEntry> lookUp(CopyPrimitives& primitives, const std::string& folder,
                                  const std::string& name)
{
    const PathStyle style = primitives.pathStyle();
    std::vector<FolderEntry> entries;
    try {
        entries = primitives.listFolder(folder, true);
    } catch (const RuntimeError& error) {
        if (error.number() == ErrorNumber::PathNotFound)
            return std::nullopt;
        throw;
    }
    for (FolderEntry& entry : entries) {
        if (nameKey(style, entry.name) == nameKey(style, name))
            return std::move(entry);
    }
    return std::nullopt;
}

// Gathers the histories of every file below one copy or dated folder.
class HistoryReader
{
public:
    explicit HistoryReader(CopyPrimitives& primitives)
        : m_primitives(primitives), m_style(primitives.pathStyle())
    {
    }

    // What base (the copy, or a dated folder standing for it) holds at relative. The results
    // start with the name of what relative names, as the backup spells it, or with copyName
    // for the whole copy.
    void read(const std::optional<LocalDateTime>& replacedAt, const std::string& base,
              const std::string& relative, const std::string& copyName)
    {
        if (relative.empty()) {
            readFolder(replacedAt, base, copyName);
            return;
        }
        const std::string named = joinPath(m_style, base, relative);
        const std::string parent = parentOf(named);
        const auto entry = lookUp(m_primitives, parent, lastComponent(m_style, named));
        if (!entry || entry->link)
            return;
        const std::string path = joinPath(m_style, parent, entry->name);
        if (entry->type == FolderEntry::Type::File)
            add(entry->name, {replacedAt, path, entry->stamp});
        else if (entry->type == FolderEntry::Type::Folder)
            readFolder(replacedAt, path, entry->name);
    }

    std::vector<FileHistory> take()
    {
        std::vector<FileHistory> histories;
        histories.reserve(m_files.size());
        for (auto& [key, history] : m_files)
            histories.push_back(std::move(history));
        return histories;
    }

private:
    void readFolder(const std::optional<LocalDateTime>& replacedAt, const std::string& folder,
                    const std::string& relative)
    {
        std::vector<FolderEntry> entries;
        try {
            entries = m_primitives.listFolder(folder, true);
        } catch (const RuntimeError& error) {
            // A dated folder holds only what its run replaced.
            if (error.number() == ErrorNumber::PathNotFound)
                return;
            throw RuntimeError(error).concerning(folder);
        }
        for (const FolderEntry& entry : entries) {
            if (entry.link)
                continue;
            const std::string below = joinPath(m_style, relative, entry.name);
            if (entry.type == FolderEntry::Type::Folder)
                readFolder(replacedAt, joinPath(m_style, folder, entry.name), below);
            else if (entry.type == FolderEntry::Type::File && !isCopyTempName(entry.name))
                add(below, {replacedAt, joinPath(m_style, folder, entry.name), entry.stamp});
        }
    }

    void add(const std::string& relative, KeptFile kept)
    {
        FileHistory& history = m_files[nameKey(m_style, relative)];
        if (history.relative.empty())
            history.relative = relative;
        history.kept.push_back(std::move(kept));
    }

    std::string parentOf(const std::string& path) const
    {
        const SplitPath split = splitPath(m_style, path);
        std::string parent = split.root;
        for (std::size_t i = 0; i + 1 < split.components.size(); ++i)
            parent = joinPath(m_style, parent, split.components[i]);
        return parent;
    }

    CopyPrimitives& m_primitives;
    PathStyle m_style;
    std::map<std::string, FileHistory> m_files;
};

// The dated folders of a pair's versions, newest first.
std::vector<std::pair<LocalDateTime, std::string>> datedFolders(CopyPrimitives& primitives,
                                                                const std::string& versions)
{
    std::vector<std::pair<LocalDateTime, std::string>> folders;
    std::vector<FolderEntry> entries;
    try {
        entries = primitives.listFolder(versions, false);
    } catch (const RuntimeError& error) {
        if (error.number() == ErrorNumber::PathNotFound)
            return folders; // nothing was ever replaced
        throw RuntimeError(error).concerning(versions);
    }
    for (const FolderEntry& entry : entries) {
        const auto when = parseRunStampName(entry.name);
        if (when && entry.type == FolderEntry::Type::Folder && !entry.link)
            folders.emplace_back(*when, joinPath(primitives.pathStyle(), versions, entry.name));
    }
    std::sort(folders.begin(), folders.end(),
              [](const auto& a, const auto& b) { return isLater(a.first, b.first); });
    return folders;
}

bool readNumber(std::string_view text, std::size_t at, std::size_t width, int& value)
{
    const char* first = text.data() + at;
    const auto [end, error] = std::from_chars(first, first + width, value);
    return error == std::errc{} && end == first + width;
}

} // namespace

bool isLater(const LocalDateTime& a, const LocalDateTime& b)
{
    return std::tie(a.year, a.month, a.day, a.hour, a.minute, a.second) >
           std::tie(b.year, b.month, b.day, b.hour, b.minute, b.second);
}

std::vector<FileHistory> readHistory(CopyPrimitives& primitives, const BackupPath& where)
{
    HistoryReader reader(primitives);
    const std::string name = lastComponent(primitives.pathStyle(), where.pair.copy);
    reader.read(std::nullopt, where.pair.copy, where.relative, name);
    for (const auto& [when, folder] : datedFolders(primitives, where.pair.versions))
        reader.read(when, folder, where.relative, name);
    return reader.take();
}

const KeptFile* contentAsOf(const FileHistory& history, const std::optional<LocalDateTime>& asOf,
                            const Clock& clock)
{
    const std::vector<KeptFile>& kept = history.kept;
    const bool hasCopy = !kept.empty() && !kept.front().replacedAt;
    if (!asOf)
        return hasCopy ? &kept.front() : nullptr;
    // Newest first: the earliest later than asOf is the last one that is.
    std::size_t chosen = kept.size();
    for (std::size_t i = kept.size(); i-- > 0;) {
        if (kept[i].replacedAt && isLater(*kept[i].replacedAt, *asOf)) {
            chosen = i;
            break;
        }
    }
    if (chosen == kept.size()) {
        if (!hasCopy)
            return nullptr; // replaced before asOf by content the backup no longer holds
        chosen = 0;
    }
    const KeptFile& content = kept[chosen];
    const bool oldest = chosen + 1 == kept.size();
    if (oldest && isLater(clock.localTimeOf(content.stamp.seconds), *asOf))
        return nullptr;
    return &content;
}

std::optional<LocalDateTime> parseAsOfTime(std::string_view text)
{
    LocalDateTime when;
    if ((text.size() != 16 && text.size() != 19) || text[4] != '-' || text[7] != '-' ||
        text[10] != ' ' || text[13] != ':' || !readNumber(text, 0, 4, when.year) ||
        !readNumber(text, 5, 2, when.month) || !readNumber(text, 8, 2, when.day) ||
        !readNumber(text, 11, 2, when.hour) || !readNumber(text, 14, 2, when.minute))
        return std::nullopt;
    if (text.size() == 19 && (text[16] != ':' || !readNumber(text, 17, 2, when.second)))
        return std::nullopt;
    if (when.month < 1 || when.month > 12 || when.day < 1 || when.day > 31 || when.hour > 23 ||
        when.minute > 59 || when.second > 59)
        return std::nullopt;
    return when;
}

std::string dateTimeText(const LocalDateTime& when)
{
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", when.year, when.month,
                  when.day, when.hour, when.minute, when.second);
    return text;
}

} // namespace tarnwell
