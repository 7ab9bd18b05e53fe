#include "copy/quickcheck.h"

#include <algorithm>
#include <cstdlib>

namespace tarnwell {

bool isUpToDate(const FileStamp& source, const FileStamp& copy, std::chrono::nanoseconds resolution)
{
    if (source.size != copy.size || source.flags != copy.flags)
        return false;
    const std::int64_t seconds = source.seconds - copy.seconds;
    // Far beyond any resolution; also keeps the sum below from overflowing.
    if (seconds > 100 || seconds < -100)
        return false;
    const std::int64_t apart =
        seconds * 1'000'000'000 + std::int64_t{source.nanoseconds} - std::int64_t{copy.nanoseconds};
    return std::llabs(apart) < std::max<std::int64_t>(1, resolution.count());
}

FolderCopies::FolderCopies(PathStyle style, std::chrono::nanoseconds resolution)
    : m_style(style), m_resolution(resolution)
{
}

void FolderCopies::assign(const std::vector<FolderEntry>& destinationEntries)
{
    m_copies.clear();
    for (const FolderEntry& entry : destinationEntries) {
        if (entry.type == FolderEntry::Type::File && !entry.link)
            m_copies.push_back({key(entry.name), entry.stamp});
    }
    std::sort(m_copies.begin(), m_copies.end(),
              [](const Copy& a, const Copy& b) { return a.key < b.key; });
}

bool FolderCopies::upToDate(const FolderEntry& source) const
{
    const std::string wanted = key(source.name);
    const auto found =
        std::lower_bound(m_copies.begin(), m_copies.end(), wanted,
                         [](const Copy& copy, const std::string& name) { return copy.key < name; });
    return found != m_copies.end() && found->key == wanted &&
           isUpToDate(source.stamp, found->stamp, m_resolution);
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
