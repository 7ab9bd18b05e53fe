#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tarnwell {

// Windows: drive letters, UNC shares, "\" (and "/") as separators, names compared without
// case. POSIX: one root "/", "/" as separator.
enum class PathStyle
{
    Windows,
    Posix
};

char preferredSeparator(PathStyle style);
bool isSeparator(PathStyle style, char c);

struct SplitPath
{
    std::string root;                    // "C:\", "C:", "\\server\share\", "\", "/" or ""
    std::vector<std::string> components; // the names after the root, never "." or ""
};

// Splits a path into its root and names, resolving "." and ".."; ".." never climbs above the
// root (but is kept at the front of a relative path).
SplitPath splitPath(PathStyle style, std::string_view path);

// The path written with one separator between names and none at the end, unless the path is a
// root: C:\Data\..\Docs\ gives C:\Docs, \\srv\share\ gives \\srv\share\, E: gives E:\.
std::string normalizePath(PathStyle style, std::string_view path);

// True when the path names a root: a drive root, a share root or "/".
bool isRootPath(PathStyle style, std::string_view path);

// The last name of the normalised path, "" for a root.
std::string lastComponent(PathStyle style, std::string_view path);

// base and name with exactly one separator between them.
std::string joinPath(PathStyle style, std::string_view base, std::string_view name);

// The upper-case drive letter of "X:..." paths, or 0.
char driveLetterOf(std::string_view path);

// A drive typed without its backslash ("D:") as the root it means ("D:\"), not that drive's
// current folder; any other path as it is.
std::string withDriveRoot(PathStyle style, const std::string& path);

} // namespace tarnwell
