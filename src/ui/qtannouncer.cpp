#include "ui/qtannouncer.h"

#include <QApplication>
#include <QSystemTrayIcon>

namespace tarnwell {

QtAnnouncer::QtAnnouncer(QWidget* window) : m_window(window)
{
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return;
    m_tray = new QSystemTrayIcon(window->windowIcon(), window);
    QObject::connect(m_tray, &QSystemTrayIcon::messageClicked, window, [this] { restoreWindow(); });
    QObject::connect(m_tray, &QSystemTrayIcon::activated, window,
                     [this](QSystemTrayIcon::ActivationReason reason) {
                         if (reason == QSystemTrayIcon::Trigger ||
                             reason == QSystemTrayIcon::DoubleClick)
                             restoreWindow();
                     });
    m_tray->show();
}

QtAnnouncer::~QtAnnouncer() = default; // the tray icon goes with the window

void QtAnnouncer::backupFailed(const std::string& firstProblem)
{
    if (m_window)
        QApplication::alert(m_window);
    if (m_tray)
        m_tray->showMessage(QStringLiteral("Backup finished with errors"),
                            QString::fromStdString(firstProblem), QSystemTrayIcon::Warning);
}

void QtAnnouncer::showState(const std::string& state)
{
    if (m_tray)
        m_tray->setToolTip(QString::fromStdString(state));
}

void QtAnnouncer::restoreWindow()
{
    if (!m_window)
        return;
    m_window->showNormal();
    m_window->raise();
    m_window->activateWindow();
}

} // namespace tarnwell
