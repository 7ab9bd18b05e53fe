#include "config/browseforfolder.h"

#include "platform/errortrap.h"

namespace tarnwell {

std::string BrowseForFolder(FolderDialog& dialog, MessageBox& box, const std::string& prompt)
{
    std::string folder;
    if (!errorTrap(box, {}, [&] { folder = dialog.chooseFolder(prompt); }))
        return {};
    return folder;
}

} // namespace tarnwell
