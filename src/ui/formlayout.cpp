#include "ui/formlayout.h"

#include <QAbstractButton>
#include <QFontDatabase>
#include <QLabel>
#include <QStyle>
#include <QStyleOptionButton>
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

// The caption of a label or a button, or a null text.
QString captionOf(const QWidget* control)
{
    if (const auto* label = qobject_cast<const QLabel*>(control))
        return label->text();
    if (const auto* button = qobject_cast<const QAbstractButton*>(control))
        return button->text();
    return {};
}

} // namespace

void placeTwips(QWidget* widget, int left, int top, int width, int height)
{
    widget->setGeometry(twips(left), twips(top), twips(width), twips(height));
    fitCaption(widget);
}

void setClientTwips(QWidget* window, int width, int height)
{
    window->setFixedSize(twips(width), twips(height));
}

int captionRoom(const QWidget* control)
{
    if (const auto* label = qobject_cast<const QLabel*>(control))
        return label->contentsRect().width() - 2 * label->margin();
    if (const auto* button = qobject_cast<const QAbstractButton*>(control)) {
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        return button->style()
            ->subElementRect(QStyle::SE_PushButtonContents, &option, button)
            .width();
    }
    return -1;
}

void fitCaption(QWidget* control)
{
    const QString caption = captionOf(control);
    const int room = captionRoom(control);
    // Without any font (Qt's offscreen platform under Wine) nothing is drawn to fit.
    if (caption.isEmpty() || room <= 0 || QFontDatabase::families().isEmpty())
        return;
    QFont font = control->font();
    while (QFontMetrics(font).horizontalAdvance(caption) > room && font.pointSizeF() > 6.0)
        font.setPointSizeF(font.pointSizeF() - 0.25);
    if (font != control->font())
        control->setFont(font);
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
