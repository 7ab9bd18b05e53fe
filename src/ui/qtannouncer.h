#pragma once

#include "platform/announcer.h"

#include <QPointer>
#include <QWidget>

class QSystemTrayIcon;

namespace tarnwell {

// Flashes the window's task bar button and, where the desktop has a tray, shows a notification
// from a tray icon whose tool tip holds the state. A click on either restores the window.
// Without a tray (a bare X server, say) only the flash remains.
class QtAnnouncer : public Announcer
{
public:
    explicit QtAnnouncer(QWidget* window);
    ~QtAnnouncer() override;

    void backupFailed(const std::string& firstProblem) override;
    void showState(const std::string& state) override;

private:
    void restoreWindow();

    QPointer<QWidget> m_window;
    QSystemTrayIcon* m_tray = nullptr;
};

} // namespace tarnwell
