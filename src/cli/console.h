#pragma once

#include "platform/messagebox.h"
#include "platform/statusbox.h"

#include <ostream>
#include <string>
#include <vector>

namespace tarnwell {

// The window's message boxes and status box on a terminal: each message box is one line
// "Tarnwell: " + text on the error stream; the status box keeps its text for the caller to
// print, and its progress line is drawn on the error stream only when that is a terminal.
class Console : public MessageBox, public StatusBox
{
public:
    Console(std::ostream& err, bool errIsTerminal) : m_err(err), m_errIsTerminal(errIsTerminal) {}

    void show(const std::string& text, const std::string& title, MessageIcon icon) override;

    void setText(const std::string& text) override
    {
        m_text = text;
        m_lines.clear();
    }
    std::string text() const override { return m_text; }
    void repaint() override {}
    void showProgress(const std::string& line) override;
    void setReport(const std::string& text, const std::vector<std::string>& lines) override;
    void showDetail(const std::string& line) override;
    // True when progress lines are drawn at all.
    bool drawsProgress() const { return m_errIsTerminal; }

    // The status box's report for the output stream: each line on its own with its control
    // characters escaped, so that no text can forge a line or steer the terminal.
    std::string report() const;

private:
    void clearProgress();

    std::ostream& m_err;
    bool m_errIsTerminal;
    bool m_progressShown = false;
    std::string m_text;
    std::vector<std::string> m_lines; // the report's lines, when it came as lines
};

// text with each CR LF (or lone CR) turned into "\n" and one "\n" at the end, or "" for "".
// Other control characters are escaped.
std::string consoleLines(const std::string& text);

} // namespace tarnwell
