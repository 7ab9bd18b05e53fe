#pragma once

#include <string>

namespace tarnwell {

// The platform's folder dialog: returns the chosen folder's path, or "" when cancelled.
class FolderDialog
{
public:
    virtual ~FolderDialog() = default;
    virtual std::string chooseFolder(const std::string& prompt) = 0;
};

} // namespace tarnwell
