#include "cli/console.h"

namespace tarnwell {

namespace {

// Back to the start of the line and clear it.
constexpr const char* kClearLine = "\r\x1b[K";
// A progress line longer than the terminal would wrap, and the clearing would miss its start.
constexpr std::size_t kProgressWidth = 79;

std::string fitted(const std::string& line)
{
    if (line.size() <= kProgressWidth)
        return line;
    std::size_t end = kProgressWidth;
    while (end > 0 && (static_cast<unsigned char>(line[end]) & 0xC0) == 0x80)
        --end; // never cut a character in two
    return line.substr(0, end);
}

} // namespace

void Console::show(const std::string& text, const std::string& /*title*/, MessageIcon /*icon*/)
{
    clearProgress();
    m_err << "Tarnwell: " << consoleLines(text) << std::flush;
}

void Console::showProgress(const std::string& line)
{
    if (!m_errIsTerminal)
        return;
    if (line.empty()) {
        clearProgress();
        return;
    }
    m_err << kClearLine << fitted(line) << std::flush;
    m_progressShown = true;
}

void Console::clearProgress()
{
    if (!m_progressShown)
        return;
    m_err << kClearLine << std::flush;
    m_progressShown = false;
}

std::string consoleLines(const std::string& text)
{
    std::string lines;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            if (i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            lines += '\n';
        } else {
            lines += text[i];
        }
    }
    if (!lines.empty() && lines.back() != '\n')
        lines += '\n';
    return lines;
}

} // namespace tarnwell
