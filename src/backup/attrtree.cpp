#include "backup/attrtree.h"

#include "config/settings.h"
#include "platform/errortrap.h"

#include <algorithm>
#include <cctype>
#include <exception>
#include <vector>

namespace tarnwell {

namespace {

constexpr std::int32_t kNotAFolder = -1;

// Runs one step of the walk; a failure skips the step and becomes the pending error.
template <typename Step> void attempt(int& pending, Step&& step)
{
    try {
        step();
    } catch (const std::exception& error) {
        pending = toRuntimeError(error).number();
    }
}

bool containsSeparator(PathStyle style, const std::string& path)
{
    for (char c : path) {
        if (isSeparator(style, c))
            return true;
    }
    return false;
}

// A drive or the POSIX root, also when written "D:\\" or "//"; a share root is a folder
// like any other target.
bool namesWholeDrive(PathStyle style, const std::string& path)
{
    const SplitPath split = splitPath(style, path);
    return split.components.empty() && split.root.rfind("\\\\", 0) != 0;
}

// The walk below a checked folder. Names are used as listed: a folder "Notes " is entered
// as it is, never trimmed like the path a caller gives.
std::int32_t clearTree(FileSystem& fileSystem, const std::string& path)
{
    const char separator = preferredSeparator(fileSystem.pathStyle());
    int pending = 0; // every call starts with none, the recursive ones too

    int attributes = 0;
    attempt(pending, [&] { attributes = fileSystem.attributes(path); });
    if (!(attributes & Attribute::Directory))
        return kNotAFolder;

    // Subfolders wait until the listing is over: each one starts listings of its own.
    std::vector<std::string> subfolders;
    std::string name;
    attempt(pending, [&] { name = fileSystem.probe(path + separator + "*.*", ProbeMask::All); });
    while (!name.empty()) {
        if (name != "." && name != "..") {
            const std::string entry = path + separator + name;
            int entryAttributes = Attribute::Normal;
            bool readable = false;
            attempt(pending, [&] {
                entryAttributes = fileSystem.attributes(entry);
                readable = true;
            });
            if (readable && (entryAttributes & Attribute::ReparsePoint)) {
                // A link leads outside the tree (or around in it): never entered nor changed.
            } else if (readable && (entryAttributes & Attribute::Directory)) {
                subfolders.push_back(name);
            } else {
                // An entry that cannot be read counts as a file, so its error stops the walk.
                if (entryAttributes != Attribute::Normal)
                    attempt(pending, [&] { fileSystem.setAttributes(entry, Attribute::Normal); });
                if (pending != 0)
                    return pending;
            }
        }
        name.clear();
        attempt(pending, [&] { name = fileSystem.next(); });
    }

    for (const std::string& subfolder : subfolders) {
        const std::int32_t result = clearTree(fileSystem, path + separator + subfolder);
        if (result != 0)
            return result;
    }
    return pending;
}

// Whether path lies below folder; names compared as the file system compares them.
bool isBelow(PathStyle style, const std::string& folder, const std::string& path)
{
    const auto same = [style](const std::string& a, const std::string& b) {
        if (style == PathStyle::Posix)
            return a == b;
        return a.size() == b.size() &&
               std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
                   return std::toupper(static_cast<unsigned char>(x)) ==
                          std::toupper(static_cast<unsigned char>(y));
               });
    };
    const SplitPath top = splitPath(style, folder);
    const SplitPath below = splitPath(style, path);
    if (!same(top.root, below.root) || below.components.size() <= top.components.size())
        return false;
    for (std::size_t i = 0; i < top.components.size(); ++i) {
        if (!same(top.components[i], below.components[i]))
            return false;
    }
    return true;
}

} // namespace

std::int32_t AttrTree(FileSystem& fileSystem, std::string path)
{
    const PathStyle style = fileSystem.pathStyle();
    path = trimmedBlanks(path);
    if (path.empty())
        return kNotAFolder;
    if (isSeparator(style, path.back()))
        path.pop_back();
    if (!containsSeparator(style, path) || namesWholeDrive(style, path))
        return kNotAFolder;
    return clearTree(fileSystem, path);
}

void ClearAttributes(const Services& services, const std::string& path)
{
    errorTrap(services.messageBox, "", [&] {
        const std::int32_t result = AttrTree(services.fileSystem, path);
        if (result == kNotAFolder)
            services.messageBox.show("Invalid Directory" + path, kProgramTitle, MessageIcon::None);
        else if (result != 0)
            services.messageBox.show("An Error was occured", kProgramTitle, MessageIcon::None);
    });
}

void ClearAttributes(const Services& services, const std::string& path,
                     const std::vector<std::string>& copies)
{
    errorTrap(services.messageBox, "", [&] {
        FileSystem& fileSystem = services.fileSystem;
        const PathStyle style = fileSystem.pathStyle();
        bool failed = false;
        for (const std::string& copy : copies) {
            if (!isBelow(style, path, copy))
                continue;
            try {
                const int flags = fileSystem.attributes(copy);
                if (!(flags & (Attribute::Directory | Attribute::ReparsePoint)) &&
                    flags != Attribute::Normal)
                    fileSystem.setAttributes(copy, Attribute::Normal);
            } catch (const RuntimeError&) {
                failed = true;
            }
        }
        if (failed)
            services.messageBox.show("An Error was occured", kProgramTitle, MessageIcon::None);
    });
}

} // namespace tarnwell
