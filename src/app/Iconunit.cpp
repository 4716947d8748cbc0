#include "app/Iconunit.h"

#include <QPainter>
#include <QPixmap>

QIcon DrawnIcon(TDrawnIcon kind) {
    QIcon icon;
    for (const int size : {16, 32}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(size / 16.0, size / 16.0);
        if (kind != TDrawnIcon::MeasureLine) {
            // A green disc with a white arrow, pointing left or right.
            painter.setPen(QPen(QColor(0x2e, 0x7d, 0x32), 1.0));
            painter.setBrush(QColor(0x4c, 0xaf, 0x50));
            painter.drawEllipse(QRectF(1.5, 1.5, 13.0, 13.0));
            const qreal s = kind == TDrawnIcon::PreviousFile ? -1.0 : 1.0;
            const QPointF arrow[] = {{8.0 + 4.0 * s, 8.0}, {8.0, 4.0},           {8.0, 6.5},
                                     {8.0 - 4.0 * s, 6.5}, {8.0 - 4.0 * s, 9.5}, {8.0, 9.5},
                                     {8.0, 12.0}};
            painter.setPen(Qt::NoPen);
            painter.setBrush(Qt::white);
            painter.drawPolygon(arrow, 7);
        } else {
            // A spectral line in blue with a green mark at its far edge.
            painter.setPen(QPen(QColor(0x00, 0x80, 0x00), 1.2));
            painter.drawLine(QPointF(11.5, 1.5), QPointF(11.5, 14.5));
            painter.setPen(QPen(Qt::blue, 1.4));
            const QPointF line[] = {{1.0, 13.5}, {4.0, 13.0},  {6.5, 8.0},  {8.0, 3.0},
                                    {9.5, 6.0},  {11.0, 12.5}, {15.0, 13.5}};
            painter.drawPolyline(line, 7);
        }
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}
