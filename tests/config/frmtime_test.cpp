#include "config/configscene.h"

#include <QAbstractItemView>
#include <QPushButton>
#include <memory>

using namespace tarnwell;
using namespace tarnwell::test;

class FrmTimeTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        scene = std::make_unique<ConfigScene>();
        seedRecords(scene->world, {{21, "1:05:00 PM"}});
        config = scene->openConfig();
    }
    void cleanup() { scene.reset(); }

    void setTimeAtOnceGivesMidnightAndSavesNothing()
    {
        QWidget* time = openTime();
        QCOMPARE(time->windowTitle(), QStringLiteral("Time Setting"));
        QCOMPARE(focusName(), QStringLiteral("cmdClose"));
        const std::string before = fileBytes(scene->world);
        click(time, "cmdSetTime");
        QCOMPARE(textOf(config, "txtTime"), QStringLiteral("12:00:00 AM"));
        QTRY_VERIFY(scene->timeWindow() == nullptr);
        QVERIFY(control<QPushButton>(config, "cmdClose")->isEnabled());
        QCOMPARE(fileBytes(scene->world), before);
        QCOMPARE(strBackupTime, std::string("1:05:00 PM"));
        QVERIFY(scene->world.messageBox.messages.empty());
    }

    void fieldsLeftWithTabJoinIntoTheTime()
    {
        QWidget* time = openTime();
        typeInto(time, "txtHour", "05");
        pressTab();
        QCOMPARE(textOf(time, "txtHour"), QStringLiteral("5"));
        QCOMPARE(focusName(), QStringLiteral("txtMinute"));
        QTest::keyClicks(QApplication::focusWidget(), "7");
        pressTab();
        pressTab(); // seconds left empty
        QCOMPARE(textOf(time, "txtSecond"), QStringLiteral("00"));
        QTest::keyClicks(control<QComboBox>(time, "txtAMPM")->lineEdit(), "pm");
        pressTab();
        QCOMPARE(textOf(time, "txtMinute"), QStringLiteral("07"));
        QCOMPARE(textOf(time, "txtAMPM"), QStringLiteral("PM"));
        QCOMPARE(focusName(), QStringLiteral("cmdSetTime"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        QCOMPARE(textOf(config, "txtTime"), QStringLiteral("5:07:00 PM"));
        QVERIFY(scene->world.messageBox.messages.empty());
    }

    void leavingAFieldChecksIt_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("message"); // empty: accepted, the focus moves on

        const QString hours = "The Hours field must be between 1 and 12.";
        const QString minutes = "The Minutes field must be between 0 and 59.";
        const QString seconds = "The seconds field must be between 0 and 59.";
        const QString amPm = "This box must be either AM or PM";
        QTest::newRow("hour 012") << "txtHour"
                                  << "012"
                                  << "12"
                                  << "";
        QTest::newRow("hour 0") << "txtHour"
                                << "0"
                                << "0" << hours;
        QTest::newRow("hour 00") << "txtHour"
                                 << "00"
                                 << "0" << hours;
        QTest::newRow("hour 13") << "txtHour"
                                 << "13"
                                 << "13" << hours;
        QTest::newRow("hour abc") << "txtHour"
                                  << "abc"
                                  << "abc" << hours;
        QTest::newRow("hour 1.5") << "txtHour"
                                  << "1.5"
                                  << "1.5" << hours;
        QTest::newRow("minutes 60") << "txtMinute"
                                    << "60"
                                    << "60" << minutes;
        QTest::newRow("minutes 005") << "txtMinute"
                                     << "005"
                                     << "05"
                                     << "";
        QTest::newRow("seconds 61") << "txtSecond"
                                    << "61"
                                    << "61" << seconds;
        QTest::newRow("seconds blank") << "txtSecond"
                                       << " "
                                       << " " << seconds;
        QTest::newRow("seconds 59") << "txtSecond"
                                    << "59"
                                    << "59"
                                    << "";
        QTest::newRow("ampm Pm") << "txtAMPM"
                                 << "Pm"
                                 << "Pm" << amPm;
        QTest::newRow("ampm am") << "txtAMPM"
                                 << "am"
                                 << "AM"
                                 << "";
    }
    void leavingAFieldChecksIt()
    {
        QFETCH(QString, field);
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(QString, message);
        QWidget* time = openTime();
        const QByteArray name = field.toUtf8();
        typeInto(time, name, typed);
        pressTab();
        QCOMPARE(textOf(time, name), shown);
        const auto& messages = scene->world.messageBox.messages;
        if (message.isEmpty()) {
            QVERIFY(messages.empty());
            QVERIFY(focusName() != field);
        } else {
            QCOMPARE(messages.size(), size_t(1));
            QCOMPARE(QString::fromStdString(messages[0].text), message);
            QCOMPARE(messages[0].title, std::string("Oops"));
            QVERIFY(messages[0].icon == MessageIcon::Information);
            QCOMPARE(focusName(), field);
        }
    }

    void pickingFromTheListIsNotLeavingTheField()
    {
        QWidget* time = openTime();
        auto* amPm = control<QComboBox>(time, "txtAMPM");
        typeInto(time, "txtAMPM", "x");
        // The arrow at the right end opens the drop-down list.
        QTest::mouseClick(amPm, Qt::LeftButton, {}, QPoint(amPm->width() - 4, amPm->height() / 2));
        QTRY_VERIFY(amPm->view()->isVisible());
        QVERIFY(scene->world.messageBox.messages.empty());
        QTest::keyClick(amPm->view(), Qt::Key_Down);
        QTest::keyClick(amPm->view(), Qt::Key_Return);
        QTRY_VERIFY(!amPm->view()->isVisible());
        QCOMPARE(textOf(time, "txtAMPM"), QStringLiteral("PM"));
        click(time, "cmdSetTime");
        QCOMPARE(textOf(config, "txtTime"), QStringLiteral("12:00:00 PM"));
        QVERIFY(scene->world.messageBox.messages.empty());
    }

    void setTimeDoesNothingAfterARefusedField()
    {
        QWidget* time = openTime();
        typeInto(time, "txtHour", "13");
        click(time, "cmdSetTime");
        QCOMPARE(scene->world.messageBox.texts(),
                 std::vector<std::string>{"The Hours field must be between 1 and 12."});
        QCOMPARE(textOf(config, "txtTime"), QStringLiteral("1:05:00 PM"));
        QVERIFY(time->isVisible());
        QCOMPARE(focusName(), QStringLiteral("txtHour"));

        typeInto(time, "txtHour", "1");
        typeInto(time, "txtSecond", "60");
        click(time, "cmdSetTime");
        QCOMPARE(scene->world.messageBox.messages.size(), size_t(2));
        QCOMPARE(textOf(config, "txtTime"), QStringLiteral("1:05:00 PM"));
        typeInto(time, "txtSecond", "9");
        click(time, "cmdSetTime");
        QCOMPARE(textOf(config, "txtTime"), QStringLiteral("1:00:09 AM"));
    }

    void closingByButtonOrFrameReleasesTheConfigWindow()
    {
        for (bool byFrame : {false, true}) {
            QPointer<QWidget> time = openTime();
            typeInto(time, "txtHour", "3");
            pressTab();
            if (byFrame)
                time->close();
            else
                click(time, "cmdClose");
            QTRY_VERIFY(time.isNull());
            QVERIFY(control<QPushButton>(config, "cmdClose")->isEnabled());
            QCOMPARE(textOf(config, "txtTime"), QStringLiteral("1:05:00 PM"));
        }
        // Every opening starts empty.
        QWidget* time = openTime();
        QCOMPARE(textOf(time, "txtHour"), QString());
        QCOMPARE(textOf(time, "txtAMPM"), QString());
        QVERIFY(scene->world.messageBox.messages.empty());
    }

private:
    QWidget* openTime()
    {
        click(config, "cmdGetTime");
        QWidget* time = scene->timeWindow();
        if (!time || !waitActive(time))
            qFatal("the time window did not open");
        return time;
    }

    std::unique_ptr<ConfigScene> scene;
    FrmConfig* config = nullptr;
};

QTEST_MAIN(FrmTimeTest)
#include "frmtime_test.moc"
