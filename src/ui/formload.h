#pragma once

#include "platform/messagebox.h"

#include <exception>
#include <string_view>

class QPushButton;

namespace tarnwell {

// A window whose Form_Load could not read Config.dat: reports the failure with the routine's
// suffix and, unless the file is only missing, disables Save, so that the empty boxes can
// never overwrite a file that is there but unreadable.
void reportLoadFailure(MessageBox& box, const std::exception& failure, std::string_view suffix,
                       QPushButton* save);

} // namespace tarnwell
