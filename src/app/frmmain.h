#pragma once

#include "app/scheduler.h"
#include "platform/announcer.h"
#include "platform/folderdialog.h"
#include "platform/services.h"
#include "platform/statusbox.h"

#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QPlainTextEdit;
class QPushButton;
class QTimer;

namespace tarnwell {

class FrmConfig;

// The status box txtMessage as the commands see it.
class TxtMessageStatus : public StatusBox
{
public:
    explicit TxtMessageStatus(QPlainTextEdit* box) : m_box(box) {}
    void setText(const std::string& text) override;
    std::string text() const override { return m_text; }
    void repaint() override;
    void showProgress(const std::string& line) override;

private:
    void display(const std::string& text);

    QPlainTextEdit* m_box;
    std::string m_text;
};

// The main window: status box, the row of command buttons and the once-a-second timer.
class FrmMain : public QWidget
{
    Q_OBJECT

public:
    // Without an announcer the window makes its own: the task bar and a tray icon.
    FrmMain(const Services& services, FolderDialog& folderDialog, Announcer* announcer = nullptr,
            QWidget* parent = nullptr);
    ~FrmMain() override;

    // The load step; runs before the window is first shown.
    void Form_Load(const std::string& argumentText);

    void cmdBackup_Click();
    void cmdConfig_Click();
    void cmdMapDrives_Click();
    void cmdDisconnectDrives_Click();
    void cmdMinimize_Click();
    void cmdClose_Click();
    void ctrTimer_Timer();

    StatusBox& status() { return m_status; }
    const std::string& driveLog() const { return strDriveLog; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QPushButton* addButton(const char* name, const char* caption, int left, int width);
    void closeIfAskedDuringARun();
    void backup(const std::string& trigger);
    // waitForNetwork: see runUnattendedBackup.
    void unattendedBackup(const std::string& trigger, bool waitForNetwork);
    void noteOutcome();
    void showState();
    void runCommand(const std::function<void(const Services&, StatusBox&)>& command,
                    const std::function<void()>& ended = {});
    void mapDrives(const char* trigger);

    Services m_services;
    FolderDialog& m_folderDialog;
    QPlainTextEdit* m_txtMessage = nullptr;
    QTimer* m_ctrTimer = nullptr;
    TxtMessageStatus m_status;
    Scheduler m_scheduler;
    QPointer<FrmConfig> m_frmConfig;
    std::vector<QPushButton*> m_commandButtons; // off while a command runs
    std::string strDriveLog;                    // the drive commands' report
    bool m_closeAfterRun = false;
    std::unique_ptr<Announcer> m_ownAnnouncer;
    Announcer* m_announcer = nullptr;
    std::string m_lastOutcome; // the first line of the last backup's report
    std::string m_shownState;
};

} // namespace tarnwell
