#pragma once

#include <string>

namespace tarnwell {

// The program title on every message box that is not an input check or a save confirmation.
inline constexpr const char* kProgramTitle = "Tarnwell";

enum class MessageIcon
{
    None,
    Information
};

// A modal message box with an OK button only. The windows show a real one; tests record them.
class MessageBox
{
public:
    virtual ~MessageBox() = default;
    virtual void show(const std::string& text, const std::string& title, MessageIcon icon) = 0;
};

} // namespace tarnwell
