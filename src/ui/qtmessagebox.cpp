#include "ui/qtmessagebox.h"

#include <QApplication>
#include <QMessageBox>

namespace tarnwell {

void QtMessageBox::show(const std::string& text, const std::string& title, MessageIcon icon)
{
    QMessageBox box(icon == MessageIcon::Information ? QMessageBox::Information
                                                     : QMessageBox::NoIcon,
                    QString::fromStdString(title), QString::fromStdString(text), QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
}

} // namespace tarnwell
