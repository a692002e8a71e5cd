#include "randomness/gui/frmGraphic.h"

#include "platform/os/MessageBox.h"
#include "platform/os/gui/OnScreen.h"
#include "randomness/ProgressBarText.h"
#include "randomness/gui/BytePairPicture.h"

#include <QCoreApplication>
#include <QFile>
#include <QFontDatabase>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {
const QString kDisplay = QStringLiteral("&Display");
const QString kStop = QStringLiteral("&Stop");
const QString kClose = QStringLiteral("&Close");
} // namespace

frmGraphic::frmGraphic(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmGraphic"));
    setModal(true);

    // Each byte pair is drawn as two by two pixels where the screen has room for that, else as one.
    const int room = OnScreen::boundedByScreen(QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX), this).height();
    Picture1 = new BytePairPicture(room >= 2 * 256 + 140 ? 2 : 1, this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    lblFilesize = new QLabel(this);
    lblFilesize->setObjectName(QStringLiteral("lblFilesize"));
    lblRandomness = new QLabel(this);
    lblRandomness->setObjectName(QStringLiteral("lblRandomness"));
    lblProgressBar = new QLabel(this);
    lblProgressBar->setObjectName(QStringLiteral("lblProgressBar"));
    lblProgressBar->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    cmdDisplay = new QPushButton(kDisplay, this);
    cmdDisplay->setObjectName(QStringLiteral("cmdDisplay"));
    Clock = new QTimer(this);
    Clock->setObjectName(QStringLiteral("Clock"));
    Clock->setInterval(500);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Picture1, 0, Qt::AlignHCenter);
    layout->addWidget(lblFilesize);
    layout->addWidget(lblRandomness);
    layout->addWidget(lblProgressBar);
    layout->addWidget(cmdDisplay, 0, Qt::AlignHCenter);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(cmdDisplay, &QPushButton::clicked, this, &frmGraphic::cmdDisplay_Click);
    connect(Clock, &QTimer::timeout, this, &frmGraphic::Clock_Timer);
    connect(Picture1, &BytePairPicture::clicked, this, &frmGraphic::Picture1_Click);
}

int frmGraphic::pointCount() const {
    return Picture1->pointCount();
}

void frmGraphic::setClockInterval(int milliseconds) {
    Clock->setInterval(milliseconds);
}

void frmGraphic::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (cmdDisplay->text() != kDisplay)
        return;
    Picture1->clear();
    lblProgressBar->clear();
    Clock->stop();
    cmdDisplay->setEnabled(true);
    cmdDisplay->setFocus();
    m_state = Ready;
    m_progress = 0;
    m_pairsPlotted = 0;
}

void frmGraphic::cmdDisplay_Click() {
    switch (m_state) {
    case Finished:
        done(QDialog::Rejected);
        return;
    case Drawing:
        cmdDisplay->setText(kClose);
        m_state = Finished;
        return;
    default:
        draw();
    }
}

void frmGraphic::reject() {
    m_state = Finished;
    cmdDisplay_Click();
}

void frmGraphic::Clock_Timer() {
    lblProgressBar->setText(ProgressBarText::bar(m_progress));
}

void frmGraphic::Picture1_Click() {
    cmdDisplay->setFocus();
}

void frmGraphic::draw() {
    Clock->start();
    m_state = Drawing;
    m_progress = 0;
    m_pairsPlotted = 0;
    lblProgressBar->setText(ProgressBarText::emptyBar());
    cmdDisplay->setText(kStop);
    QCoreApplication::processEvents();

    QFile file(strCurrentFilePath);
    bool failed = !file.open(QIODevice::ReadOnly);
    if (!failed) {
        QByteArray block(kBlockSize, Qt::Uninitialized);
        for (qint64 offset = 0;; offset += kBlockSize) {
            const qint64 got = file.read(block.data(), kBlockSize);
            bool shortRead = got < 0;
            const bool more = !shortRead && plotBlock(block.constData(), got, offset, shortRead);
            failed = shortRead;
            if (!more)
                break;
        }
    }
    Picture1->update();
    if (failed)
        MessageBox::show(QStringLiteral("Error reading file!"), QStringLiteral("Randomness report"),
                         MessageBox::Warning);
    endDrawing(file);
}

bool frmGraphic::plotBlock(const char* data, qint64 got, qint64 offset, bool& shortRead) {
    // An odd length would leave a lone last byte; it belongs to no pair.
    const qint64 length = lngFilesize & ~qint64(1);
    for (qint64 i = 0; i < kBlockSize; i += 2) {
        if (offset + i >= length || m_state == Finished) {
            if (m_state == Drawing) {
                lblProgressBar->setText(ProgressBarText::fullBar());
                m_state = Finished;
                cmdDisplay->setText(kClose);
            }
            return false;
        }
        // The file has become shorter than the length given: what is missing cannot be drawn.
        if (i + 1 >= got) {
            shortRead = true;
            return false;
        }
        Picture1->setPoint(static_cast<uchar>(data[i]), static_cast<uchar>(data[i + 1]));
        ++m_pairsPlotted;
        m_progress = ProgressBarText::cellsDone(offset + i + 2, length);
        if ((i + 2) % kEventInterval == 0) {
            Picture1->update();
            QCoreApplication::processEvents();
        }
    }
    return true;
}

void frmGraphic::endDrawing(QFile& file) {
    file.close();
    Clock->stop();
}
