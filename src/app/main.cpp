#include "app/frmmain.h"
#include "app/startup.h"
#include "platform/runlog.h"
#include "platform/services.h"
#include "ui/qtfolderdialog.h"
#include "ui/qtmessagebox.h"

#include <QApplication>
#include <string>
#include <vector>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);

    tarnwell::SystemServices system = tarnwell::makeSystemServices();
    tarnwell::QtMessageBox messageBox;
    tarnwell::QtFolderDialog folderDialog;
    // A log that cannot be written costs the window nothing; the status box has the outcome.
    tarnwell::RunLog runLog(*system.logFile, *system.clock);
    const tarnwell::Services services{*system.fileSystem, *system.network, *system.clock,
                                      *system.codePage,   messageBox,      &runLog,
                                      system.power.get()};

    // Qt has already taken its own options out of the arguments.
    std::vector<std::string> arguments;
    const QStringList given = QApplication::arguments();
    for (qsizetype i = 1; i < given.size(); ++i)
        arguments.push_back(given[i].toStdString());

    tarnwell::FrmMain frmMain(services, folderDialog);
    // Shown first: the start word's command runs while the window answers, and a run at logon
    // may wait a while for the network, which the status box says.
    frmMain.show();
    frmMain.Form_Load(tarnwell::argumentText(arguments));
    return QApplication::exec();
}
