#include "config/windowtesting.h"
#include "drives/frmdrivemapping.h"

#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <memory>

using namespace tarnwell;
using namespace tarnwell::test;

namespace {

// Records 1-21 as the configuration window leaves them; the drive window must not touch them.
std::map<int, std::string> storedPairs()
{
    std::map<int, std::string> records;
    for (int n = 1; n <= 20; ++n)
        records[n] = rowText("folder", n);
    records[21] = "1:05:00 PM";
    return records;
}

} // namespace

class FrmDriveMappingTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        world = std::make_unique<TestWorld>();
        owner = std::make_unique<QWidget>();
        owner->show();
    }
    void cleanup()
    {
        owner.reset();
        world.reset();
    }

    void firstStartReportsThenSaveCreatesTheFile()
    {
        FrmDriveMapping* window = open();
        QCOMPARE(window->windowTitle(), QStringLiteral("Drive Mapping"));
        QCOMPARE(window->parentWidget(), owner.get());
        const auto& messages = world->messageBox.messages;
        QCOMPARE(messages.size(), size_t(1));
        QCOMPARE(messages[0].text, std::string("53 File not found in Form_Load"));
        QCOMPARE(messages[0].title, std::string("Tarnwell"));
        QVERIFY(messages[0].icon == MessageIcon::None);

        typeInto(window, "txtDrive0", "x:");
        click(window, "cmdSave");
        QCOMPARE(messages.size(), size_t(2));
        QCOMPARE(messages[1].text, std::string("Drive mapping information saved."));
        QCOMPARE(messages[1].title, std::string("Saved"));
        QVERIFY(messages[1].icon == MessageIcon::Information);
        const std::string file = fileBytes(*world);
        QCOMPARE(file.size(), size_t(70 * 255));
        QCOMPARE(file.substr(0, 30 * 255), std::string(30 * 255, '\0'));
        QCOMPARE(recordOf(*world, 50), std::string("x:"));
        QVERIFY(window->isVisible());
    }

    void loadShowsTheTableAndEmptyRowsPastTheEnd()
    {
        seedRecords(*world, {{31, "\\\\server\\one"}, {40, "\\\\server\\ten"}, {41, "P"}});
        FrmDriveMapping* window = open();
        QCOMPARE(textOf(window, "txtP1"), QStringLiteral("\\\\server\\one"));
        QCOMPARE(textOf(window, "txtP0"), QStringLiteral("\\\\server\\ten"));
        QCOMPARE(textOf(window, "txtDrive1"), QStringLiteral("P"));
        QCOMPARE(textOf(window, "txtDrive0"), QString());
        QCOMPARE(textOf(window, "txtPass0"), QString());
        QCOMPARE(control<QLabel>(window, "lbl0")->text(), QStringLiteral("10"));
        QVERIFY(world->messageBox.messages.empty());
    }

    void saveWritesRecordsThirtyOneToSeventyAsTyped()
    {
        seedRecords(*world, storedPairs());
        const std::string before = fileBytes(*world);
        FrmDriveMapping* window = open();
        typeInto(window, "txtP0", " \\\\nas\\backup ");
        typeInto(window, "txtDrive0", "z");
        typeInto(window, "txtUser0", "DOMAIN\\me");
        typeInto(window, "txtPass0", "Pa ss");
        typeInto(window, "txtDrive1", "Y:");
        click(window, "cmdSave");
        QCOMPARE(recordOf(*world, 40), std::string(" \\\\nas\\backup "));
        QCOMPARE(recordOf(*world, 50), std::string("z"));
        QCOMPARE(recordOf(*world, 60), std::string("DOMAIN\\me"));
        QCOMPARE(recordOf(*world, 70), std::string("Pa ss"));
        QCOMPARE(recordOf(*world, 41), std::string("Y:"));
        QCOMPARE(recordOf(*world, 31), std::string());
        QVERIFY2(fileBytes(*world).substr(0, before.size()) == before, "records 1-21 changed");
    }

    void aStoredPasswordIsShownAndMendedInPlace()
    {
        seedRecords(*world, {{61, "secret"}});
        FrmDriveMapping* window = open();
        auto* password = control<QLineEdit>(window, "txtPass1");
        QCOMPARE(password->displayText(), QStringLiteral("secret"));
        QTest::mouseClick(password, Qt::LeftButton);
        QTest::keyClick(password, Qt::Key_End);
        QTest::keyClick(password, Qt::Key_Backspace);
        QTest::keyClicks(password, QStringLiteral("T"));
        click(window, "cmdSave");
        QCOMPARE(recordOf(*world, 61), std::string("secreT"));
    }

    void browsingReplacesOnlyTheRowsPath()
    {
        FrmDriveMapping* window = open();
        typeInto(window, "txtP4", "typed");
        typeInto(window, "txtDrive4", "Q");
        click(window, "cmdP4"); // cancelled
        QCOMPARE(textOf(window, "txtP4"), QStringLiteral("typed"));
        folders.answers = {"\\\\server\\share"};
        click(window, "cmdP4");
        QCOMPARE(textOf(window, "txtP4"), QStringLiteral("\\\\server\\share"));
        QCOMPARE(textOf(window, "txtDrive4"), QStringLiteral("Q"));
        QCOMPARE(textOf(window, "txtP5"), QString());
        QCOMPARE(folders.prompts,
                 (std::vector<std::string>{"Select The UNC Path", "Select The UNC Path"}));
    }

    void closeLosesEditsAndReopeningReadsTheFile()
    {
        seedRecords(*world, {{42, "M"}});
        QPointer<FrmDriveMapping> window = open();
        typeInto(window, "txtDrive2", "N");
        click(window, "cmdClose");
        QTRY_VERIFY(window.isNull());
        QCOMPARE(recordOf(*world, 42), std::string("M"));
        QCOMPARE(textOf(open(), "txtDrive2"), QStringLiteral("M"));
    }

    void failuresKeepTheStoredTable()
    {
        // A file that cannot be read must not be overwritten with empty boxes.
        std::string corrupt(70 * 255, '\0');
        corrupt[30 * 255] = char(0xff);
        world->fileSystem.addFile(kConfigPath, corrupt);
        FrmDriveMapping* window = open();
        QCOMPARE(world->messageBox.texts(),
                 std::vector<std::string>{
                     "59 Bad record length (record 31, the UNC path of drive row 1) in Form_Load"});
        QVERIFY(!control<QPushButton>(window, "cmdSave")->isEnabled());

        // A text too long for its record stops the save before the "Saved" message.
        seedRecords(*world, {{31, "\\\\server\\share"}});
        const std::string before = fileBytes(*world);
        window = open();
        typeInto(window, "txtUser1", QString(254, 'u'));
        click(window, "cmdSave");
        QCOMPARE(world->messageBox.texts().back(), std::string("59 Bad record length"));
        QCOMPARE(fileBytes(*world), before);
    }

    void tabRunsRowByRowThenSaveAndClose()
    {
        open();
        QStringList expected;
        for (int row = 1; row <= 10; ++row) {
            for (const char* prefix : {"cmdP", "txtP", "txtDrive", "txtUser", "txtPass"})
                expected << QString::fromUtf8(prefix) + QString::number(row % 10);
        }
        expected << "cmdSave"
                 << "cmdClose";
        QStringList visited{focusName()};
        for (int step = 1; step < expected.size(); ++step) {
            pressTab();
            visited << focusName();
        }
        QCOMPARE(visited, expected);
    }

private:
    FrmDriveMapping* open()
    {
        auto* window = new FrmDriveMapping(owner.get(), world->services, folders);
        window->show();
        window->activateWindow();
        if (!waitActive(window))
            qFatal("frmDriveMapping did not become active");
        return window;
    }

    std::unique_ptr<TestWorld> world;
    ScriptedFolderDialog folders;
    std::unique_ptr<QWidget> owner;
};

QTEST_MAIN(FrmDriveMappingTest)
#include "frmdrivemapping_test.moc"
