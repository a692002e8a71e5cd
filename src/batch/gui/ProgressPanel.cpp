#include "batch/gui/ProgressPanel.h"

#include "platform/engine/Engine.h"

#include <QLabel>
#include <QProgressBar>
#include <QTimer>
#include <QVBoxLayout>

ProgressPanel::ProgressPanel(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("fraProgress"));
    barFile = new QProgressBar(this);
    barFile->setObjectName(QStringLiteral("barFile"));
    barFile->setRange(0, 100);
    lblFile = new QLabel(this);
    lblFile->setObjectName(QStringLiteral("lblFileProgress"));
    lblFolder = new QLabel(this);
    lblFolder->setObjectName(QStringLiteral("lblFolderProgress"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(barFile);
    layout->addWidget(lblFile);
    layout->addWidget(lblFolder);
    hide();

    m_timer = new QTimer(this);
    m_timer->setInterval(kIntervalMs);
    connect(m_timer, &QTimer::timeout, this, [this] {
        if (m_fileActive)
            takeReading(zq4e::progress_bytes(), m_clock.elapsed());
    });
}

void ProgressPanel::setDisplayOn(bool on) {
    m_on = on;
    if (!on) {
        m_timer->stop();
        hide();
    }
}

bool ProgressPanel::ticking() const {
    return m_timer->isActive();
}

void ProgressPanel::runStarted() {
    m_fileActive = false;
    hide();
    if (m_on)
        m_timer->start();
}

void ProgressPanel::runEnded() {
    m_timer->stop();
    m_fileActive = false;
    hide();
}

void ProgressPanel::fileStarted(const QString& name, qint64 size, bool inPlace, qint64 fileNumber, qint64 files,
                                std::function<std::pair<qint64, qint64>()> folderBytes) {
    if (!m_on)
        return;
    m_progress.start(size, inPlace);
    m_name = name;
    m_fileNumber = fileNumber;
    m_files = files;
    m_bytesBefore = -1; // looked up once the file is shown
    m_folderBytes = std::move(folderBytes);
    m_clock.start();
    m_fileActive = true;
    // The file before is done; a short one is not shown at all.
    hide();
}

void ProgressPanel::fileEnded() {
    m_fileActive = false;
    hide();
}

void ProgressPanel::takeReading(qint64 bytesRead, qint64 elapsedMs) {
    if (!m_on || !m_fileActive)
        return;
    m_progress.sample(bytesRead, elapsedMs);
    if (elapsedMs < intShowAfterMs || m_progress.size() <= 0)
        return;
    if (m_bytesBefore < 0 && m_folderBytes) {
        const auto [before, total] = m_folderBytes();
        m_bytesBefore = before;
        m_folderTotal = total;
    }
    barFile->setValue(m_progress.percent());
    lblFile->setText(m_progress.fileLine(m_name));
    const qint64 fileDone = m_progress.total() > 0 ? m_progress.done() * m_progress.size() / m_progress.total() : 0;
    lblFolder->setText(
        FileProgress::folderLine(m_fileNumber, m_files, qMax<qint64>(m_bytesBefore, 0) + fileDone, m_folderTotal));
    show();
}
