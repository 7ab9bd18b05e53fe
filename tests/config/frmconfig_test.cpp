#include "config/configscene.h"

#include <QLabel>
#include <QPushButton>
#include <memory>

using namespace tarnwell;
using namespace tarnwell::test;

namespace {

// Records 1-21 with a text per row, blanks around row 2's source kept.
std::map<int, std::string> storedPairs()
{
    std::map<int, std::string> records;
    for (int row = 1; row <= 10; ++row) {
        records[row] = rowText("C:\\Source", row);
        records[10 + row] = rowText("D:\\Target", row);
    }
    records[2] = "  C:\\Source 02 ";
    records[21] = "1:05:00 PM";
    return records;
}

// Records 31-70: a drive table that frmConfig must never touch.
std::map<int, std::string> storedDrives()
{
    std::map<int, std::string> records;
    for (int n = 31; n <= 70; ++n)
        records[n] = rowText("drive", n);
    return records;
}

} // namespace

class FrmConfigTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        scene = std::make_unique<ConfigScene>();
        strBackupTime = "stale";
    }
    void cleanup() { scene.reset(); }

    void loadFillsEveryRowAndTheTime()
    {
        std::map<int, std::string> records = storedPairs();
        records[21] = " 1:05:00 PM "; // read as at start-up, or the daily backup would stop
        seedRecords(scene->world, records);
        FrmConfig* window = scene->openConfig();
        QCOMPARE(window->windowTitle(), QStringLiteral("Tarnwell Backup Configuration"));
        QCOMPARE(textOf(window, "txtS1"), QStringLiteral("C:\\Source01"));
        QCOMPARE(textOf(window, "txtS2"), QStringLiteral("  C:\\Source 02 "));
        QCOMPARE(textOf(window, "txtS0"), QStringLiteral("C:\\Source10"));
        QCOMPARE(textOf(window, "txtT9"), QStringLiteral("D:\\Target09"));
        QCOMPARE(textOf(window, "txtT0"), QStringLiteral("D:\\Target10"));
        QCOMPARE(textOf(window, "txtTime"), QStringLiteral("1:05:00 PM"));
        QCOMPARE(strBackupTime, std::string("1:05:00 PM"));
        QCOMPARE(control<QLabel>(window, "lbl0")->text(), QStringLiteral("10"));
        QVERIFY(scene->world.messageBox.messages.empty());
        QVERIFY(control<QLineEdit>(window, "txtTime")->isReadOnly());
    }

    void saveWritesRecordsOneToTwentyOneOnly()
    {
        seedRecords(scene->world, storedDrives());
        const std::string before = fileBytes(scene->world);
        FrmConfig* window = scene->openConfig();
        typeInto(window, "txtS1", QStringLiteral("  C:\\My Data "));
        typeInto(window, "txtS0", QStringLiteral("E:\\Last"));
        typeInto(window, "txtT0", QStringLiteral("\\\\server\\share\\Last"));
        click(window, "cmdSave");

        const auto& messages = scene->world.messageBox.messages;
        QCOMPARE(messages.size(), size_t(1));
        QCOMPARE(messages[0].text, std::string("Configuration saved to data file"));
        QCOMPARE(messages[0].title, std::string("Saved"));
        QVERIFY(messages[0].icon == MessageIcon::Information);
        QCOMPARE(recordOf(scene->world, 1), std::string("  C:\\My Data "));
        QCOMPARE(recordOf(scene->world, 10), std::string("E:\\Last"));
        QCOMPARE(recordOf(scene->world, 20), std::string("\\\\server\\share\\Last"));
        QCOMPARE(recordOf(scene->world, 11), std::string());
        const std::string after = fileBytes(scene->world);
        QCOMPARE(after.size(), before.size());
        QVERIFY2(after.substr(21 * 255) == before.substr(21 * 255), "records 22-70 changed");

        // Reloading shows the saved texts again, blanks included.
        window->close();
        QTRY_VERIFY(scene->config.isNull());
        QCOMPARE(textOf(scene->openConfig(), "txtS1"), QStringLiteral("  C:\\My Data "));
    }

    void firstStartReportsAndSavesAllEmpty()
    {
        FrmConfig* window = scene->openConfig();
        const auto& messages = scene->world.messageBox.messages;
        QCOMPARE(messages.size(), size_t(1));
        QCOMPARE(messages[0].text, std::string("53 File not found"));
        QCOMPARE(messages[0].title, std::string("Tarnwell"));
        QVERIFY(messages[0].icon == MessageIcon::None);
        QCOMPARE(strBackupTime, std::string("stale"));
        QCOMPARE(textOf(window, "txtS1"), QString());

        click(window, "cmdSave");
        const std::string file = fileBytes(scene->world);
        QCOMPARE(file.size(), size_t(21 * 255));
        for (int n = 0; n < 21; ++n)
            QCOMPARE(file.substr(n * 255, 2), std::string("\0\0", 2));
        QCOMPARE(strBackupTime, std::string());
    }

    void unreadableFileLeavesSaveDisabled()
    {
        std::string corrupt(21 * 255, '\0');
        corrupt[0] = char(0xff); // a length no writer produces
        scene->world.fileSystem.addFile(kConfigPath, corrupt);
        FrmConfig* window = scene->openConfig();
        QCOMPARE(scene->world.messageBox.texts(),
                 std::vector<std::string>{
                     "59 Bad record length (record 1, the source of folder pair 1)"});
        QVERIFY(!control<QPushButton>(window, "cmdSave")->isEnabled());
        QCOMPARE(strBackupTime, std::string("stale"));
        QCOMPARE(fileBytes(scene->world), corrupt);
    }

    void browsingFillsTheRowOrKeepsTheTypedText()
    {
        FrmConfig* window = scene->openConfig();
        typeInto(window, "txtS3", QStringLiteral("typed by hand"));
        click(window, "cmdS3"); // the dialog is cancelled
        QCOMPARE(textOf(window, "txtS3"), QStringLiteral("typed by hand"));

        scene->folders.answers = {"C:\\", "D:\\Backups\\Ten"};
        click(window, "cmdS3");
        click(window, "cmdT0");
        QCOMPARE(textOf(window, "txtS3"), QStringLiteral("C:\\"));
        QCOMPARE(textOf(window, "txtT0"), QStringLiteral("D:\\Backups\\Ten"));
        QCOMPARE(textOf(window, "txtS0"), QString());
        QCOMPARE(scene->folders.prompts,
                 (std::vector<std::string>{"Select The Source Folder", "Select The Source Folder",
                                           "Select The Target Folder"}));
    }

    void clearedTimeCountsOnlyWhenSaved()
    {
        seedRecords(scene->world, storedPairs());
        FrmConfig* window = scene->openConfig();
        click(window, "cmdClearTime");
        QCOMPARE(textOf(window, "txtTime"), QString());
        click(window, "cmdClose");
        QTRY_VERIFY(scene->config.isNull());
        QCOMPARE(recordOf(scene->world, 21), std::string("1:05:00 PM"));
        QCOMPARE(strBackupTime, std::string("1:05:00 PM"));

        window = scene->openConfig();
        QCOMPARE(textOf(window, "txtTime"), QStringLiteral("1:05:00 PM"));
        click(window, "cmdClearTime");
        click(window, "cmdSave");
        QCOMPARE(recordOf(scene->world, 21), std::string());
        QCOMPARE(strBackupTime, std::string());
    }

    void failedSaveKeepsTheFileButTakesTheTime()
    {
        seedRecords(scene->world, storedPairs());
        const std::string before = fileBytes(scene->world);
        FrmConfig* window = scene->openConfig();
        scene->world.fileSystem.failOn(MemoryFileSystem::Operation::WriteFile, kConfigPath, 70);
        click(window, "cmdClearTime");
        click(window, "cmdSave");
        QCOMPARE(scene->world.messageBox.texts(), std::vector<std::string>{"70 Permission denied"});
        QCOMPARE(strBackupTime, std::string());
        QCOMPARE(fileBytes(scene->world), before);

        // Loading again takes the stored time back.
        window->close();
        QTRY_VERIFY(scene->config.isNull());
        scene->openConfig();
        QCOMPARE(strBackupTime, std::string("1:05:00 PM"));
    }

    void timeWindowLocksOnlyClose()
    {
        FrmConfig* window = scene->openConfig();
        click(window, "cmdGetTime");
        QPointer<QWidget> time = scene->timeWindow();
        QVERIFY(time && time->isVisible());
        QCOMPARE(time->parentWidget(), &scene->mainWindow);
        QVERIFY(keptInFrontOf(time, &scene->mainWindow));
        auto* cmdClose = control<QPushButton>(window, "cmdClose");
        QVERIFY(!cmdClose->isEnabled());

        // Everything else still works, and the frame cannot close the window either.
        scene->folders.answers = {"C:\\Data"};
        click(window, "cmdS1");
        QCOMPARE(textOf(window, "txtS1"), QStringLiteral("C:\\Data"));
        click(window, "cmdSave");
        QCOMPARE(recordOf(scene->world, 1), std::string("C:\\Data"));
        click(window, "cmdMapDrive");
        QVERIFY(window->findChild<QWidget*>(QStringLiteral("frmDriveMapping"))->isVisible());
        QVERIFY(!window->close());
        QVERIFY(window->isVisible());
        time->showMinimized();
        click(window, "cmdGetTime"); // brings the open time window forward, no second one
        QCOMPARE(scene->mainWindow.findChildren<QWidget*>(QStringLiteral("frmTime")).size(), 1);
        QVERIFY(time->isVisible() && !time->isMinimized());

        click(time, "cmdSetTime");
        QCOMPARE(textOf(window, "txtTime"), QStringLiteral("12:00:00 AM"));
        QTRY_VERIFY(time.isNull());
        QVERIFY(cmdClose->isEnabled());
        click(window, "cmdClose");
        QTRY_VERIFY(scene->config.isNull());
    }

    void driveMappingComesForwardWithoutReloading()
    {
        FrmConfig* window = scene->openConfig();
        click(window, "cmdMapDrive");
        auto* drives = window->findChild<QWidget*>(QStringLiteral("frmDriveMapping"));
        QVERIFY(drives && drives->isWindow() && drives->isVisible());
        QVERIFY(keptInFrontOf(drives, window));
        QVERIFY(waitActive(drives));
        typeInto(drives, "txtDrive1", QStringLiteral("X"));
        drives->showMinimized();
        click(window, "cmdMapDrive");
        QVERIFY(drives->isVisible() && !drives->isMinimized());
        QCOMPARE(window->findChildren<QWidget*>(QStringLiteral("frmDriveMapping")).size(), 1);
        QCOMPARE(textOf(drives, "txtDrive1"), QStringLiteral("X"));
        // Two load reports of the missing file would mean a reload.
        QCOMPARE(scene->world.messageBox.texts(),
                 (std::vector<std::string>{"53 File not found", "53 File not found in Form_Load"}));
    }

    void unloadAllClosesEveryWindowWithoutSaving()
    {
        FrmConfig* window = scene->openConfig();
        typeInto(window, "txtS1", QStringLiteral("C:\\Unsaved"));
        click(window, "cmdMapDrive");
        click(window, "cmdGetTime");
        QPointer<QWidget> time = scene->timeWindow();
        QPointer<QWidget> drives = window->findChild<QWidget*>(QStringLiteral("frmDriveMapping"));
        window->unloadAll();
        QTRY_VERIFY(scene->config.isNull() && time.isNull() && drives.isNull());
        QVERIFY(!scene->world.fileSystem.exists(kConfigPath));
        QCOMPARE(strBackupTime, std::string("stale"));
    }

    void tabFollowsTheRowsThenTheButtons()
    {
        scene->openConfig();
        QCOMPARE(focusName(), QStringLiteral("cmdS1"));
        QStringList expected;
        for (int row = 1; row <= 10; ++row) {
            for (const char* prefix : {"cmdS", "txtS", "cmdT", "txtT"})
                expected << QString::fromUtf8(prefix) + QString::number(row % 10);
        }
        expected << "cmdGetTime"
                 << "cmdClearTime"
                 << "txtTime"
                 << "cmdSave"
                 << "cmdMapDrive"
                 << "cmdClose"
                 << "cmdS1";
        QStringList visited{focusName()};
        for (int step = 1; step < expected.size(); ++step) {
            pressTab();
            visited << focusName();
        }
        QCOMPARE(visited, expected);
    }

private:
    std::unique_ptr<ConfigScene> scene;
};

QTEST_MAIN(FrmConfigTest)
#include "frmconfig_test.moc"
