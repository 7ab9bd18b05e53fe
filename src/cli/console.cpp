#include "cli/console.h"

#include "platform/printable.h"

#include <algorithm>

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
    m_err << "Tarnwell: " << printable(text) << "\n" << std::flush;
}

void Console::setReport(const std::string& text, const std::vector<std::string>& lines)
{
    m_text = text;
    m_lines = lines;
}

void Console::showDetail(const std::string& line)
{
    clearProgress();
    m_err << "Tarnwell: " << printable(line) << "\n" << std::flush;
}

std::string Console::report() const
{
    if (m_lines.empty())
        return consoleLines(m_text);
    std::string shown;
    for (const std::string& line : m_lines)
        shown += printable(line) + "\n";
    return shown;
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
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = std::min(text.find('\r', start), text.size());
        lines += printable(std::string_view(text).substr(start, end - start)) + "\n";
        start = end + 1;
        if (start < text.size() && text[start] == '\n')
            ++start;
    }
    return lines;
}

} // namespace tarnwell
