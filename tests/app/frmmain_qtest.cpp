#include "app/frmmain.h"
#include "app/globalvariables.h"
#include "config/settings.h"
#include "config/windowtesting.h"
#include "platform/announcer.h"
#include "platform/error.h"
#include "support/testworld.h"
#include "ui/formlayout.h"

#include <QElapsedTimer>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

namespace tarnwell {

namespace {

// Advance widths in pixels of "MS Sans Serif", the font the layouts are made for, as Windows
// draws it at 96 dpi, for the characters from " " to "~": the 8 point face for the buttons'
// 8.25 points, the 10 point face for the labels' 9.75 points. Each is the larger of the widths
// of Wine's copy of the font and of a pixel copy of Windows' own, so never narrower than
// Windows. Windows makes bold by drawing each character twice, one pixel apart: one pixel more
// per character.
constexpr int kMsSansSerif8[95] = {3, 3, 5, 7, 6, 8, 6, 2, 3, 3, 4, 6, 3, 3,  3, 5, 6, 6,  6,
                                   6, 6, 6, 6, 6, 6, 6, 3, 3, 6, 6, 6, 6, 11, 8, 7, 7, 8,  7,
                                   6, 8, 8, 3, 5, 7, 6, 9, 8, 8, 7, 8, 8, 7,  7, 8, 8, 12, 8,
                                   8, 8, 3, 5, 3, 6, 7, 3, 6, 6, 6, 6, 6, 3,  6, 6, 2, 2,  6,
                                   2, 8, 6, 6, 6, 6, 3, 5, 3, 6, 6, 8, 5, 5,  5, 4, 2, 4,  7};
constexpr int kMsSansSerif10[95] = {
    3, 3,  5,  7, 7, 12, 9, 3,  4,  4, 5, 7, 3,  4, 3, 4,  7,  7, 7, 7, 7, 7,  7,  7,
    7, 7,  3,  3, 7, 7,  7, 7,  14, 9, 9, 9, 10, 9, 8, 10, 10, 3, 7, 8, 7, 11, 10, 10,
    9, 10, 10, 9, 9, 10, 9, 13, 8,  9, 8, 4, 4,  4, 7, 7,  4,  8, 8, 7, 8, 8,  3,  8,
    7, 3,  3,  7, 3, 11, 7, 8,  8,  8, 4, 7, 3,  7, 7, 9,  6,  7, 6, 5, 3, 5,  9};

// The width of a bold caption in one of the faces above; -1 for a character outside them.
int msSansSerifBoldWidth(const int (&face)[95], const QString& caption)
{
    int width = 0;
    for (const QChar c : caption) {
        if (c.unicode() < 32 || c.unicode() > 126)
            return -1;
        width += face[c.unicode() - 32] + 1;
    }
    return width;
}

// The caption of a label or a button, or a null text.
QString captionOf(const QWidget* control)
{
    if (const auto* label = qobject_cast<const QLabel*>(control))
        return label->text();
    if (const auto* button = qobject_cast<const QPushButton*>(control))
        return button->text();
    return {};
}

} // namespace

class FrmMainTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_world = std::make_unique<test::TestWorld>();
        m_window = std::make_unique<FrmMain>(m_world->services, m_dialog);
        mdlGlobalVariables::strBackupTime.clear();
    }
    void cleanup()
    {
        m_window.reset();
        m_world.reset();
    }

    void captionIconAndClientSize()
    {
        QCOMPARE(m_window->objectName(), QStringLiteral("frmMain"));
        QCOMPARE(
            m_window->windowTitle(),
            QStringLiteral("Tarnwell Backup (Minimize Me And Leave Me Running To Auto Backup)"));
        QVERIFY(!m_window->windowIcon().isNull());
        QCOMPARE(m_window->windowIcon().pixmap(32, 32).size(), QSize(32, 32));
        QCOMPARE(m_window->size(), QSize(544, 137)); // 8160 x 2055 twips
    }

    void buttonsStandInOneRow_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QRect>("geometry");
        QTest::newRow("backup") << "cmdBackup"
                                << "Backup" << QRect(8, 96, 89, 33);
        QTest::newRow("config") << "cmdConfig"
                                << "Config" << QRect(104, 96, 65, 33);
        QTest::newRow("map") << "cmdMapDrives"
                             << "Map Drives" << QRect(176, 96, 89, 33);
        QTest::newRow("disconnect") << "cmdDisconnectDrives"
                                    << "Disconnect Drives" << QRect(272, 96, 129, 33);
        QTest::newRow("minimize") << "cmdMinimize"
                                  << "\\/" << QRect(432, 96, 33, 33);
        QTest::newRow("close") << "cmdClose"
                               << "Close" << QRect(472, 96, 65, 33);
    }
    void buttonsStandInOneRow()
    {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QFETCH(QRect, geometry);
        auto* button = m_window->findChild<QPushButton*>(name);
        QVERIFY(button);
        QCOMPARE(button->text(), caption);
        QCOMPARE(button->geometry(), geometry);
        QVERIFY(button->font().bold());
        QCOMPARE(button->font().pointSizeF(), 8.25);
    }

    void statusBoxAndTimer()
    {
        auto* box = m_window->findChild<QPlainTextEdit*>(QStringLiteral("txtMessage"));
        QVERIFY(box);
        QCOMPARE(box->geometry(), QRect(8, 8, 529, 81));
        QVERIFY(box->isReadOnly());
        QVERIFY(box->toPlainText().isEmpty());
        QCOMPARE(box->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        QCOMPARE(m_window->findChild<QPushButton*>(QStringLiteral("cmdMinimize"))->toolTip(),
                 QStringLiteral("Minimize"));
        auto* timer = m_window->findChild<QTimer*>(QStringLiteral("ctrTimer"));
        QVERIFY(timer);
        QCOMPARE(timer->interval(), 1000);
        QVERIFY(timer->isActive());
    }

    void tabOrderStartsAtBackup()
    {
        m_window->show();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        const QStringList expected = {"cmdBackup",           "cmdConfig",   "cmdMapDrives",
                                      "cmdDisconnectDrives", "cmdMinimize", "cmdClose",
                                      "txtMessage"};
        for (const QString& name : expected) {
            QCOMPARE(QApplication::focusWidget()->objectName(), name);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("cmdBackup"));
    }

    void loadReadsTheTimeOrReportsOnce()
    {
        m_window->Form_Load("");
        QCOMPARE(m_world->messageBox.texts(),
                 std::vector<std::string>{"53 File not found in Form_Load"});

        saveFolderPairsAndTime(m_world->fileSystem, m_world->codePage, FolderPairs{},
                               " 1:00:00 AM ");
        m_world->messageBox.messages.clear();
        m_window->Form_Load("AUTO");
        QVERIFY(m_world->messageBox.messages.empty());
        QCOMPARE(mdlGlobalVariables::strBackupTime, std::string("1:00:00 AM"));
    }

    void backupButtonCopiesAndReports()
    {
        m_world->fileSystem.addFile("C:\\Data\\a.txt", "alpha");
        FolderPairs pairs;
        pairs.sources[0] = "C:\\Data";
        pairs.targets[0] = "C:\\Backup";
        saveFolderPairsAndTime(m_world->fileSystem, m_world->codePage, pairs, "");
        m_world->clock.current = {2026, 12, 7, 13, 5, 0};

        QTest::mouseClick(m_window->findChild<QPushButton*>(QStringLiteral("cmdBackup")),
                          Qt::LeftButton);
        QCOMPARE(m_world->fileSystem.contentOf("C:\\Backup\\Data\\a.txt"), std::string("alpha"));
        QCOMPARE(m_window->status().text(),
                 std::string("Backups Complete at 1:05:00 PM, on 12/7/2026"));
    }

    void autoRunsTheBackupAndTheTimerStartsItAtItsSecond()
    {
        FolderPairs pairs;
        pairs.sources[0] = "C:\\Missing";
        pairs.targets[0] = "C:\\Backup";
        m_world->fileSystem.addFolder("C:\\Backup");
        saveFolderPairsAndTime(m_world->fileSystem, m_world->codePage, pairs, "1:05:00 PM");

        m_window->Form_Load("auto");
        const std::string failed = "Error! , C:\\Missing is not a valid source)";
        QCOMPARE(m_window->status().text(),
                 failed + "\r\nNo complete backup is recorded in Tarnwell.log.");
        QCOMPARE(mdlGlobalVariables::strBackupTime, std::string("1:05:00 PM"));

        m_window->status().setText("");
        m_world->clock.current = {2026, 12, 7, 13, 4, 59};
        m_window->ctrTimer_Timer();
        QCOMPARE(m_window->status().text(), std::string());
        m_world->clock.current.minute = 5;
        m_world->clock.current.second = 0;
        m_window->ctrTimer_Timer();
        QCOMPARE(m_window->status().text(), failed);
    }

    void driveButtonsReportInTheStatusBox()
    {
        m_world->network.addShare("\\\\srv\\data");
        DriveTable table;
        table[0] = {"\\\\srv\\data", "M", "ann", "secret"};
        saveDriveTable(m_world->fileSystem, m_world->codePage, table);
        auto* box = m_window->findChild<QPlainTextEdit*>(QStringLiteral("txtMessage"));

        QTest::mouseClick(m_window->findChild<QPushButton*>(QStringLiteral("cmdMapDrives")),
                          Qt::LeftButton);
        QCOMPARE(box->toPlainText(), QStringLiteral("M: drive was mapped successfully.  \n"));
        QCOMPARE(m_window->driveLog(), std::string("M: drive was mapped successfully.  \r\n"));

        QTest::mouseClick(m_window->findChild<QPushButton*>(QStringLiteral("cmdDisconnectDrives")),
                          Qt::LeftButton);
        QCOMPARE(box->toPlainText(), QStringLiteral("M: Disconnected.\n"));
        QVERIFY(m_world->messageBox.messages.empty());
    }

    void configOpensOnceAndCloseUnloadsIt()
    {
        m_window->show();
        auto* config = m_window->findChild<QPushButton*>(QStringLiteral("cmdConfig"));
        QTest::mouseClick(config, Qt::LeftButton);
        QPointer<QWidget> frmConfig = m_window->findChild<QWidget*>(QStringLiteral("frmConfig"));
        QVERIFY(frmConfig && frmConfig->isVisible());
        QVERIFY(frmConfig->isWindow());
        QVERIFY(test::keptInFrontOf(frmConfig, m_window.get()));
        QCOMPARE(m_world->messageBox.texts().size(), 1u); // its load reports the missing file

        // A second click brings the open window forward without reading the file again.
        auto* source = frmConfig->findChild<QLineEdit*>(QStringLiteral("txtS1"));
        source->setText(QStringLiteral("typed, not saved"));
        QTest::mouseClick(config, Qt::LeftButton);
        QCOMPARE(m_window->findChild<QWidget*>(QStringLiteral("frmConfig")), frmConfig.data());
        QCOMPARE(source->text(), QStringLiteral("typed, not saved"));
        QCOMPARE(m_world->messageBox.texts().size(), 1u);
        // Brought forward from the task bar too.
        frmConfig->showMinimized();
        QTest::mouseClick(config, Qt::LeftButton);
        QVERIFY(frmConfig->isVisible() && !frmConfig->isMinimized());
        QCOMPARE(source->text(), QStringLiteral("typed, not saved"));

        QTest::mouseClick(m_window->findChild<QPushButton*>(QStringLiteral("cmdClose")),
                          Qt::LeftButton);
        QTRY_VERIFY(frmConfig.isNull());
        QVERIFY(!m_window->isVisible());
    }

    void closeDuringARunWaitsForItsEnd()
    {
        // Whether the main window was still open when each message box came up, on its thread.
        struct WatchingMessageBox : MessageBox
        {
            void show(const std::string&, const std::string&, MessageIcon) override
            {
                openAtMessage.push_back(window->isVisible() &&
                                        QThread::currentThread() == window->thread());
            }
            QWidget* window = nullptr;
            std::vector<bool> openAtMessage;
        } messageBox;
        test::TestWorld& world = *m_world;
        const Services services{world.fileSystem, world.network, world.clock, world.codePage,
                                messageBox};
        FrmMain window(services, m_dialog);
        messageBox.window = &window;

        // Pair 1 copies, and its progress lets the frame's close in; pair 2 then fails with a
        // message box.
        world.fileSystem.addFile("C:\\Data\\a.txt", "alpha");
        world.fileSystem.addFile("C:\\Other\\b.txt", "beta");
        FolderPairs pairs;
        pairs.sources[0] = "C:\\Data";
        pairs.targets[0] = "C:\\Backup";
        pairs.sources[1] = "C:\\Other";
        pairs.targets[1] = "C:\\Backup";
        saveFolderPairsAndTime(world.fileSystem, world.codePage, pairs, "");
        world.fileSystem.failOn(test::MemoryFileSystem::Operation::MakeDirectory,
                                "C:\\Backup\\Other", ErrorNumber::DiskFull);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        QCoreApplication::postEvent(window.windowHandle(), new QCloseEvent);
        window.cmdBackup_Click();
        QCOMPARE(world.fileSystem.contentOf("C:\\Backup\\Data\\a.txt"), std::string("alpha"));
        QCOMPARE(messageBox.openAtMessage, std::vector<bool>{true});
        QCOMPARE(window.status().text(),
                 std::string("Error! , 61 Disk full (C:\\Other C:\\Backup"));
        QVERIFY(!window.isVisible());
    }

    // Coming back to a PC left alone: the start-up says how things stand, a daily backup that
    // failed is announced and the tray's tool tip says so; the Backup button's run is not.
    void leftAloneTheStartSaysHowThingsStandAndAFailureIsAnnounced()
    {
        struct RecordingAnnouncer : Announcer
        {
            void backupFailed(const std::string& problem) override { failures.push_back(problem); }
            void showState(const std::string& shown) override { state = shown; }
            std::vector<std::string> failures;
            std::string state;
        } announcer;
        test::TestWorld& world = *m_world;
        world.clock.current = {2026, 12, 7, 13, 4, 59};
        FrmMain firstStart(world.services, m_dialog, &announcer);
        firstStart.Form_Load("");
        QCOMPARE(firstStart.status().text(),
                 std::string("To begin: click Config, fill in the folder pairs (S and T browse for "
                             "a source and a target folder), set the daily time with [>], and "
                             "Save."));

        world.fileSystem.addFile("Tarnwell.log",
                                 "=== 2026-12-04 13:05:00 backup, started by the daily time\n"
                                 "=== 2026-12-04 13:06:30 backup, started by the Backup button\n"
                                 "refused: another backup or drive command is running\n\n"
                                 "Outcome: Backups Complete at 1:05:09 PM, on 12/4/2026\n\n"
                                 "=== 2026-12-05 13:05:00 backup, started by the daily time\n"
                                 "Outcome: Error! , C:\\Missing is not a valid source)\n\n");
        FolderPairs pairs;
        pairs.sources[0] = "C:\\Missing";
        pairs.targets[0] = "C:\\Backup";
        world.fileSystem.addFolder("C:\\Backup");
        saveFolderPairsAndTime(world.fileSystem, world.codePage, pairs, "1:05:00 PM");
        FrmMain window(world.services, m_dialog, &announcer);
        window.Form_Load("");
        QCOMPARE(window.status().text(),
                 std::string("Last complete backup: 2026-12-04 13:05.\r\nNo backup has completed "
                             "for more than two days: Tarnwell.log (tarnwell-cli log) says why."));

        window.ctrTimer_Timer();
        world.clock.current = {2026, 12, 7, 13, 5, 0};
        window.ctrTimer_Timer();
        QCOMPARE(announcer.failures.size(), 1u);
        QVERIFY(announcer.failures[0].find("C:\\Missing") != std::string::npos);
        QVERIFY(announcer.state.find("Error! , C:\\Missing") != std::string::npos);
        QVERIFY(announcer.state.find("1:05:00 PM") != std::string::npos);
        window.cmdBackup_Click();
        QCOMPARE(announcer.failures.size(), 1u);
    }

    // A server that does not answer holds the mapping; the window goes on answering, and the
    // clicks on Backup made meanwhile start no backup, then or after it.
    void answersWhileAMappingHangsAndDropsItsClicks()
    {
        struct HangingNetwork : Network
        {
            explicit HangingNetwork(Network& real) : real(real) {}
            int connect(const std::string& local, const std::string& remote,
                        const std::string& user, const std::string& password,
                        bool remember) override
            {
                hanging = true;
                for (int waited = 0; waited < 3000 && !released; waited += 5)
                    std::this_thread::sleep_for(std::chrono::milliseconds(5));
                return real.connect(local, remote, user, password, remember);
            }
            int cancel(const std::string& local, bool forget, bool force) override
            {
                return real.cancel(local, forget, force);
            }
            int lastError() const override { return real.lastError(); }
            Network& real;
            std::atomic<bool> hanging{false}, released{false};
        };
        test::TestWorld& world = *m_world;
        HangingNetwork network(world.network);
        const Services services{world.fileSystem, network, world.clock, world.codePage,
                                world.messageBox};
        FrmMain window(services, m_dialog);
        world.network.addShare("\\\\srv\\data");
        DriveTable table;
        table[0] = {"\\\\srv\\data", "M", "ann", "secret"};
        saveDriveTable(world.fileSystem, world.codePage, table);
        FolderPairs pairs; // what a backup would copy
        pairs.sources[0] = "C:\\Data";
        pairs.targets[0] = "C:\\Backup";
        saveFolderPairsAndTime(world.fileSystem, world.codePage, pairs, "");
        world.fileSystem.addFile("C:\\Data\\a.txt", "alpha");
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        // Every 100 ms the window's own thread notes the time, as it does for a paint or a key.
        QElapsedTimer clock;
        qint64 last = 0;
        qint64 longestGap = 0;
        QTimer beat;
        connect(&beat, &QTimer::timeout, [&] {
            longestGap = std::max(longestGap, clock.elapsed() - last);
            last = clock.elapsed();
        });
        bool offDuringTheRun = false;
        QTimer::singleShot(0, [&] {
            if (!QTest::qWaitFor([&] { return network.hanging.load(); }))
                return;
            clock.start();
            beat.start(100);
            auto* backup = window.findChild<QPushButton*>(QStringLiteral("cmdBackup"));
            offDuringTheRun = !backup->isEnabled();
            QTest::mouseClick(backup, Qt::LeftButton);
            QTest::qWait(1500);
            QTest::mouseClick(backup, Qt::LeftButton);
            network.released = true;
        });
        window.cmdMapDrives_Click();
        QTest::qWait(200);
        beat.stop();
        QVERIFY2(last >= 1500 && longestGap < 1000, qPrintable(QString::number(longestGap)));
        QCOMPARE(window.status().text(), std::string("M: drive was mapped successfully.  \r\n"));
        QVERIFY(!world.fileSystem.exists("C:\\Backup"));
        QVERIFY(offDuringTheRun);
        QVERIFY(window.findChild<QPushButton*>(QStringLiteral("cmdBackup"))->isEnabled());
    }

    // What the user sees of the four windows: every caption whole, in the fonts this system
    // draws with (under Wine a wider stand-in for MS Sans Serif, on Linux a sans-serif), and in
    // MS Sans Serif as Windows draws it, at the sizes the layouts give.
    void everyCaptionFitsItsControl()
    {
        const QList<QWidget*> windows = openEveryWindow();
        QCOMPARE(windows.size(), 4);
        int captions = 0;
        QStringList clipped;
        for (const QWidget* window : windows) {
            for (const QWidget* control :
                 window->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
                const QString caption = captionOf(control);
                if (caption.isEmpty())
                    continue;
                ++captions;
                const QString where = window->objectName() + "." + control->objectName();
                // Qt's offscreen platform under Wine has no fonts at all: nothing to measure.
                const int drawn = control->fontMetrics().horizontalAdvance(caption);
                if (!QFontDatabase::families().isEmpty() && drawn > captionRoom(control))
                    clipped << QString("%1: %2 > %3 pixels in %4")
                                   .arg(where)
                                   .arg(drawn)
                                   .arg(captionRoom(control))
                                   .arg(control->fontInfo().family());
                // In Windows' own font the layout holds as it is: a label has its whole width,
                // a button its width less its frame and margins, three pixels a side.
                const bool label = qobject_cast<const QLabel*>(control) != nullptr;
                const int windows =
                    msSansSerifBoldWidth(label ? kMsSansSerif10 : kMsSansSerif8, caption);
                const int room = control->width() - (label ? 0 : 6);
                if (windows < 0 || windows > room)
                    clipped << QString("%1: %2 > %3 pixels in MS Sans Serif on Windows")
                                   .arg(where)
                                   .arg(windows)
                                   .arg(room);
            }
        }
        QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join("; ")));
        QCOMPARE(captions, 6 + (13 + 25) + (8 + 2) + (14 + 12)); // main, config, time, drives
    }

    void closeStopsTheTimer()
    {
        m_window->show();
        QTest::mouseClick(m_window->findChild<QPushButton*>(QStringLiteral("cmdClose")),
                          Qt::LeftButton);
        QVERIFY(!m_window->isVisible());
        QVERIFY(!m_window->findChild<QTimer*>(QStringLiteral("ctrTimer"))->isActive());
    }

