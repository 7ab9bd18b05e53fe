#pragma once

#include <QString>

class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace tarnwell {

// The controls every window builds, named so that the tests and the windows' routines find
// them, in the window fonts. Place them with placeTwips.
QLabel* makeLabel(QWidget* parent, const QString& name, const QString& caption);
QPushButton* makeButton(QWidget* parent, const QString& name, const QString& caption);
QLineEdit* makeBox(QWidget* parent, const QString& name, bool bold = false);

// The name of a control in a row of ten: row k's ends in k, row 10's in 0.
QString rowName(const char* prefix, int row);

// The tab order, in the order the controls are added.
class TabChain
{
public:
    void add(QWidget* next);

private:
    QWidget* m_previous = nullptr;
};

// Shows a window, brought back if it was minimised, in front and active. A window that is
// asked for again while open only comes forward, so what is typed into it stays.
void bringToFront(QWidget* window);

} // namespace tarnwell
