#pragma once

#include <QFont>
#include <QString>

class QWidget;

namespace tarnwell {

// Window layouts are given in twips: 15 twips are one pixel at 96 dpi.
constexpr int twips(int value)
{
    return value / 15;
}

// Places a control at a position and size given in twips.
void placeTwips(QWidget* widget, int left, int top, int width, int height);

// Sizes a window's client area given in twips, fixed.
void setClientTwips(QWidget* window, int width, int height);

// The window fonts: "MS Sans Serif" where the system has it, its sans-serif otherwise.
QFont buttonFont();               // 8.25 pt bold
QFont labelFont();                // 9.75 pt bold
QFont boxFont(bool bold = false); // 9.75 pt

} // namespace tarnwell
