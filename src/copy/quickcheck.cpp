#include "copy/quickcheck.h"

#include <algorithm>
#include <cstdlib>

namespace tarnwell {

namespace {

constexpr std::int64_t kSecond = 1'000'000'000;
constexpr std::int64_t kHour = 3600 * kSecond;

} // namespace

bool isUpToDate(const FileStamp& source, const FileStamp& copy, const TargetKeeps& kept)
{
    if (source.size != copy.size || ((source.flags ^ copy.flags) & kept.flags) != 0)
        return false;
    const std::int64_t seconds = source.seconds - copy.seconds;
    // Far beyond any resolution and shift; also keeps the sum below from overflowing.
    if (seconds > 4000 || seconds < -4000)
        return false;
    const std::int64_t apart = std::llabs(seconds * kSecond + std::int64_t{source.nanoseconds} -
                                          std::int64_t{copy.nanoseconds});
    const std::int64_t resolution = std::max<std::int64_t>(1, kept.resolution.count());
    if (apart < resolution)
        return true;
    const bool localTime = kept.resolution >= kFatResolution;
    return localTime && std::llabs(apart - kHour) < resolution;
}

FolderCopies::FolderCopies(PathStyle style, const TargetKeeps& kept) : m_style(style), m_kept(kept)
{
}

void FolderCopies::assign(const std::vector<FolderEntry>& destinationEntries, bool withStamps)
{
    m_entries.clear();
    m_comparable = false;
    for (const FolderEntry& entry : destinationEntries) {
        const bool copy = withStamps && entry.type == FolderEntry::Type::File && !entry.link;
        m_entries.push_back(
            {key(entry.name), copy, entry.type == FolderEntry::Type::Folder, entry.stamp});
        m_comparable = m_comparable || copy;
    }
    std::sort(m_entries.begin(), m_entries.end(),
              [](const Entry& a, const Entry& b) { return a.key < b.key; });
}

const FolderCopies::Entry* FolderCopies::find(const std::string& name) const
{
    const std::string wanted = key(name);
    const auto found = std::lower_bound(
        m_entries.begin(), m_entries.end(), wanted,
        [](const Entry& entry, const std::string& name) { return entry.key < name; });
    return found != m_entries.end() && found->key == wanted ? &*found : nullptr;
}

bool FolderCopies::upToDate(const FolderEntry& source) const
{
    const Entry* copy = find(source.name);
    return copy && copy->copy && isUpToDate(source.stamp, copy->stamp, m_kept);
}

std::string FolderCopies::key(std::string_view name) const
{
    std::string folded(name);
    // Windows names differ in letter case only as the same file; folding ASCII alone may miss
    // a copy, which is then copied again, but never takes another file for it.
    if (m_style == PathStyle::Windows) {
        for (char& c : folded) {
            if (c >= 'a' && c <= 'z')
                c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return folded;
}

} // namespace tarnwell
