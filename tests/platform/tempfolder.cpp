#include "tempfolder.h"

#include <algorithm>
#include <chrono>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace tarnwell::test {

namespace fs = std::filesystem;

TempFolder::TempFolder()
{
    std::random_device entropy;
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    m_native = fs::temp_directory_path() /
               ("tarnwell-test-" + std::to_string(stamp) + "-" + std::to_string(entropy()));
    fs::create_directories(m_native);
    m_path = utf8Path(m_native);
}

TempFolder::~TempFolder()
{
    // Read-only entries would stop the removal on some systems.
    std::error_code ignored;
    for (auto it = fs::recursive_directory_iterator(m_native, ignored);
         it != fs::recursive_directory_iterator(); it.increment(ignored)) {
        if (!it->is_symlink(ignored))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    }
    fs::remove_all(m_native, ignored);
}

fs::path nativePath(const std::string& utf8)
{
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string utf8Path(const fs::path& path)
{
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

void writeBytes(const std::string& path, const std::string& content)
{
    std::ofstream out(nativePath(path), std::ios::binary | std::ios::trunc);
    out << content;
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

std::string readBytes(const std::string& path)
{
    std::ifstream in(nativePath(path), std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string describeTree(const std::string& folder)
{
    const fs::path root = nativePath(folder);
    std::vector<std::string> lines;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const std::u8string relative = entry.path().lexically_relative(root).generic_u8string();
        const std::string name(relative.begin(), relative.end());
        if (entry.is_directory())
            lines.push_back(name + "/");
        else
            lines.push_back(name + "=" + readBytes(utf8Path(entry.path())));
    }
    std::sort(lines.begin(), lines.end());
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}

} // namespace tarnwell::test
