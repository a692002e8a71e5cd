#include "batch/BatchRun.h"

#include "batch/FileLine.h"
#include "batch/RunClock.h"
#include "batch/RunContext.h"
#include "batch/RunSummary.h"
#include "files/FileProc.h"
#include "key/KeyMaterial.h"
#include "key/frmKeyFrom.h"
#include "platform/os/MessageBox.h"
#include "platform/os/NativeName.h"
#include "randomness/RandomnessListing.h"

#include <QLocale>

// A run from its start to its summary: what it is asked to do, the operation over its folders, the randomness
// listing, and what it says at the end. The walk through the folders (BatchRunFolder.cpp), the report
// (BatchRunReport.cpp) and the pace (BatchRunPace.cpp) are below it; BatchRun.cpp holds what all of them share.

namespace {
const QString crlf = QStringLiteral("\r\n");
} // namespace

BatchRun::BatchRun(RunContext& context) : m_ctx(context), m_fileOps(context), m_step(stepHost()) {}

StepHost BatchRun::stepHost() {
    StepHost h;
    h.context = &m_ctx;
    h.engine = &m_fileOps;
    h.fileCount = [this] { return strInputNames.size(); };
    h.inputNameOf = [this](qsizetype i) { return strInputNames.at(i); };
    h.outputNameOf = [this](qsizetype i) { return outputNameAt(i); };
    h.outputPattern = [this] { return strOutputFilespec; };
    h.fileBegins = [this](qsizetype i, const QString& path, qint64 size, bool inPlace) {
        stepBegins(i, path, size, inPlace);
    };
    h.pendingPiece = [this](const QString& piece, bool scroll) { showPending(piece, scroll); };
    h.finalText = [this](const QString& text) { AddToReport(text, true); };
    h.openText = [this](const QString& text) { return writeOpen(text); };
    h.redoOpen = [this](qsizetype at, const QString& was, const QString& now) { replaceOpen(at, was, now); };
    h.settleOpen = [this] { settleReport(); };
    h.lineDone = [this](const FileLine& line) { fileDone(line); };
    h.abandoned = [this] { return m_abandon; };
    h.stopAfter = [this] { blnStop = true; };
    h.adviceShown = [this] { return purgeAdviceWanted(); };
    h.advise = [this](const QString& path) { OfferPurgeAdvice(path); };
    h.placeResult = [this](const QString& tempPath, const QString& path) { return renameResult(tempPath, path); };
    return h;
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
    m_step.start(m_ctx.runSetup.blnEncrypt, lineInProgressShown(), m_ctx.beforePurge);
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

void BatchRun::listFolderRandomness(const QString& folder, const QString& spec) {
    RandomnessListingContext c;
    c.blnSubdirectories = setup().blnSubdirectories;
    c.intMinFilesizeForRandomness = m_ctx.intMinFilesizeForRandomness;
    c.dblMinZQ4Randomness = m_ctx.dblMinZQ4Randomness;
    c.addToReport = [this](const QString& text) { return appendListing(text); };
    c.checkPauseAndStop = [this] {
        CheckPauseAndStop();
        return blnStop;
    };
    c.fileAttempted = [this] { ++intFilesAttempted; };
    c.setNumFiles = [this](qint64 n) { m_ctx.intNumFiles = n; };
    c.setNextDirPath = [this](const QString& dir) { strNextDirPath = dir; };
    c.failed = [this] {
        ReportBufferFull();
        blnStop = true;
        setClockEnabled(false);
    };
    RandomnessListing::ListFolderRandomness(folder, spec, c);
}
