#pragma once

#include "config/datafile.h"
#include "support/testworld.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <QWindow>
#include <map>
#include <string>

namespace tarnwell::test {

inline constexpr const char* kConfigPath = "C:\\Work\\Config.dat";

// A named control of a window; a missing one ends the test program with its name.
template <typename T = QWidget> T* control(const QWidget* window, const char* name)
{
    T* found = window->findChild<T*>(QString::fromUtf8(name));
    if (!found)
        qFatal("no control %s in %s", name, qPrintable(window->objectName()));
    return found;
}

// Until the widget's window is the active one, so that focus moves follow the user's keys.
inline bool waitActive(QWidget* window)
{
    return QTest::qWaitFor([window] { return window->isActiveWindow(); });
}

// Whether the window system keeps window in front of owner: an owned window of a kind that
// stays above its owner. X11 ignores the owner of a plain top-level window.
inline bool keptInFrontOf(const QWidget* window, const QWidget* owner)
{
    const QWindow* handle = window->windowHandle();
    if (!handle || handle->transientParent() != owner->window()->windowHandle())
        return false;
    const Qt::WindowType kind = window->windowType();
    return kind == Qt::Dialog || kind == Qt::Sheet || kind == Qt::Tool;
}

inline void click(const QWidget* window, const char* name)
{
    QTest::mouseClick(control<QAbstractButton>(window, name), Qt::LeftButton);
}

// Clicks into a box or combo box and replaces its text by typing.
inline void typeInto(const QWidget* window, const char* name, const QString& text)
{
    QWidget* field = control(window, name);
    if (auto* combo = qobject_cast<QComboBox*>(field))
        field = combo->lineEdit();
    QTest::mouseClick(field, Qt::LeftButton);
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClicks(field, text);
}

inline void pressTab()
{
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
}

inline QString textOf(const QWidget* window, const char* name)
{
    QWidget* field = control(window, name);
    if (auto* combo = qobject_cast<QComboBox*>(field))
        return combo->currentText();
    return static_cast<QLineEdit*>(field)->text();
}

inline QString focusName()
{
    return QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString();
}

inline void seedRecords(TestWorld& world, const std::map<int, std::string>& records)
{
    DataFileWriter writer(world.fileSystem, world.codePage);
    for (const auto& [n, text] : records)
        writer.writeRecord(n, text);
    writer.commit();
}

inline std::string recordOf(TestWorld& world, int n)
{
    return DataFileReader(world.fileSystem, world.codePage).readRecord(n);
}

inline std::string fileBytes(const TestWorld& world)
{
    return world.fileSystem.contentOf(kConfigPath);
}

// "01" ... "10": the rows' texts used to fill a group of records.
inline std::string rowText(const char* column, int row)
{
    return std::string(column) + (row < 10 ? "0" : "") + std::to_string(row);
}

} // namespace tarnwell::test
