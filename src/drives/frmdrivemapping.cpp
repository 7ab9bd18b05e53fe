#include "drives/frmdrivemapping.h"

#include "config/browseforfolder.h"
#include "config/settings.h"
#include "platform/errortrap.h"
#include "ui/controls.h"
#include "ui/formlayout.h"
#include "ui/formload.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace tarnwell {

FrmDriveMapping::FrmDriveMapping(QWidget* owner, const Services& services,
                                 FolderDialog& folderDialog)
    : QWidget(owner, Qt::Dialog), m_services(services), m_folderDialog(folderDialog)
{
    setObjectName(QStringLiteral("frmDriveMapping"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Drive Mapping"));
    setClientTwips(this, 11295, 5895);
    buildControls();
    Form_Load();
}

void FrmDriveMapping::buildControls()
{
    const auto label = [this](const QString& name, const QString& caption, int left, int top,
                              int width, int height) {
        placeTwips(makeLabel(this, name, caption), left, top, width, height);
    };
    const auto button = [this](const QString& name, const QString& caption, int left, int top,
                               int width) {
        QPushButton* control = makeButton(this, name, caption);
        placeTwips(control, left, top, width, 375);
        return control;
    };
    const auto box = [this](const QString& name, int left, int top, int width) {
        QLineEdit* control = makeBox(this, name);
        placeTwips(control, left, top, width, 375);
        return control;
    };

    label(QStringLiteral("lblUNCPath"), QStringLiteral("UNC Path"), 960, 120, 4335, 375);
    label(QStringLiteral("lblDrive"), QStringLiteral("Drive"), 5400, 120, 975, 375);
    label(QStringLiteral("lblUser"), QStringLiteral("Username"), 6480, 120, 2295, 375);
    label(QStringLiteral("lblPass"), QStringLiteral("Password"), 8880, 120, 2295, 375);

    TabChain chain;

    for (int r = 1; r <= 10; ++r) {
        const int top = 600 + 480 * (r - 1);
        const QString number = QStringLiteral("%1").arg(r, 2, 10, QLatin1Char('0'));
        label(rowName("lbl", r), number, 120, top, 255, 255);
        QPushButton* cmdP = button(rowName("cmdP", r), QStringLiteral("P"), 480, top, 375);
        Row& row = m_rows[r - 1];
        row.txtP = box(rowName("txtP", r), 960, top, 4335);
        row.txtDrive = box(rowName("txtDrive", r), 5400, top, 975);
        row.txtUser = box(rowName("txtUser", r), 6480, top, 2295);
        row.txtPass = box(rowName("txtPass", r), 8880, top, 2295);
        connect(cmdP, &QPushButton::clicked, this, [this, &row] { cmdP_Click(row); });
        for (QWidget* control :
             {static_cast<QWidget*>(cmdP), static_cast<QWidget*>(row.txtP),
              static_cast<QWidget*>(row.txtDrive), static_cast<QWidget*>(row.txtUser),
              static_cast<QWidget*>(row.txtPass)})
            chain.add(control);
    }

    m_cmdSave = button(QStringLiteral("cmdSave"), QStringLiteral("Save"), 480, 5400, 4815);
    auto* cmdClose = button(QStringLiteral("cmdClose"), QStringLiteral("Close"), 5400, 5400, 5775);
    chain.add(m_cmdSave);
    chain.add(cmdClose);
    connect(m_cmdSave, &QPushButton::clicked, this, &FrmDriveMapping::cmdSave_Click);
    connect(cmdClose, &QPushButton::clicked, this, &FrmDriveMapping::cmdClose_Click);
    findChild<QPushButton*>(QStringLiteral("cmdP1"))->setFocus();
}

void FrmDriveMapping::Form_Load()
{
    try {
        const DriveTable table = readDriveTable(m_services.fileSystem, m_services.codePage);
        for (int k = 0; k < kRowCount; ++k) {
            m_rows[k].txtP->setText(QString::fromStdString(table[k].uncPath));
            m_rows[k].txtDrive->setText(QString::fromStdString(table[k].drive));
            m_rows[k].txtUser->setText(QString::fromStdString(table[k].userName));
            m_rows[k].txtPass->setText(QString::fromStdString(table[k].password));
        }
    } catch (const std::exception& failure) {
        reportLoadFailure(m_services.messageBox, failure, " in Form_Load", m_cmdSave);
    }
}

void FrmDriveMapping::cmdP_Click(const Row& row)
{
    errorTrap(m_services.messageBox, {}, [&] {
        const std::string folder =
            BrowseForFolder(m_folderDialog, m_services.messageBox, kUncPathPrompt);
        if (!folder.empty())
            row.txtP->setText(QString::fromStdString(folder));
    });
}

void FrmDriveMapping::cmdSave_Click()
{
    errorTrap(m_services.messageBox, {}, [this] {
        DriveTable table;
        for (int k = 0; k < kRowCount; ++k) {
            table[k].uncPath = m_rows[k].txtP->text().toStdString();
            table[k].drive = m_rows[k].txtDrive->text().toStdString();
            table[k].userName = m_rows[k].txtUser->text().toStdString();
            table[k].password = m_rows[k].txtPass->text().toStdString();
        }
        saveDriveTable(m_services.fileSystem, m_services.codePage, table);
        m_services.messageBox.show("Drive mapping information saved.", "Saved",
                                   MessageIcon::Information);
    });
}

void FrmDriveMapping::cmdClose_Click()
{
    errorTrap(m_services.messageBox, {}, [this] {
        hide();
        close();
    });
}

} // namespace tarnwell
