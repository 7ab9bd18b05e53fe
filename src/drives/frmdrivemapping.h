#pragma once

#include "platform/folderdialog.h"
#include "platform/services.h"

#include <QWidget>
#include <array>

class QLineEdit;
class QPushButton;

namespace tarnwell {

// The drive mapping window: ten rows of UNC path, drive, user name and password, records
// 31-70 of Config.dat. Loading it reads the file; closing it unloads it (WA_DeleteOnClose)
// without saving.
class FrmDriveMapping : public QWidget
{
    Q_OBJECT

public:
    // owner: the backup configuration window, in front of which it stays.
    FrmDriveMapping(QWidget* owner, const Services& services, FolderDialog& folderDialog);

private:
    struct Row
    {
        QLineEdit* txtP = nullptr;
        QLineEdit* txtDrive = nullptr;
        QLineEdit* txtUser = nullptr;
        QLineEdit* txtPass = nullptr;
    };

    void buildControls();
    void Form_Load();
    void cmdP_Click(const Row& row); // cmdP1_Click ... cmdP0_Click
    void cmdSave_Click();
    void cmdClose_Click();

    Services m_services;
    FolderDialog& m_folderDialog;
    std::array<Row, 10> m_rows{};
    QPushButton* m_cmdSave = nullptr;
};

} // namespace tarnwell
