#include "config/frmconfig.h"

#include "config/browseforfolder.h"
#include "config/frmtime.h"
#include "config/settings.h"
#include "platform/errortrap.h"
#include "ui/controls.h"
#include "ui/formlayout.h"
#include "ui/formload.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace tarnwell {

FrmConfig::FrmConfig(QWidget* mainWindow, const Services& services, FolderDialog& folderDialog,
                     std::string& backupTime, OpenDriveMapping openDriveMapping)
    : QWidget(mainWindow, Qt::Dialog), m_mainWindow(mainWindow), m_services(services),
      m_folderDialog(folderDialog), strBackupTime(backupTime),
      m_openDriveMapping(std::move(openDriveMapping))
{
    // Owned windows are dialog-kind: X11 keeps only those in front of their owner.
    setObjectName(QStringLiteral("frmConfig"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Tarnwell Backup Configuration"));
    setClientTwips(this, 10440, 5760);
    buildControls();
    Form_Load();
}

void FrmConfig::buildControls()
{
    placeTwips(makeLabel(this, QStringLiteral("lblSource"), QStringLiteral("Source Folder")), 960,
               120, 4335, 375);
    placeTwips(makeLabel(this, QStringLiteral("lblTarget"), QStringLiteral("Target Folder")), 6000,
               120, 4335, 375);

    TabChain chain;

    for (int row = 1; row <= 10; ++row) {
        const int top = 480 * row;
        const QString number = QStringLiteral("%1").arg(row, 2, 10, QLatin1Char('0'));
        placeTwips(makeLabel(this, rowName("lbl", row), number), 120, top, 255, 255);

        QPushButton* cmdS = makeButton(this, rowName("cmdS", row), QStringLiteral("S"));
        QLineEdit* txtS = makeBox(this, rowName("txtS", row));
        QPushButton* cmdT = makeButton(this, rowName("cmdT", row), QStringLiteral("T"));
        QLineEdit* txtT = makeBox(this, rowName("txtT", row));
        placeTwips(cmdS, 480, top, 375, 375);
        placeTwips(txtS, 960, top, 4335, 375);
        placeTwips(cmdT, 5520, top, 375, 375);
        placeTwips(txtT, 6000, top, 4335, 375);
        connect(cmdS, &QPushButton::clicked, this, [this, txtS] { browse(txtS, kSourcePrompt); });
        connect(cmdT, &QPushButton::clicked, this, [this, txtT] { browse(txtT, kTargetPrompt); });
        m_txtS[row - 1] = txtS;
        m_txtT[row - 1] = txtT;
        for (QWidget* control : {static_cast<QWidget*>(cmdS), static_cast<QWidget*>(txtS),
                                 static_cast<QWidget*>(cmdT), static_cast<QWidget*>(txtT)})
            chain.add(control);
    }

    placeTwips(makeLabel(this, QStringLiteral("lblTime"), QStringLiteral("Time To Backup")), 480,
               5280, 1815, 375);
    auto* cmdGetTime = makeButton(this, QStringLiteral("cmdGetTime"), QStringLiteral("[>]"));
    cmdGetTime->setToolTip(QStringLiteral("Click here to set the time for the auto backup"));
    auto* cmdClearTime = makeButton(this, QStringLiteral("cmdClearTime"), QStringLiteral("X"));
    cmdClearTime->setToolTip(QStringLiteral("Click here to clear the auto backup time"));
    m_txtTime = makeBox(this, QStringLiteral("txtTime"));
    m_txtTime->setReadOnly(true);
    m_txtTime->setToolTip(QStringLiteral("Time for the daily auto backup"));
    m_cmdSave = makeButton(this, QStringLiteral("cmdSave"), QStringLiteral("Save"));
    auto* cmdMapDrive =
        makeButton(this, QStringLiteral("cmdMapDrive"), QStringLiteral("Drive Mapping"));
    m_cmdClose = makeButton(this, QStringLiteral("cmdClose"), QStringLiteral("Close"));

    placeTwips(cmdGetTime, 2280, 5280, 495, 375);
    placeTwips(cmdClearTime, 2880, 5280, 375, 375);
    placeTwips(m_txtTime, 3360, 5280, 1935, 375);
    placeTwips(m_cmdSave, 5400, 5280, 1455, 375);
    placeTwips(cmdMapDrive, 6960, 5280, 1815, 375);
    placeTwips(m_cmdClose, 8880, 5280, 1455, 375);
    for (QWidget* control : {static_cast<QWidget*>(cmdGetTime), static_cast<QWidget*>(cmdClearTime),
                             static_cast<QWidget*>(m_txtTime), static_cast<QWidget*>(m_cmdSave),
                             static_cast<QWidget*>(cmdMapDrive), static_cast<QWidget*>(m_cmdClose)})
        chain.add(control);

    connect(cmdGetTime, &QPushButton::clicked, this, &FrmConfig::cmdGetTime_Click);
    connect(cmdClearTime, &QPushButton::clicked, this, &FrmConfig::cmdClearTime_Click);
    connect(m_cmdSave, &QPushButton::clicked, this, &FrmConfig::cmdSave_Click);
    connect(cmdMapDrive, &QPushButton::clicked, this, &FrmConfig::cmdMapDrive_Click);
    connect(m_cmdClose, &QPushButton::clicked, this, &FrmConfig::cmdClose_Click);
    findChild<QPushButton*>(QStringLiteral("cmdS1"))->setFocus();
}

void FrmConfig::Form_Load()
{
    try {
        // Every read comes before any box is filled, so a failure leaves them all empty.
        const FolderPairs pairs = readFolderPairs(m_services.fileSystem, m_services.codePage);
        strBackupTime = readBackupTime(m_services.fileSystem, m_services.codePage);
        for (int k = 0; k < kRowCount; ++k) {
            m_txtS[k]->setText(QString::fromStdString(pairs.sources[k]));
            m_txtT[k]->setText(QString::fromStdString(pairs.targets[k]));
        }
        m_txtTime->setText(QString::fromStdString(strBackupTime));
    } catch (const std::exception& failure) {
        reportLoadFailure(m_services.messageBox, failure, {}, m_cmdSave);
    }
}

void FrmConfig::browse(QLineEdit* box, const char* prompt)
{
    errorTrap(m_services.messageBox, {}, [&] {
        const std::string folder = BrowseForFolder(m_folderDialog, m_services.messageBox, prompt);
        if (!folder.empty())
            box->setText(QString::fromStdString(folder));
    });
}

void FrmConfig::cmdSave_Click()
{
    errorTrap(m_services.messageBox, {}, [this] {
        FolderPairs pairs;
        for (int k = 0; k < kRowCount; ++k) {
            pairs.sources[k] = m_txtS[k]->text().toStdString();
            pairs.targets[k] = m_txtT[k]->text().toStdString();
        }
        // The scheduler takes the new time even if writing the file fails.
        strBackupTime = m_txtTime->text().toStdString();
        saveFolderPairsAndTime(m_services.fileSystem, m_services.codePage, pairs, strBackupTime);
        m_services.messageBox.show("Configuration saved to data file", "Saved",
                                   MessageIcon::Information);
    });
}

void FrmConfig::cmdGetTime_Click()
{
    errorTrap(m_services.messageBox, {}, [this] {
        if (!m_frmTime)
            m_frmTime = new FrmTime(m_mainWindow, m_txtTime, m_cmdClose, m_services.messageBox);
        bringToFront(m_frmTime);
    });
}

void FrmConfig::cmdClearTime_Click()
{
    m_txtTime->clear();
}

void FrmConfig::cmdMapDrive_Click()
{
    errorTrap(m_services.messageBox, " in cmdMapDrive_Click", [this] {
        // Asked again while open, it only comes forward: unsaved edits stay.
        if (!m_frmDriveMapping)
            m_frmDriveMapping = m_openDriveMapping(this);
        bringToFront(m_frmDriveMapping);
    });
}

void FrmConfig::cmdClose_Click()
{
    close();
}

void FrmConfig::closeEvent(QCloseEvent* event)
{
    // The window frame closes like the Close button, and not while the time window is open.
    if (!m_unloading && !m_cmdClose->isEnabled()) {
        event->ignore();
        return;
    }
    event->accept();
    hide();
    if (m_mainWindow && !m_unloading)
        m_mainWindow->activateWindow();
}

void FrmConfig::unloadAll()
{
    m_unloading = true;
    if (m_frmTime)
        m_frmTime->close();
    if (m_frmDriveMapping)
        m_frmDriveMapping->close();
    close();
}

} // namespace tarnwell
