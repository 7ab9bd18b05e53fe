#include "platform/pathrules.h"

#include <cctype>

namespace tarnwell {

char preferredSeparator(PathStyle style)
{
    return style == PathStyle::Windows ? '\\' : '/';
}

bool isSeparator(PathStyle style, char c)
{
    return c == '/' || (style == PathStyle::Windows && c == '\\');
}

char driveLetterOf(std::string_view path)
{
    if (path.size() >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0])))
        return static_cast<char>(std::toupper(static_cast<unsigned char>(path[0])));
    return 0;
}

std::string withDriveRoot(PathStyle style, const std::string& path)
{
    if (style == PathStyle::Windows && path.size() == 2 && driveLetterOf(path))
        return path + '\\';
    return path;
}

namespace {

// Length of the root prefix of a Windows path and the root as it is written when normalised.
std::size_t windowsRoot(std::string_view path, std::string& root)
{
    auto sep = [](char c) { return c == '\\' || c == '/'; };
    if (path.size() >= 2 && sep(path[0]) && sep(path[1])) {
        // \\server\share
        std::size_t pos = 2;
        std::string server, share;
        while (pos < path.size() && !sep(path[pos]))
            server += path[pos++];
        while (pos < path.size() && sep(path[pos]))
            ++pos;
        while (pos < path.size() && !sep(path[pos]))
            share += path[pos++];
        root = "\\\\" + server + "\\" + share + "\\";
        return pos;
    }
    if (driveLetterOf(path)) {
        root = std::string(1, path[0]) + ":\\";
        return 2;
    }
    if (!path.empty() && sep(path[0])) {
        root = "\\";
        return 1;
    }
    root.clear();
    return 0;
}

} // namespace

SplitPath splitPath(PathStyle style, std::string_view path)
{
    SplitPath result;
    std::size_t pos = 0;
    if (style == PathStyle::Windows) {
        pos = windowsRoot(path, result.root);
    } else if (!path.empty() && path[0] == '/') {
        result.root = "/";
        pos = 1;
    }
    while (pos < path.size()) {
        while (pos < path.size() && isSeparator(style, path[pos]))
            ++pos;
        std::size_t start = pos;
        while (pos < path.size() && !isSeparator(style, path[pos]))
            ++pos;
        std::string_view name = path.substr(start, pos - start);
        if (name.empty() || name == ".")
            continue;
        if (name == "..") {
            if (!result.components.empty() && result.components.back() != "..")
                result.components.pop_back();
            else if (result.root.empty())
                result.components.emplace_back(name);
            continue;
        }
        result.components.emplace_back(name);
    }
    return result;
}

std::string normalizePath(PathStyle style, std::string_view path)
{
    SplitPath split = splitPath(style, path);
    std::string text = split.root;
    for (std::size_t i = 0; i < split.components.size(); ++i) {
        if (i > 0)
            text += preferredSeparator(style);
        text += split.components[i];
    }
    if (text.empty() && !path.empty())
        text = ".";
    return text;
}

bool isRootPath(PathStyle style, std::string_view path)
{
    SplitPath split = splitPath(style, path);
    return !split.root.empty() && split.components.empty();
}

std::string lastComponent(PathStyle style, std::string_view path)
{
    SplitPath split = splitPath(style, path);
    return split.components.empty() ? std::string() : split.components.back();
}

std::string joinPath(PathStyle style, std::string_view base, std::string_view name)
{
    std::string text(base);
    while (!text.empty() && isSeparator(style, text.back()) && !isRootPath(style, text))
        text.pop_back();
    std::size_t skip = 0;
    while (skip < name.size() && isSeparator(style, name[skip]))
        ++skip;
    if (!text.empty() && !isSeparator(style, text.back()))
        text += preferredSeparator(style);
    text += name.substr(skip);
    return text;
}

} // namespace tarnwell
