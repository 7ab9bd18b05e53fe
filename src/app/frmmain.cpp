#include "app/frmmain.h"

#include "app/globalvariables.h"
#include "app/startup.h"
#include "app/startupreport.h"
#include "app/unattended.h"
#include "backup/backupcommand.h"
#include "config/frmconfig.h"
#include "config/runlock.h"
#include "drives/drivecommands.h"
#include "drives/frmdrivemapping.h"
#include "platform/errortrap.h"
#include "ui/appicon.h"
#include "ui/background.h"
#include "ui/controls.h"
#include "ui/formlayout.h"
#include "ui/qtannouncer.h"

#include <QApplication>
#include <QCloseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <optional>

namespace tarnwell {

namespace {

constexpr int kButtonTop = 1440;
constexpr int kButtonHeight = 495;

} // namespace

void TxtMessageStatus::setText(const std::string& text)
{
    m_text = text;
    display(text);
}

void TxtMessageStatus::repaint()
{
    m_box->repaint();
}

void TxtMessageStatus::showProgress(const std::string& line)
{
    display(line.empty() ? m_text : m_text + "\n" + line);
}

void TxtMessageStatus::display(const std::string& text)
{
    QString shown = QString::fromStdString(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    m_box->setPlainText(shown);
}

FrmMain::FrmMain(const Services& services, FolderDialog& folderDialog, Announcer* announcer,
                 QWidget* parent)
    : QWidget(parent), m_services(services), m_folderDialog(folderDialog),
      m_txtMessage(new QPlainTextEdit(this)), m_status(m_txtMessage),
      m_scheduler(services.messageBox, [this](const std::string& lateReason) {
          // Another program's command holding Config.dat would refuse this run; the scheduler
          // tries again until it has ended.
          if (RunLock(m_services.fileSystem).otherRunning())
              return false;
          // Late, the computer may just have woken, before its network is back.
          unattendedBackup(lateReason.empty() ? "the daily time" : "the daily time; " + lateReason,
                           !lateReason.empty());
          return true;
      })
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(
        QStringLiteral("Tarnwell Backup (Minimize Me And Leave Me Running To Auto Backup)"));
    setWindowIcon(tarnwellIcon());
    setClientTwips(this, 8160, 2055);
    if (!announcer) {
        m_ownAnnouncer = std::make_unique<QtAnnouncer>(this);
        announcer = m_ownAnnouncer.get();
    }
    m_announcer = announcer;

    QPushButton* backup = addButton("cmdBackup", "Backup", 120, 1335);
    QPushButton* config = addButton("cmdConfig", "Config", 1560, 975);
    QPushButton* mapDrives = addButton("cmdMapDrives", "Map Drives", 2640, 1335);
    QPushButton* disconnect = addButton("cmdDisconnectDrives", "Disconnect Drives", 4080, 1935);
    QPushButton* minimize = addButton("cmdMinimize", "\\/", 6480, 495);
    minimize->setToolTip(QStringLiteral("Minimize"));
    QPushButton* close = addButton("cmdClose", "Close", 7080, 975);
    m_commandButtons = {backup, mapDrives, disconnect};

    m_txtMessage->setObjectName(QStringLiteral("txtMessage"));
    placeTwips(m_txtMessage, 120, 120, 7935, 1215);
    m_txtMessage->setFont(boxFont(true));
    m_txtMessage->setReadOnly(true);
    m_txtMessage->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QPalette palette = m_txtMessage->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Button));
    m_txtMessage->setPalette(palette);

    setTabOrder(backup, config);
    setTabOrder(config, mapDrives);
    setTabOrder(mapDrives, disconnect);
    setTabOrder(disconnect, minimize);
    setTabOrder(minimize, close);
    setTabOrder(close, m_txtMessage);
    backup->setFocus();

    connect(backup, &QPushButton::clicked, this, &FrmMain::cmdBackup_Click);
    connect(config, &QPushButton::clicked, this, &FrmMain::cmdConfig_Click);
    connect(mapDrives, &QPushButton::clicked, this, &FrmMain::cmdMapDrives_Click);
    connect(disconnect, &QPushButton::clicked, this, &FrmMain::cmdDisconnectDrives_Click);
    connect(minimize, &QPushButton::clicked, this, &FrmMain::cmdMinimize_Click);
    connect(close, &QPushButton::clicked, this, &FrmMain::cmdClose_Click);

    // The timer runs from loading to unloading, minimised or not.
    m_ctrTimer = new QTimer(this);
    m_ctrTimer->setObjectName(QStringLiteral("ctrTimer"));
    m_ctrTimer->setInterval(1000);
    connect(m_ctrTimer, &QTimer::timeout, this, &FrmMain::ctrTimer_Timer);
    m_ctrTimer->start();
}

FrmMain::~FrmMain() = default;

QPushButton* FrmMain::addButton(const char* name, const char* caption, int left, int width)
{
    QPushButton* button = makeButton(this, QString::fromUtf8(name), QString::fromUtf8(caption));
    placeTwips(button, left, kButtonTop, width, kButtonHeight);
    return button;
}

