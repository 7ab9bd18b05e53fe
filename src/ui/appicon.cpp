#include "ui/appicon.h"

#include <QImage>
#include <QPainter>
#include <QPixmap>

namespace tarnwell {

QIcon tarnwellIcon()
{
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);

    // A yellow folder in the upper left.
    painter.setPen(QColor(128, 128, 0));
    painter.setBrush(QColor(255, 255, 0));
    painter.drawRect(2, 5, 7, 3);
    painter.drawRect(2, 7, 16, 11);

    // A grey drive with a green light at the bottom.
    painter.setPen(QColor(0, 0, 0));
    painter.setBrush(QColor(192, 192, 192));
    painter.drawRect(4, 22, 26, 8);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 255, 0));
    painter.drawRect(25, 25, 3, 3);
    painter.setBrush(QColor(128, 128, 128));
    painter.drawRect(7, 26, 14, 1);

    // A blue arrow from the folder down into the drive.
    painter.setBrush(QColor(0, 0, 255));
    painter.drawRect(22, 3, 4, 12);
    const QPoint head[] = {QPoint(18, 14), QPoint(30, 14), QPoint(24, 20)};
    painter.drawPolygon(head, 3);
    painter.end();

    // Drawn in flat colours from the sixteen of a classic window icon, so a palette holds it.
    return QIcon(QPixmap::fromImage(
        image.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither | Qt::AvoidDither)));
}

} // namespace tarnwell
