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
    frmMain.Form_Load(tarnwell::argumentText(arguments));
    frmMain.show();
    return QApplication::exec();
}
