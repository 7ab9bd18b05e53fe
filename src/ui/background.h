#pragma once

#include "platform/messagebox.h"
#include "platform/statusbox.h"

#include <QObject>
#include <functional>
#include <mutex>
#include <string>

namespace tarnwell {

// Runs job on a thread of its own and returns when it has ended. Meanwhile the windows' thread
// goes on with its events, so that the windows paint and answer whatever the job waits for (a
// server that does not answer, a long walk over a share). ended is called on the windows' thread
// as soon as job has ended, after every change it handed over, even while a modal box opened
// meanwhile keeps this call from returning. An exception of job is thrown here.
void runInBackground(const std::function<void()>& job, const std::function<void()>& ended = {});

// Message boxes asked for by a job in the background: shown on the windows' thread, modal as
// ever, while the job waits for the answer.
class UiThreadMessageBox : public MessageBox
{
public:
    explicit UiThreadMessageBox(MessageBox& shownBy) : m_shownBy(shownBy) {}
    void show(const std::string& text, const std::string& title, MessageIcon icon) override;

private:
    MessageBox& m_shownBy;
};

// The status box as a job in the background sees it: every change reaches the box on the
// windows' thread in the order it was made, and the job does not wait for it. Made on the
// windows' thread.
class UiThreadStatusBox : public StatusBox
{
public:
    explicit UiThreadStatusBox(StatusBox& shown) : m_shown(shown), m_text(shown.text()) {}

    void setText(const std::string& text) override;
    std::string text() const override;
    void repaint() override;
    void showProgress(const std::string& line) override;
    void setReport(const std::string& text, const std::vector<std::string>& lines) override;
    void showDetail(const std::string& line) override;

private:
    void post(std::function<void()> change);

    StatusBox& m_shown;
    QObject m_receiver; // lives on the windows' thread
    mutable std::mutex m_mutex;
    std::string m_text;
};

} // namespace tarnwell