private:
    // Opens the four windows as the user does: Config, then in it the time button and Drive
    // Mapping.
    QList<QWidget*> openEveryWindow()
    {
        m_window->show();
        QTest::mouseClick(m_window->findChild<QPushButton*>(QStringLiteral("cmdConfig")),
                          Qt::LeftButton);
        auto* config = m_window->findChild<QWidget*>(QStringLiteral("frmConfig"));
        if (!config)
            return {};
        QTest::mouseClick(config->findChild<QPushButton*>(QStringLiteral("cmdGetTime")),
                          Qt::LeftButton);
        QTest::mouseClick(config->findChild<QPushButton*>(QStringLiteral("cmdMapDrive")),
                          Qt::LeftButton);
        QList<QWidget*> windows = {m_window.get(), config};
        for (const char* name : {"frmTime", "frmDriveMapping"}) {
            if (auto* window = m_window->findChild<QWidget*>(QString::fromUtf8(name)))
                windows.append(window);
        }
        return windows;
    }

    std::unique_ptr<test::TestWorld> m_world;
    test::ScriptedFolderDialog m_dialog;
    std::unique_ptr<FrmMain> m_window;
};

} // namespace tarnwell

QTEST_MAIN(tarnwell::FrmMainTest)
#include "frmmain_qtest.moc"
