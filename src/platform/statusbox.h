#pragma once

#include <string>

namespace tarnwell {

// The main window's status box as the commands see it.
class StatusBox
{
public:
    virtual ~StatusBox() = default;
    virtual void setText(const std::string& text) = 0;
    virtual std::string text() const = 0;
    // Puts the current text on screen at once, before a long operation holds the program.
    virtual void repaint() = 0;
    // A second line under the text while a long operation runs; empty removes it. Also the
    // moment to keep the window painted.
    virtual void showProgress(const std::string& line) = 0;
};

} // namespace tarnwell
