#pragma once

#include "platform/messagebox.h"
#include "platform/statusbox.h"

#include <ostream>
#include <string>

namespace tarnwell {

// The window's message boxes and status box on a terminal: each message box is one line
// "Tarnwell: " + text on the error stream; the status box keeps its text for the caller to
// print, and its progress line is drawn on the error stream only when that is a terminal.
class Console : public MessageBox, public StatusBox
{
public:
    Console(std::ostream& err, bool errIsTerminal) : m_err(err), m_errIsTerminal(errIsTerminal) {}

    void show(const std::string& text, const std::string& title, MessageIcon icon) override;

    void setText(const std::string& text) override { m_text = text; }
    std::string text() const override { return m_text; }
    void repaint() override {}
    void showProgress(const std::string& line) override;

private:
    void clearProgress();

    std::ostream& m_err;
    bool m_errIsTerminal;
    bool m_progressShown = false;
    std::string m_text;
};

// text with each CR LF (or lone CR) turned into "\n" and one "\n" at the end, or "" for "".
std::string consoleLines(const std::string& text);

} // namespace tarnwell
