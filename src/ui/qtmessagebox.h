#pragma once

#include "platform/messagebox.h"

class QWidget;

namespace tarnwell {

// Modal Qt message boxes with an OK button only.
class QtMessageBox : public MessageBox
{
public:
    void show(const std::string& text, const std::string& title, MessageIcon icon) override;
};

} // namespace tarnwell
