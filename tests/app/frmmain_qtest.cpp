#include "app/frmmain.h"
#include "app/globalvariables.h"
#include "config/settings.h"
#include "support/testworld.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

namespace tarnwell {

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

    void closeStopsTheTimer()
    {
        m_window->show();
        QTest::mouseClick(m_window->findChild<QPushButton*>(QStringLiteral("cmdClose")),
                          Qt::LeftButton);
        QVERIFY(!m_window->isVisible());
        QVERIFY(!m_window->findChild<QTimer*>(QStringLiteral("ctrTimer"))->isActive());
    }

private:
    std::unique_ptr<test::TestWorld> m_world;
    test::ScriptedFolderDialog m_dialog;
    std::unique_ptr<FrmMain> m_window;
};

} // namespace tarnwell

QTEST_MAIN(tarnwell::FrmMainTest)
#include "frmmain_qtest.moc"
