#include "batch/BatchRun.h"

#include "batch/FileLine.h"
#include "batch/OperationWording.h"
#include "batch/RunClock.h"
#include "batch/RunContext.h"
#include "batch/RunSummary.h"
#include "files/FileProc.h"
#include "key/KeyMaterial.h"
#include "key/frmKeyFrom.h"
#include "platform/os/MessageBox.h"
#include "platform/os/NativeName.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QLocale>
#include <QTimer>

namespace {
const QString crlf = QStringLiteral("\r\n");
} // namespace

BatchRun::BatchRun(RunContext& context) : m_ctx(context), m_fileOps(context), m_step(*this) {}

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
    QEventLoop loop;
    QTimer::singleShot(waitMs, &loop, &QEventLoop::quit);
    loop.exec();
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

bool BatchRun::stepEncrypts() const {
    return setup().blnEncrypt;
}

void BatchRun::stepBegins(qsizetype i, const QString& path, qint64 size, bool inPlace) {
    ++intFilesAttempted;
    fileStarted(i, path, size, inPlace);
}

void BatchRun::ProcessFiles() {
    if (m_running)
        return;
    beginRun();
    const bool survey = blnGettingInputFilesizes && !blnRandomnessReport;
    if (blnPerformingOperation || blnRandomnessReport) {
        m_report.clear();
        reportChanged(false);
        blnStop = blnPaused = blnComparisonReport = false;
        intFilesAttempted = intFilesProcessed = intReportLines = lngTotalBytesProcessed = intWrongKeyFiles = 0;
        runStarted();
        double elapsed = 0;
        if (blnRandomnessReport)
            listFolderRandomness(strNextDirPath, strCurrentFileSpec);
        else if (survey)
            ProcessFolder(strInputDirpath, strInputFilespec, strOutputDirpath, strOutputFilespec);
        else
            elapsed = operate();
        runEnded();
        setClockEnabled(false);
        closeReport(elapsed, survey);
    }
    if (!m_report.isEmpty())
        reportChanged(true);
    endRun();
}

void BatchRun::beginRun() {
    m_ctx.runSetup = m_ctx.setup;
    // The run owns its key: what happens to the key panel meanwhile cannot change what this run writes.
    KeyMaterial::replace(m_ctx.runKey, QByteArray(m_ctx.key.strKey.constData(), m_ctx.key.strKey.size()));
    m_ctx.runKeyFrom = m_ctx.key.intKeyFrom;
    m_ctx.runKeyFile = m_ctx.key.strKeyFile;
    m_refusedFolder.clear();
    m_step.start(m_ctx.beforePurge);
    m_running = true;
    setStatus(QString());
    intOperationResult = 0;
    blnReportSuspended = false;
    m_abandon = false;
}

void BatchRun::endRun() {
    m_locks.releaseAll();
    KeyMaterial::wipe(m_ctx.runKey);
    m_ctx.runKey.clear();
    m_running = false;
}

double BatchRun::operate() {
    const double t0 = RunClock::secondsOfDay();
    sngPausedSeconds = 0;
    resetPurgeAdvice();
    m_fileOps.SetSensitiveFileExtensions();
    ProcessFolder(strInputDirpath, strInputFilespec, strOutputDirpath, strOutputFilespec);
    m_step.commitGroup();
    m_step.commitNewFiles();
    m_step.syncPendingFolder();
    m_locks.releaseAll();
    double t1 = RunClock::secondsOfDay();
    if (t1 < t0)
        t1 += 86400;
    m_elapsed = t1 - t0 - sngPausedSeconds;
    return m_elapsed;
}

void BatchRun::closeReport(double elapsed, bool survey) {
    if (!survey && !m_ctx.blnPerformingReliabilityTest) {
        writeSummary(elapsed);
        if (blnStop && blnPerformingOperation && intMatchingFiles > intFilesAttempted)
            writeDirect(notReachedLine(intMatchingFiles - intFilesAttempted) + crlf);
    }
    if (m_status == statusStopping() || (blnStop && m_status == statusPausing()))
        setStatus(statusStopped());
    fitToReport();
    sayRefusal();
    if (!survey && !m_ctx.blnPerformingReliabilityTest) {
        const QDateTime now = RunClock::now();
        writeDirect(crlf + QLocale().toString(now.date(), QLocale::ShortFormat) + QStringLiteral(", ") +
                    now.time().toString(QStringLiteral("hh:mm")) + crlf);
        if (!m_report.isEmpty())
            showCopyButton();
    }
    if (m_status != statusPaused() && m_status != statusStopped() && !survey && intFilesProcessed >= 1)
        setStatus(statusDone());
}

void BatchRun::sayRefusal() {
    if (intOperationResult == -1) {
        hideWindow();
        MessageBox::show(QStringLiteral("Output file specification ") + QLatin1Char('"') +
                             FileProc::OutputSpecShown(strOutputFilespec, setup().blnEncrypt) + QLatin1Char('"') +
                             QStringLiteral(" produces duplicate output filenames!"),
                         QStringLiteral("Error"), MessageBox::Warning);
    } else if (intOperationResult == -2) {
        hideWindow();
        MessageBox::show(QStringLiteral("Another ZQ4 operation is using the folder ") +
                             NativeName::shown(m_refusedFolder) + QStringLiteral(".  Nothing was done in it."),
                         QStringLiteral("Folder in use"), MessageBox::Warning);
    } else if (intOperationResult == -3) {
        hideWindow();
        MessageBox::show(QStringLiteral("The output file ") + m_clashOutput +
                             QStringLiteral(" would replace the input file ") + m_clashInput +
                             QStringLiteral(" of the same operation.  Nothing was done in this folder."),
                         QStringLiteral("Error"), MessageBox::Warning);
    }
}

void BatchRun::writeSummary(double elapsed) {
    RunSummary::Figures f;
    f.filesAttempted = intFilesAttempted;
    f.filesProcessed = intFilesProcessed;
    f.bytesProcessed = lngTotalBytesProcessed;
    f.elapsedSeconds = elapsed;
    f.encrypt = setup().blnEncrypt;
    f.outputFilesSame = setup().blnOutputFilesSame;
    f.randomnessReport = blnRandomnessReport;
    f.wrongKeyFiles = intWrongKeyFiles;
    for (const QString& line : RunSummary::Lines(f))
        writeDirect(line);
}
