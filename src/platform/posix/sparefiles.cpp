#include "platform/posix/sparefiles.h"

#include <fcntl.h>
#include <unistd.h>

namespace tarnwell::posix {

namespace {

std::string folderOf(const std::string& path)
{
    return path.substr(0, path.find_last_of('/') + 1);
}

} // namespace

SpareFiles::~SpareFiles()
{
    for (const std::string& path : m_paths)
        ::unlink(path.c_str());
}

SpareFiles::Spare SpareFiles::take(const std::string& temp)
{
    std::string path;
    {
        std::lock_guard lock(m_mutex);
        if (m_paths.empty())
            return {};
        auto it = m_paths.end();
        while (it != m_paths.begin() && folderOf(*(it - 1)) != folderOf(temp))
            --it;
        it = it == m_paths.begin() ? m_paths.end() - 1 : it - 1;
        path = std::move(*it);
        m_paths.erase(it);
    }
    if (folderOf(path) != folderOf(temp)) {
        if (::rename(path.c_str(), temp.c_str()) != 0) {
            ::unlink(path.c_str());
            return {};
        }
        path = temp;
    }
    FileHandle file(::open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC));
    FileStatus info{};
    // Only a plain file with no other name may be emptied: a second link is someone's data.
    if (file && ::fstat(file.get(), &info) == 0 && S_ISREG(info.st_mode) && info.st_nlink == 1 &&
        ::ftruncate(file.get(), 0) == 0)
        return {std::move(file), path};
    ::unlink(path.c_str());
    return {};
}

void SpareFiles::add(std::string path)
{
    std::lock_guard lock(m_mutex);
    m_paths.push_back(std::move(path));
}

} // namespace tarnwell::posix
