#pragma once

#include "config/frmconfig.h"
#include "config/windowtesting.h"
#include "drives/frmdrivemapping.h"

#include <QPointer>

namespace tarnwell::test {

// The main window's backup time, which it hands to frmConfig.
inline std::string strBackupTime;

// A stand-in main window on the in-memory workstation, from which the user opens frmConfig.
struct ConfigScene
{
    ConfigScene()
    {
        mainWindow.setObjectName(QStringLiteral("frmMain"));
        mainWindow.resize(200, 100);
        mainWindow.show();
    }

    // The main window's Config click: loads and shows the window, or brings it forward.
    FrmConfig* openConfig()
    {
        if (!config)
            config = new FrmConfig(&mainWindow, world.services, folders, strBackupTime,
                                   [this](QWidget* owner) {
                                       return new FrmDriveMapping(owner, world.services, folders);
                                   });
        config->show();
        config->raise();
        config->activateWindow();
        if (!waitActive(config))
            qFatal("frmConfig did not become active");
        return config;
    }

    QWidget* timeWindow() const
    {
        return mainWindow.findChild<QWidget*>(QStringLiteral("frmTime"));
    }

    TestWorld world;
    ScriptedFolderDialog folders;
    QWidget mainWindow;
    QPointer<FrmConfig> config;
};

} // namespace tarnwell::test
