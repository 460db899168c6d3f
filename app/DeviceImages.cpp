#include "app/DeviceImages.h"

#include <QPainter>
#include <QPainterPath>

namespace signseek {

QPixmap DrawDeviceImage(QSize size, DeviceImage image)
{
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    const qreal w = size.width(), h = size.height();
    const qreal frame = w / 24.0;
    QRectF panel(frame, 0, w - 2 * frame, h - 2 * frame);
    p.fillRect(panel, QColor(0x30, 0x30, 0x38));
    p.fillRect(panel.adjusted(frame, frame, -frame, -frame), QColor(0x10, 0x18, 0x30));
    p.fillRect(QRectF(w / 2 - w / 8, h - 2 * frame, w / 4, 2 * frame), QColor(0x30, 0x30, 0x38));
    if (image == DeviceImage::Marked) {
        p.setRenderHint(QPainter::Antialiasing);
        QPen pen(QColor(0xE0, 0x10, 0x10), std::max(1.5, w / 16.0), Qt::SolidLine, Qt::RoundCap);
        p.setPen(pen);
        QRectF cross(w * 0.58, h * 0.42, w * 0.34, h * 0.5);
        p.drawLine(cross.topLeft(), cross.bottomRight());
        p.drawLine(cross.topRight(), cross.bottomLeft());
    }
    return pixmap;
}

QIcon DeviceIcon(DeviceImage image)
{
    QIcon icon;
    icon.addPixmap(DrawDeviceImage(kSmallImageSize, image));
    icon.addPixmap(DrawDeviceImage(kLargeImageSize, image));
    return icon;
}

QIcon ApplicationIcon()
{
    QIcon icon;
    for (int side : {16, 32, 48, 64, 128}) {
        QPixmap pixmap(side, side);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(side / 64.0, side / 64.0);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x2b, 0x2f, 0x3a));
        p.drawRoundedRect(QRectF(4, 10, 56, 36), 3, 3);
        p.setBrush(QColor(0x1f, 0x6f, 0xc8));
        p.drawRect(QRectF(8, 14, 48, 28));
        p.setBrush(QColor(0x2b, 0x2f, 0x3a));
        p.drawRect(QRectF(28, 46, 8, 8));
        p.drawRoundedRect(QRectF(18, 52, 28, 4), 2, 2);
        QPen wave(QColor(0xff, 0xff, 0xff), 3, Qt::SolidLine, Qt::RoundCap);
        p.setPen(wave);
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(22, 22, 20, 20), 30 * 16, 120 * 16);
        p.drawArc(QRectF(28, 28, 8, 8), 30 * 16, 120 * 16);
        icon.addPixmap(pixmap);
    }
    return icon;
}

}  // namespace signseek
