#include "backendtest.h"

#include <algorithm>

namespace tarnwell::test {

std::string BackendTest::at(std::initializer_list<std::string_view> names) const
{
    std::string path = temp.path();
    for (std::string_view name : names)
        path = join(path, name);
    return path;
}

std::string BackendTest::join(const std::string& base, std::string_view name) const
{
    return joinPath(fileSystem.pathStyle(), base, name);
}

void BackendTest::makeFolder(const std::string& path) const
{
    std::filesystem::create_directories(nativePath(path));
}

void BackendTest::makeFile(const std::string& path, const std::string& content) const
{
    std::filesystem::create_directories(nativePath(path).parent_path());
    writeBytes(path, content);
}

void BackendTest::makeHidden(const std::string& path) const
{
    fileSystem.setAttributes(path, Attribute::Hidden);
}

std::vector<std::string> BackendTest::listing(const std::string& folder, int mask) const
{
    std::vector<std::string> names;
    for (std::string name = fileSystem.probe(join(folder, "*.*"), mask); !name.empty();
         name = fileSystem.next()) {
        if (name != "." && name != "..")
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace tarnwell::test
