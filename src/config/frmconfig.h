#pragma once

#include "platform/folderdialog.h"
#include "platform/services.h"

#include <QPointer>
#include <QWidget>
#include <array>
#include <functional>
#include <string>

class QLineEdit;
class QPushButton;

namespace tarnwell {

class FrmTime;

// The backup configuration window: ten folder pairs and the backup time, records 1-21 of
// Config.dat. Loading it reads the file; closing it unloads it (WA_DeleteOnClose, so hold it
// in a QPointer) without saving. Owns the drive mapping window; the time window it opens is
// owned by the main window.
class FrmConfig : public QWidget
{
    Q_OBJECT

public:
    // Creates the drive mapping window, owned by the given window. The drive mapping window
    // sits above this one, so whoever opens this window hands it in.
    using OpenDriveMapping = std::function<QWidget*(QWidget* owner)>;

    // backupTime: the main window's strBackupTime, which loading and saving set.
    FrmConfig(QWidget* mainWindow, const Services& services, FolderDialog& folderDialog,
              std::string& backupTime, OpenDriveMapping openDriveMapping);

    // The main window's Close: unloads the time window, the drive mapping window and this
    // window, saving nothing.
    void unloadAll();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void Form_Load();
    void browse(QLineEdit* box, const char* prompt); // cmdS?_Click and cmdT?_Click
    void cmdSave_Click();
    void cmdGetTime_Click();
    void cmdClearTime_Click();
    void cmdMapDrive_Click();
    void cmdClose_Click();

    QPointer<QWidget> m_mainWindow;
    Services m_services;
    FolderDialog& m_folderDialog;
    std::string& strBackupTime;
    OpenDriveMapping m_openDriveMapping;
    bool m_unloading = false;

    std::array<QLineEdit*, 10> m_txtS{};
    std::array<QLineEdit*, 10> m_txtT{};
    QLineEdit* m_txtTime = nullptr;
    QPushButton* m_cmdSave = nullptr;
    QPushButton* m_cmdClose = nullptr;

    QPointer<FrmTime> m_frmTime;
    QPointer<QWidget> m_frmDriveMapping;
};

} // namespace tarnwell
