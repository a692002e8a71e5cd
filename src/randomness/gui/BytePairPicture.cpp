#include "randomness/gui/BytePairPicture.h"

#include <QMouseEvent>
#include <QPainter>

BytePairPicture::BytePairPicture(int scale, QWidget* parent)
    : QWidget(parent), m_image(kSide, kSide, QImage::Format_RGB32), m_scale(qMax(1, scale)) {
    setFixedSize(sizeHint());
    clear();
}

void BytePairPicture::clear() {
    m_image.fill(m_background);
    update();
}

int BytePairPicture::pointCount() const {
    int n = 0;
    for (int y = 0; y < kSide; ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(m_image.constScanLine(y));
        for (int x = 0; x < kSide; ++x)
            n += line[x] != m_background;
    }
    return n;
}

QSize BytePairPicture::sizeHint() const {
    return QSize(kSide * m_scale, kSide * m_scale);
}

void BytePairPicture::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform, false);
    p.drawImage(QRect(0, 0, kSide * m_scale, kSide * m_scale), m_image);
}

void BytePairPicture::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        emit clicked();
    QWidget::mouseReleaseEvent(event);
}
