#include "ui/qtfolderdialog.h"

#include <QDir>
#include <QFileDialog>

namespace tarnwell {

std::string QtFolderDialog::chooseFolder(const std::string& prompt)
{
    const QString folder = QFileDialog::getExistingDirectory(
        nullptr, QString::fromStdString(prompt), QString(), QFileDialog::ShowDirsOnly);
    return QDir::toNativeSeparators(folder).toStdString();
}

} // namespace tarnwell
