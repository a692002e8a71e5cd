#include "batch/BatchRun.h"

#include "batch/OperationWording.h"
#include "batch/RunClock.h"
#include "batch/RunContext.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

// What every part of a run shares: its wording, its status, its time and a turn for the window's events.

QString BatchRun::TxtEncDec(const QString& word) const {
    return ::TxtEncDec(word, setup().blnEncrypt);
}

void BatchRun::setStatus(const QString& status) {
    m_status = status;
    statusChanged();
}

void BatchRun::yieldToEvents(int waitMs) {
    if (waitMs <= 0) {
        QCoreApplication::processEvents();
        return;
    }
    // The timer is the event waited for when nothing else comes first.
    QTimer wake;
    wake.setSingleShot(true);
    wake.start(waitMs);
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

double BatchRun::secondsSince(double start) const {
    double d = RunClock::secondsOfDay() - start;
    if (d < 0)
        d += 86400;
    return d;
}

QString BatchRun::notReachedLine(qint64 notReached) {
    return notReached == 1 ? QStringLiteral("1 matching file was not reached.")
                           : QString::number(notReached) + QStringLiteral(" matching files were not reached.");
}

const OperationSetup& BatchRun::setup() const {
    return m_running ? m_ctx.runSetup : m_ctx.setup;
}
