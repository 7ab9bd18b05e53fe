#pragma once

#include "support/memoryfilesystem.h"

#include <string>
#include <vector>

namespace tarnwell::test {

// What a user's folder on Windows 10 and 11 holds that trips a backup, at root:
// - the hidden, system compatibility junctions ("Application Data", "My Documents", ...),
//   whose access list refuses listing them;
// - desktop.ini files, hidden and system;
// - a workbook another program has open for writing and lets others read;
// - a mail store its program holds and lets no one else read;
// - a OneDrive folder whose documents are online-only, beside one file kept on the PC;
// - an app execution alias in AppData\Local\Microsoft\WindowsApps;
// - a repository whose objects git made read-only.
struct WindowsProfile
{
    std::string root;
    std::vector<std::string> junctions;
    std::vector<std::string> onlineOnly;
    std::string openWorkbook;
    std::string mailStore;
    std::string alias;
    std::vector<std::string> readOnly;
    std::string desktopIni;
};
WindowsProfile addWindowsProfile(MemoryFileSystem& fileSystem,
                                 const std::string& root = "C:\\Users\\pat");

} // namespace tarnwell::test
