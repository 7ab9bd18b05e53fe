#include "drives/driveprobe.h"

#include <cctype>

namespace tarnwell {

std::string driveLetterText(const std::string& drive)
{
    if (drive.empty() || !std::isalpha(static_cast<unsigned char>(drive[0])))
        return {};
    const std::string rest = drive.substr(1);
    if (rest.empty() || rest == ":" || rest == ":\\" || rest == ":/")
        return std::string(1,
                           static_cast<char>(std::toupper(static_cast<unsigned char>(drive[0]))));
    return {};
}

bool namesDrive(const std::string& drive)
{
    return !driveLetterText(drive).empty();
}

bool drivePresent(FileSystem& fileSystem, const std::string& drive)
{
    const std::string letter = driveLetterText(drive);
    // POSIX names a share by its mount path; a drive letter is never there.
    if (letter.empty() || fileSystem.pathStyle() != PathStyle::Windows)
        return false;
    return !fileSystem.probe(letter + ":\\", ProbeMask::Folders).empty();
}

} // namespace tarnwell
