#include "backup/attrtree.h"

#include "config/settings.h"
#include "platform/errortrap.h"

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

} // namespace tarnwell
