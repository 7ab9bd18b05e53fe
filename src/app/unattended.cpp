#include "app/unattended.h"

#include <utility>
#include <vector>

namespace tarnwell {

namespace {

// Keeps what a message box would have said instead of waiting for a click.
class NotedMessages : public MessageBox
{
public:
    void show(const std::string& text, const std::string&, MessageIcon) override
    {
        texts.push_back(text);
    }

    std::vector<std::string> texts;
};

// Passes everything on to the status box and keeps the report and the first problem.
class WatchedStatus : public StatusBox
{
public:
    explicit WatchedStatus(StatusBox& shown) : m_shown(shown) {}

    void setText(const std::string& text) override
    {
        reportLines = {text};
        m_shown.setText(text);
    }
    std::string text() const override { return m_shown.text(); }
    void repaint() override { m_shown.repaint(); }
    void showProgress(const std::string& line) override { m_shown.showProgress(line); }
    void setReport(const std::string& text, const std::vector<std::string>& lines) override
    {
        reportLines = lines;
        m_shown.setReport(text, lines);
    }
    void showDetail(const std::string& line) override
    {
        if (firstDetail.empty())
            firstDetail = line;
        m_shown.showDetail(line);
    }

    std::vector<std::string> reportLines;
    std::string firstDetail;

private:
    StatusBox& m_shown;
};

} // namespace

UnattendedResult runUnattendedBackup(const Services& services, StatusBox& status,
                                     const std::string& trigger, bool waitForNetwork)
{
    NotedMessages messages;
    const Services quiet{services.fileSystem, services.network, services.clock,
                         services.codePage,   messages,         services.runLog,
                         services.power};
    WatchedStatus watched(status);
    UnattendedResult result;
    BackupOptions options;
    options.waitForNetwork = waitForNetwork;
    result.outcome = runBackupCommand(quiet, watched, trigger, options);

    if (!messages.texts.empty()) {
        // A run ended by its own trap has left the announcement standing; it failed all the same.
        std::vector<std::string> lines = watched.reportLines;
        if (lines.empty() || lines.front() == "Performing backups.  Please wait...")
            lines = {"Error! "};
        lines.insert(lines.end(), messages.texts.begin(), messages.texts.end());
        std::string text;
        for (const std::string& line : lines)
            text += (text.empty() ? "" : "\r\n") + line;
        status.setReport(text, lines);
        status.repaint();
    }
    if (result.outcome != BackupOutcome::Complete) {
        if (!watched.firstDetail.empty())
            result.firstProblem = watched.firstDetail;
        else if (!messages.texts.empty())
            result.firstProblem = messages.texts.front();
        else if (!watched.reportLines.empty())
            result.firstProblem = watched.reportLines.front();
    }
    return result;
}

} // namespace tarnwell
