#include "support/windowsprofile.h"

#include "platform/error.h"

#include <utility>

namespace tarnwell::test {

WindowsProfile addWindowsProfile(MemoryFileSystem& fileSystem, const std::string& root)
{
    using Op = MemoryFileSystem::Operation;
    WindowsProfile profile;
    profile.root = root;
    const auto at = [&root](const std::string& relative) { return root + "\\" + relative; };

    for (const char* junction :
         {"Application Data", "Cookies", "Local Settings", "My Documents", "NetHood", "PrintHood",
          "Recent", "SendTo", "Start Menu", "Templates", "AppData\\Local\\Application Data",
          "AppData\\Local\\History", "AppData\\Local\\Temporary Internet Files",
          "Documents\\My Music", "Documents\\My Pictures", "Documents\\My Videos"}) {
        profile.junctions.push_back(at(junction));
        fileSystem.addFolder(profile.junctions.back(),
                             Attribute::Hidden | Attribute::System | Attribute::ReparsePoint);
        fileSystem.failOn(Op::ListFolder, profile.junctions.back(), ErrorNumber::PermissionDenied);
    }
    profile.desktopIni = at("Desktop\\desktop.ini");
    fileSystem.addFile(profile.desktopIni, "[.ShellClassInfo]",
                       Attribute::Hidden | Attribute::System);
    fileSystem.addFile(at("Documents\\desktop.ini"), "[.ShellClassInfo]",
                       Attribute::Hidden | Attribute::System);
    fileSystem.addFile(at("Documents\\Letter.docx"), "Dear Sam");

    profile.openWorkbook = at("Documents\\Budget.xlsx");
    fileSystem.addFile(profile.openWorkbook, "budget 2026");
    fileSystem.holdOpen(profile.openWorkbook, MemoryFileSystem::Hold::SharedForWriting);
    profile.mailStore = at("Documents\\Outlook Files\\pat@example.com.pst");
    fileSystem.addFile(profile.mailStore, "mail");
    fileSystem.holdOpen(profile.mailStore, MemoryFileSystem::Hold::Exclusive);

    // Each of the three ways Windows marks a file whose content is not on the PC.
    const std::pair<const char*, int> cloudFiles[] = {
        {"OneDrive\\Documents\\Report.docx", Attribute::RecallOnDataAccess},
        {"OneDrive\\Documents\\Plan.pptx", Attribute::RecallOnOpen},
        {"OneDrive\\Pictures\\Beach.jpg", Attribute::Offline}};
    for (const auto& [cloud, flag] : cloudFiles) {
        profile.onlineOnly.push_back(at(cloud));
        fileSystem.addFile(profile.onlineOnly.back(), "in the cloud", flag);
    }
    fileSystem.addFile(at("OneDrive\\Notes.txt"), "kept on this PC");

    profile.alias = at("AppData\\Local\\Microsoft\\WindowsApps\\python.exe");
    fileSystem.addAppAlias(profile.alias);
    fileSystem.addFile(at("AppData\\Local\\Microsoft\\WindowsApps\\Readme.txt"), "store");

    for (const char* object : {"Projects\\tool\\.git\\objects\\3f\\45cba1",
                               "Projects\\tool\\.git\\objects\\8d\\44265e"}) {
        profile.readOnly.push_back(at(object));
        fileSystem.addFile(profile.readOnly.back(), object, Attribute::ReadOnly);
    }
    fileSystem.addFile(at("Projects\\tool\\main.cpp"), "int main() {}");
    return profile;
}

} // namespace tarnwell::test
