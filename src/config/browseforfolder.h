#pragma once

#include "platform/folderdialog.h"
#include "platform/messagebox.h"

#include <string>

namespace tarnwell {

inline constexpr const char* kSourcePrompt = "Select The Source Folder";
inline constexpr const char* kTargetPrompt = "Select The Target Folder";
inline constexpr const char* kUncPathPrompt = "Select The UNC Path";

// Asks the user for a folder with prompt as the dialog's title. Returns the chosen folder's
// path, or "" when the dialog was cancelled or failed; a failure is reported in box first.
std::string BrowseForFolder(FolderDialog& dialog, MessageBox& box, const std::string& prompt);

} // namespace tarnwell
