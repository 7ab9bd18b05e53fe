#pragma once

#include <string>
#include <vector>

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
    // A second line under the text while a long operation runs; empty removes it.
    virtual void showProgress(const std::string& line) = 0;
    // A command's report: text as the window shows it, and the same as separate lines, for a
    // terminal that must keep each line one line whatever the texts hold.
    virtual void setReport(const std::string& text, const std::vector<std::string>& lines)
    {
        (void)lines;
        setText(text);
    }
    // What a problem was, with its full paths and the error's own text. The window has no room
    // for it; the command line writes it to its error stream.
    virtual void showDetail(const std::string& line) { (void)line; }
};

} // namespace tarnwell
