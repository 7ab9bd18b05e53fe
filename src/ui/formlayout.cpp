#include "ui/formlayout.h"

#include <QFontDatabase>
#include <QWidget>

namespace tarnwell {

namespace {

QFont windowFont(qreal pointSize, bool bold)
{
    static const QString family = [] {
        const QString wanted = QStringLiteral("MS Sans Serif");
        if (QFontDatabase::families().contains(wanted))
            return wanted;
        return QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    }();
    QFont font(family);
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return font;
}

} // namespace

void placeTwips(QWidget* widget, int left, int top, int width, int height)
{
    widget->setGeometry(twips(left), twips(top), twips(width), twips(height));
}

void setClientTwips(QWidget* window, int width, int height)
{
    window->setFixedSize(twips(width), twips(height));
}

QFont buttonFont()
{
    return windowFont(8.25, true);
}

QFont labelFont()
{
    return windowFont(9.75, true);
}

QFont boxFont(bool bold)
{
    return windowFont(9.75, bold);
}

} // namespace tarnwell
