#pragma once

#include <QImage>
#include <QWidget>

// The drawing area of the byte-pair graphic: 256 x 256 points, one per pair of byte values, origin at the top
// left. Shown enlarged by a whole factor so that every point stays its own square.
class BytePairPicture : public QWidget {
    Q_OBJECT
public:
    static constexpr int kSide = 256;

    explicit BytePairPicture(int scale = 2, QWidget* parent = nullptr);

    void clear(); // all white
    // Sets the point for the pair (x, y) in the foreground colour.
    void setPoint(uchar x, uchar y) { reinterpret_cast<QRgb*>(m_image.scanLine(y))[x] = m_foreground; }

    const QImage& image() const { return m_image; }
    // Number of distinct points set.
    int pointCount() const;

    QSize sizeHint() const override;

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QImage m_image;
    QRgb m_background = 0xFFFFFFFF;
    QRgb m_foreground = 0xFF000000;
    int m_scale;
};
