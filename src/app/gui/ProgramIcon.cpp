#include "app/gui/ProgramIcon.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>

namespace ProgramIcon {

namespace {

// The drawing of desktop/zq4.svg, on its 64 x 64 grid.
QPixmap drawn(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);
    const QPen outline(QColor(0x4a, 0x55, 0x63), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);

    p.setPen(outline);
    p.setBrush(QColor(0xf5, 0xf7, 0xf9));
    p.drawPolygon(QPolygonF({{10, 3}, {39, 3}, {52, 16}, {52, 61}, {10, 61}}));
    QPainterPath corner;
    corner.moveTo(39, 3);
    corner.lineTo(39, 16);
    corner.lineTo(52, 16);
    p.setBrush(QColor(0xdd, 0xe3, 0xea));
    p.drawPath(corner);

    p.setPen(QPen(QColor(0xa9, 0xb3, 0xbe), 2.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(16, 12), QPointF(33, 12));
    p.drawLine(QPointF(16, 19), QPointF(33, 19));
    p.drawLine(QPointF(16, 26), QPointF(46, 26));

    QPainterPath shackle;
    shackle.moveTo(25, 39);
    shackle.lineTo(25, 33);
    shackle.arcTo(QRectF(25, 25, 16, 16), 180, -180);
    shackle.lineTo(41, 39);
    p.setPen(QPen(QColor(0x39, 0x42, 0x4d), 4, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(shackle);

    QLinearGradient lock(0, 37, 0, 58);
    lock.setColorAt(0, QColor(0x3d, 0x9b, 0xe0));
    lock.setColorAt(1, QColor(0x1f, 0x6a, 0xa8));
    p.setPen(QPen(QColor(0x17, 0x4f, 0x7d), 2));
    p.setBrush(lock);
    p.drawRoundedRect(QRectF(19, 37, 28, 21), 3.5, 3.5);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(33, 45), 3.2, 3.2);
    p.drawPolygon(QPolygonF({{31.6, 46.5}, {34.4, 46.5}, {35.2, 52.5}, {30.8, 52.5}}));
    return pixmap;
}

} // namespace

QIcon icon() {
    QIcon own;
    for (int size : {16, 24, 32, 48, 64, 128})
        own.addPixmap(drawn(size));
    return QIcon::fromTheme(QStringLiteral("zq4"), own);
}

} // namespace ProgramIcon
