#include "ui/qtfolderdialog.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

using namespace tarnwell;

class QtFolderDialogTest : public QObject
{
    Q_OBJECT

private slots:
    void confirmedFolderComesBackWithNativeSeparators()
    {
        QTemporaryDir root;
        QVERIFY(root.isValid());
        const QString chosen = root.filePath(QStringLiteral("Chosen Folder"));
        QVERIFY(QDir().mkdir(chosen));
        QString title;
        answerDialog([&](QFileDialog* dialog) {
            title = dialog->windowTitle();
            dialog->setDirectory(root.path());
            dialog->selectFile(chosen);
            static_cast<QDialog*>(dialog)->accept(); // the Choose button
        });
        QtFolderDialog folders;
        const std::string path = folders.chooseFolder("Select The Source Folder");
        QCOMPARE(title, QStringLiteral("Select The Source Folder"));
        QCOMPARE(QString::fromStdString(path), QDir::toNativeSeparators(chosen));
    }

    void cancelGivesEmpty()
    {
        answerDialog([](QFileDialog* dialog) { dialog->reject(); });
        QtFolderDialog folders;
        QCOMPARE(folders.chooseFolder("Select The UNC Path"), std::string());
    }

private:
    // Acts on the dialog as soon as it is up, as the user would.
    void answerDialog(std::function<void(QFileDialog*)> act)
    {
        auto* poll = new QTimer(this);
        connect(poll, &QTimer::timeout, this, [poll, act] {
            if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
                poll->deleteLater();
                poll->stop();
                act(dialog);
            }
        });
        poll->start(10);
    }
};

QTEST_MAIN(QtFolderDialogTest)
#include "qtfolderdialog_test.moc"
