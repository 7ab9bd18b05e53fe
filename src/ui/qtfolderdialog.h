#pragma once

#include "platform/folderdialog.h"

namespace tarnwell {

// The toolkit's folder dialog, the platform's own where it has one. It has no owner window;
// the prompt is its title. Paths come back with the platform's separators (C:\, \\server\x).
class QtFolderDialog : public FolderDialog
{
public:
    std::string chooseFolder(const std::string& prompt) override;
};

} // namespace tarnwell
