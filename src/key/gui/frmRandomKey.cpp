#include "key/gui/frmRandomKey.h"

#include "key/KeyMaterial.h"

#include <QCursor>
#include <QLabel>
#include <QMouseEvent>
#include <QTime>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {
// Mouse positions are kept in twips, 15 to a pixel.
constexpr double twipsPerPixel = 15.0;

double timeOfDaySeconds() {
    return QTime::currentTime().msecsSinceStartOfDay() / 1000.0;
}
} // namespace

frmRandomKey::frmRandomKey(QWidget* parent, RandomKey::ByteSource source)
    : QDialog(parent), m_gatherer(std::move(source)) {
    setObjectName(QStringLiteral("frmRandomKey"));
    setWindowTitle(QStringLiteral("Create random key"));
    setModal(true);
    setMouseTracking(true);

    lblExplanation = new QLabel(
        QStringLiteral(
            "To create a random key move the mouse cursor rapidly and randomly within and across this window."),
        this);
    lblExplanation->setObjectName(QStringLiteral("lblExplanation"));
    lblExplanation->setWordWrap(true);
    lblProgressBar = new QLabel(this);
    lblProgressBar->setObjectName(QStringLiteral("lblProgressBar"));
    QFont fixed(QStringLiteral("Monospace"));
    fixed.setStyleHint(QFont::TypeWriter);
    lblProgressBar->setFont(fixed);
    // Only movements over the window itself count, not over its labels.
    for (QLabel* label : {lblExplanation, lblProgressBar})
        label->setAttribute(Qt::WA_NoMousePropagation);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblExplanation);
    layout->addStretch(1);
    layout->addWidget(lblProgressBar, 0, Qt::AlignHCenter);
    layout->addStretch(1);
    // 6195 by 3105 twips, or wider where the bar's font needs it to be seen whole.
    lblProgressBar->setText(m_gatherer.progressBar());
    const QMargins margins = layout->contentsMargins();
    setFixedSize(std::max(413, lblProgressBar->sizeHint().width() + margins.left() + margins.right()), 207);

    Clock = new QTimer(this);
    Clock->setObjectName(QStringLiteral("Clock"));
    connect(Clock, &QTimer::timeout, this, &frmRandomKey::clockTick);
}

frmRandomKey::~frmRandomKey() {
    discardKey();
}

void frmRandomKey::discardKey() {
    KeyMaterial::wipe(strRandomKey);
    strRandomKey.clear();
    m_gatherer.discard();
}

void frmRandomKey::showEvent(QShowEvent* event) {
    discardKey();
    const QPoint here = mapFromGlobal(QCursor::pos());
    m_gatherer.start(static_cast<int>(std::lround(here.x() * twipsPerPixel)),
                     static_cast<int>(std::lround(here.y() * twipsPerPixel)));
    lblProgressBar->setText(m_gatherer.progressBar());
    m_busy = false;
    Clock->setInterval(intTickInterval);
    Clock->start();
    QDialog::showEvent(event);
}

void frmRandomKey::hideEvent(QHideEvent* event) {
    Clock->stop();
    QDialog::hideEvent(event);
}

void frmRandomKey::mouseMoveEvent(QMouseEvent* event) {
    recordPosition(event->position());
    QDialog::mouseMoveEvent(event);
}

void frmRandomKey::recordPosition(QPointF position) {
    if (m_busy)
        return;
    m_gatherer.mouseMoved(static_cast<int>(std::lround(position.x() * twipsPerPixel)),
                          static_cast<int>(std::lround(position.y() * twipsPerPixel)));
}

void frmRandomKey::clockTick() {
    if (!isVisible() || m_gatherer.isComplete())
        return;
    m_busy = true;
    const bool added = m_gatherer.tick(timeOfDaySeconds());
    if (added) {
        KeyMaterial::replace(strRandomKey, m_gatherer.key());
        lblProgressBar->setText(m_gatherer.progressBar());
    }
    m_busy = false;
    // A failing system generator ends the gathering too; the short key is then refused by the caller.
    if (m_gatherer.isComplete() || m_gatherer.failed()) {
        Clock->stop();
        if (m_gatherer.isComplete())
            accept();
        else
            reject();
    }
}
