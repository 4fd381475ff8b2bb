#include "ProgramIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

QIcon programIcon()
{
    QIcon icon;
    for (int size : {16, 32, 64})
        icon.addPixmap(QPixmap::fromImage(programIconImage(size)));
    return icon;
}

QImage programIconImage(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 64.0, size / 64.0);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x1f, 0x5f, 0xa8));
    painter.drawRoundedRect(QRectF(4, 14, 56, 44), 8, 8);
    QPainterPath pin;
    pin.moveTo(32, 50);
    pin.cubicTo(18, 34, 18, 6, 32, 6);
    pin.cubicTo(46, 6, 46, 34, 32, 50);
    painter.setBrush(QColor(0xe0, 0x3a, 0x2f));
    painter.drawPath(pin);
    painter.setBrush(Qt::white);
    painter.drawEllipse(QPointF(32, 20), 6, 6);
    return image;
}
