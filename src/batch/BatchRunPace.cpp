#include "batch/BatchRun.h"

#include "batch/RunClock.h"
#include "batch/RunContext.h"
#include "platform/os/PathEntry.h"

// The pace of a run: Stop, Pause and Continue, and the dialogs that stop its clock.

namespace {
const QString crlf = QStringLiteral("\r\n");
} // namespace

void BatchRun::requestStop() {
    blnStop = true;
    m_ctx.blnGenerateNextKey = true;
    if (m_ctx.stopOwnerClock)
        m_ctx.stopOwnerClock();
    stopPressed();
    // A file in progress is finished first: the window says so until the run has really stopped.
    if (m_inFile) {
        setStatus(statusStopping());
        return;
    }
    setClockEnabled(false);
    setStatus(statusStopped());
}

void BatchRun::togglePause() {
    blnPaused = !blnPaused;
    pauseToggled();
    if (blnPaused && m_inFile)
        setStatus(statusPausing());
    else if (!blnPaused && (m_status == statusPaused() || m_status == statusPausing()))
        setStatus(QString());
}

void BatchRun::OfferPurgeAdvice(const QString& path) {
    if (!purgeAdviceWanted())
        return;
    setClockEnabled(false);
    sngPauseStart = RunClock::secondsOfDay();
    showPurgeAdvice(path);
    sngPausedSeconds += secondsSince(sngPauseStart);
    setClockEnabled(true);
}

void BatchRun::CheckPauseAndStop() {
    yieldToEvents();
    if (blnStop || blnPaused) {
        m_step.commitGroup();
        m_step.commitNewFiles();
    }
    if (blnStop) {
        AddToReport(crlf);
        return;
    }
    if (!blnPaused)
        return;
    reportChanged(true);
    setClockEnabled(false);
    setStatus(statusPaused());
    sngPauseStart = RunClock::secondsOfDay();
    m_step.syncPendingFolder();
    while (blnPaused && !blnStop)
        yieldToEvents(20);
    if (blnStop)
        AddToReport(crlf);
    sngPausedSeconds += secondsSince(sngPauseStart);
    setClockEnabled(!blnStop);
}

bool BatchRun::renameResult(const QString& tempPath, const QString& path) {
    return PathEntry::rename(tempPath, path, false);
}
