#pragma once

#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/folderdialog.h"
#include "platform/messagebox.h"
#include "platform/power.h"
#include "platform/statusbox.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace tarnwell::test {

struct RecordedMessage
{
    std::string text;
    std::string title;
    MessageIcon icon;
};

class RecordingMessageBox : public MessageBox
{
public:
    void show(const std::string& text, const std::string& title, MessageIcon icon) override
    {
        messages.push_back({text, title, icon});
    }
    std::vector<std::string> texts() const;

    std::vector<RecordedMessage> messages;
};

// Keeps every text it was given, so tests can see what the user saw on the way.
class RecordingStatusBox : public StatusBox
{
public:
    void setText(const std::string& text) override
    {
        m_text = text;
        history.push_back(text);
    }
    std::string text() const override { return m_text; }
    void repaint() override { repainted.push_back(m_text); }
    void showProgress(const std::string& line) override { progress.push_back(line); }
    void showDetail(const std::string& line) override { details.push_back(line); }

    std::vector<std::string> history;   // every setText
    std::vector<std::string> repainted; // the text at every repaint
    std::vector<std::string> progress;
    std::vector<std::string> details;

private:
    std::string m_text;
};

// A clock that says what the test sets; regional texts in US-English form. A sleep moves the
// time on at once by its whole seconds (within one day), then calls afterSleep.
class FakeClock : public Clock
{
public:
    LocalDateTime now() const override { return current; }
    // UTC: the tests' files and times need no time zone.
    LocalDateTime localTimeOf(std::int64_t secondsSince1970) const override;
    std::string regionalTime(const LocalDateTime& when) const override;
    std::string regionalDate(const LocalDateTime& when) const override;
    void sleep(int milliseconds) override;

    LocalDateTime current;
    std::function<void()> afterSleep;
};

// Counts how often the computer was held awake and let go again.
class RecordingPower : public Power
{
public:
    void holdAwake() override { ++holds; }
    void releaseAwake() override { ++releases; }

    int holds = 0;
    int releases = 0;
};

// A single-byte code page: Latin-1. Characters above U+00FF cannot be stored. The bytes in
// invalidBytes are taken for bytes that no text in the code page holds.
class Latin1CodePage : public CodePage
{
public:
    std::string toAnsi(std::string_view utf8) const override;
    std::string fromAnsi(std::string_view ansi) const override;
    bool isValidAnsi(std::string_view ansi) const override
    {
        return ansi.find_first_of(invalidBytes) == std::string_view::npos;
    }

    std::string invalidBytes;
};

// Answers folder dialogs from a queue; "" (cancel) when it runs dry.
class ScriptedFolderDialog : public FolderDialog
{
public:
    std::string chooseFolder(const std::string& prompt) override;

    std::deque<std::string> answers;
    std::vector<std::string> prompts;
};

} // namespace tarnwell::test