void FrmMain::Form_Load(const std::string& argumentText)
{
    StartupActions actions;
    actions.backup = [this] { unattendedBackup("\"auto\"", true); };
    actions.mapDrives = [this] { mapDrives("\"mapdrives\""); };
    runFormLoad(m_services, argumentText, actions);
    // After the load step's own reports: how things stand for someone who comes back to a PC
    // left alone, or how to begin.
    errorTrap(m_services.messageBox, " in Form_Load", [this] {
        std::vector<std::string> lines;
        if (!m_status.text().empty())
            lines.push_back(m_status.text());
        for (const std::string& line : startupReport(m_services.fileSystem, m_services.clock.now(),
                                                     mdlGlobalVariables::strBackupTime))
            lines.push_back(line);
        std::string text;
        for (const std::string& line : lines)
            text += (text.empty() ? "" : "\r\n") + line;
        m_status.setReport(text, lines);
    });
    showState();
}

// The tray's tool tip, renewed when the outcome or the daily time has changed.
void FrmMain::showState()
{
    const std::string state = stateText(m_lastOutcome, mdlGlobalVariables::strBackupTime);
    if (state != m_shownState)
        m_announcer->showState(state);
    m_shownState = state;
}

void FrmMain::cmdBackup_Click()
{
    backup("the Backup button");
}

// The Backup button's run keeps its message boxes: the user is there.
void FrmMain::backup(const std::string& trigger)
{
    runCommand([&](const Services& services,
                   StatusBox& status) { runBackupCommand(services, status, trigger); },
               [this] { noteOutcome(); });
}

void FrmMain::noteOutcome()
{
    const std::string text = m_status.text();
    m_lastOutcome = text.substr(0, text.find("\r\n"));
    showState();
}

// The daily time and "auto": no one is there to click, so no message box waits.
void FrmMain::unattendedBackup(const std::string& trigger, bool waitForNetwork)
{
    UnattendedResult result;
    runCommand(
        [&](const Services& services, StatusBox& status) {
            result = runUnattendedBackup(services, status, trigger, waitForNetwork);
        },
        [&] {
            // No one saw it end: the task bar and a notification say that it failed.
            if (result.outcome != BackupOutcome::Complete)
                m_announcer->backupFailed(result.firstProblem);
            noteOutcome();
        });
}

// A command runs on a thread of its own while the window paints and answers. Its buttons are
// off meanwhile, so that a click made during a run starts nothing, then or after it. They come
// back, and ended follows, as soon as the command ends, also while a message box opened
// meanwhile (Save's, say) still waits.
void FrmMain::runCommand(const std::function<void(const Services&, StatusBox&)>& command,
                         const std::function<void()>& ended)
{
    std::optional<Scheduler::Hold> busy(std::in_place, m_scheduler);
    const QPointer<QWidget> focused = QApplication::focusWidget();
    for (QPushButton* button : m_commandButtons)
        button->setEnabled(false);
    UiThreadMessageBox messageBox(m_services.messageBox);
    const Services services{m_services.fileSystem, m_services.network, m_services.clock,
                            m_services.codePage,   messageBox,         m_services.runLog};
    UiThreadStatusBox status(m_status);
    runInBackground([&] { command(services, status); },
                    [&] {
                        for (QPushButton* button : m_commandButtons)
                            button->setEnabled(true);
                        if (focused && focused->isEnabled())
                            focused->setFocus();
                        busy.reset();
                        if (ended)
                            ended();
                    });
    closeIfAskedDuringARun();
}

void FrmMain::cmdConfig_Click()
{
    errorTrap(m_services.messageBox, "", [this] {
        // An open window, minimised or not, is only brought forward, so unsaved edits stay
        // in its boxes.
        if (!m_frmConfig)
            m_frmConfig =
                new FrmConfig(this, m_services, m_folderDialog, mdlGlobalVariables::strBackupTime,
                              [this](QWidget* owner) {
                                  return new FrmDriveMapping(owner, m_services, m_folderDialog);
                              });
        bringToFront(m_frmConfig);
    });
}

void FrmMain::cmdMapDrives_Click()
{
    mapDrives("the Map Drives button");
}

void FrmMain::mapDrives(const char* trigger)
{
    runCommand([&](const Services& services, StatusBox& status) {
        tarnwell::cmdMapDrives_Click(services, status, strDriveLog, trigger);
    });
}

void FrmMain::cmdDisconnectDrives_Click()
{
    runCommand([&](const Services& services, StatusBox& status) {
        tarnwell::cmdDisconnectDrives_Click(services, status, strDriveLog);
    });
}

void FrmMain::cmdMinimize_Click()
{
    errorTrap(m_services.messageBox, "", [this] { showMinimized(); });
}

void FrmMain::cmdClose_Click()
{
    errorTrap(m_services.messageBox, " in cmdClose_Click", [this] { close(); });
}

void FrmMain::ctrTimer_Timer()
{
    m_scheduler.tick(m_services.clock.now(), mdlGlobalVariables::strBackupTime);
    showState();
    closeIfAskedDuringARun();
}

void FrmMain::closeIfAskedDuringARun()
{
    if (m_closeAfterRun && !m_scheduler.busy()) {
        m_closeAfterRun = false;
        close();
    }
}

void FrmMain::closeEvent(QCloseEvent* event)
{
    // The window frame's close still comes through while a run keeps the windows painted. The
    // run goes on either way, so the window waits for it: its outcome and message boxes are
    // seen, and the close follows.
    if (m_scheduler.busy()) {
        m_closeAfterRun = true;
        event->ignore();
        return;
    }
    // The main window going away ends the program: its owned windows close with it, and
    // without the timer no backup would ever run again.
    m_ctrTimer->stop();
    if (m_frmConfig)
        m_frmConfig->unloadAll();
    event->accept();
}

} // namespace tarnwell
