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

// Places a control at a position and size given in twips. A label's or a button's caption that
// would not fit in the room this gives it is fitted with fitCaption.
void placeTwips(QWidget* widget, int left, int top, int width, int height);

// The room a caption has in its control: a label's whole width, a button's inside its frame as
// the style draws it; -1 for any other control.
int captionRoom(const QWidget* control);
// Shrinks the font of a label or a button a quarter point at a time, down to 6 points at most,
// until its caption fits its room. The layouts are made for "MS Sans Serif", in which every
// caption fits as it is; a wider stand-in (Wine's, a Linux sans-serif) would clip some.
void fitCaption(QWidget* control);

// Sizes a window's client area given in twips, fixed.
void setClientTwips(QWidget* window, int width, int height);

// The window fonts: "MS Sans Serif" where the system has it, its sans-serif otherwise.
QFont buttonFont();               // 8.25 pt bold
QFont labelFont();                // 9.75 pt bold
QFont boxFont(bool bold = false); // 9.75 pt

} // namespace tarnwell
