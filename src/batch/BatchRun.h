#pragma once

#include "batch/FileStep.h"
#include "batch/FolderLock.h"
#include "batch/ReportBuffer.h"
#include "batch/frmFileOps.h"

#include <QString>
#include <QStringList>

struct OperationSetup;
namespace Folder {
struct OtherEntry;
}
struct RunContext;

// One operation over the matching files of a folder (and, on request, its subfolders), with the report of
// every file and a closing summary. The report window is this plus its controls; the hooks below are how
// the run shows itself, and do nothing here so that a run also works without a window.
class BatchRun {
public:
    explicit BatchRun(RunContext& context);
    virtual ~BatchRun() = default;
    BatchRun(const BatchRun&) = delete;
    BatchRun& operator=(const BatchRun&) = delete;

    // Request, set by the caller before ProcessFiles.
    bool blnPerformingOperation = false;
    bool blnRandomnessReport = false;
    bool blnGettingInputFilesizes = false;
    QString strInputDirpath, strInputFilespec;
    QString strOutputDirpath, strOutputFilespec;
    QString strNextDirPath, strCurrentFileSpec;

    // Results.
    bool blnStop = false;
    // -1: the output file pattern produces duplicate output names; -2: another run holds a folder of this one;
    // -3: an output file would be another input file of the same folder.
    int intOperationResult = 0;
    qint64 lngTotalInputFilesize = 0;
    // The matching files of the whole run, counted by a window as the run starts (-1: not counted); a stopped run
    // then says how many of them it did not reach.
    qint64 intMatchingFiles = -1;

    // Run state.
    bool blnPaused = false;
    double sngPauseStart = 0;
    double sngPausedSeconds = 0;
    qint64 intFilesAttempted = 0;
    qint64 intFilesProcessed = 0;
    qint64 lngTotalBytesProcessed = 0;
    // Decryptions refused although the file began as ours: the key did not open it.
    qint64 intWrongKeyFiles = 0;
    qint64 intReportLines = 0;
    bool blnReportSuspended = false;
    bool blnComparisonReport = false;
    QStringList strInputNames, strOutputNames;
    // The output name of input i of the folder in progress (empty when it has none).
    QString outputNameAt(qsizetype i) const;

    // Runs what the request flags ask for. Does nothing while a run is already in progress.
    void ProcessFiles();
    bool isRunning() const { return m_running; }

    QString TxtEncDec(const QString& word) const;
    void AddToReport(const QString& text, bool scroll = false);
    void ReportBufferFull();
    void OfferPurgeAdvice(const QString& path);

    // The actions behind the Stop and Pause/Continue buttons.
    void requestStop();
    void togglePause();

    const ReportBuffer& report() const { return m_report; }
    ReportBuffer& report() { return m_report; }
    QString status() const { return m_status; }
    frmFileOps& fileOps() { return m_fileOps; }
    RunContext& context() { return m_ctx; }

    // The report's elapsed seconds of the last real run (pauses and dialogs taken out).
    double lastElapsedSeconds() const { return m_elapsed; }

    static QString statusPaused() { return QStringLiteral("Paused"); }
    static QString statusStopped() { return QStringLiteral("Stopped"); }
    static QString statusDone() { return QStringLiteral("Done"); }
    // While the file in progress finishes after Stop or Pause.
    static QString statusStopping() { return QStringLiteral("Stopping after this file..."); }
    static QString statusPausing() { return QStringLiteral("Pausing after this file..."); }
    // "6 matching files were not reached."
    static QString notReachedLine(qint64 notReached);

protected:
    // How the run shows itself; a window overrides these.
    virtual void runStarted() {}
    virtual void runEnded() {}
    virtual void reportChanged(bool scroll) { (void)scroll; }
    virtual void statusChanged() {}
    virtual void setClockEnabled(bool on) { (void)on; }
    virtual void stopPressed() {}
    virtual void pauseToggled() {}
    virtual void fitToReport() {}
    // Whether anyone sees the line in progress (its pieces are not even made otherwise).
    virtual bool lineInProgressShown() const { return true; }
    // The step of file `index` of the folder's names begins (a window shows the progress of a long file).
    virtual void fileStarted(qsizetype index, const QString& path, qint64 size, bool inPlace) {
        (void)index, (void)path, (void)size, (void)inPlace;
    }
    // That step is over, whatever its outcome.
    virtual void fileFinished() {}
    virtual void hideWindow() {}
    virtual void showCopyButton() {}
    // Lets queued events run; waitMs > 0 also waits up to that long for one.
    virtual void yieldToEvents(int waitMs = 0);
    // The antivirus question and purge advice; purgeAdviceWanted() false means none are shown.
    virtual bool purgeAdviceWanted() const { return false; }
    virtual void showPurgeAdvice(const QString& path) { (void)path; }
    virtual void resetPurgeAdvice() {}
    // The randomness listing of a folder (owned by the randomness report).
    virtual void listFolderRandomness(const QString& folder, const QString& spec);

    // Puts an in-place result under the original's name (the original is gone by then).
    virtual bool renameResult(const QString& tempPath, const QString& path);

    void setStatus(const QString& status);

private:
    // What the step of a file is given of the run (StepHost.h).
    StepHost stepHost();
    void stepBegins(qsizetype i, const QString& path, qint64 size, bool inPlace);
    void showPending(const QString& piece, bool scroll);
    qsizetype writeOpen(const QString& text);
    void replaceOpen(qsizetype at, const QString& was, const QString& now);
    void settleReport();
    void fileDone(const FileLine& line);

    // The run's state as a run begins, and its key given up as it ends.
    void beginRun();
    void endRun();
    // The operation over the folders, with what must be final before the summary; its elapsed seconds.
    double operate();
    // The summary, the closing lines and messages of a run that has ended.
    void closeReport(double elapsed, bool survey);
    void sayRefusal();

    void ProcessFolder(QString inputDir, const QString& spec, QString outputDir, const QString& outputSpec);
    // The folder's matching names (without those recovered) and other entries, and its subfolders when the run
    // goes into them; false when the folder could not be read (its line says so).
    bool listFolder(const QString& inputDir, const QString& outputDir, const QString& spec,
                    const QStringList& recovered, QStringList& matching, QList<Folder::OtherEntry>& others,
                    QStringList& subfolders);
    void writeFolderHeader(const QString& inputDir, const QString& spec);
    // Each matching file of the folder in turn; false when the folder's procedure ends here.
    bool processNames(const QString& inputDir, const QString& outputDir, const QString& outputSpec);
    void CheckPauseAndStop();
    // A line for each matching entry that is not a file to work on, or that could not be looked at.
    void reportOtherEntries(const QList<Folder::OtherEntry>& others);
    // The folder's results are final and its lock is given up: the walk does not come back to it.
    QString m_folderOutputSpec;
    void makeOutputFolder(const QString& inputDir, const QString& outputDir);
    void leaveFolder(const QString& inputDir, const QString& outputDir);
    // Before anything of a folder is processed: the folders are ours (else false: another run holds one), and what
    // a killed run left there is put right; `recovered` receives the names that got their results back.
    bool takeFolder(const QString& inputDir, const QString& spec, const QString& outputDir, const QString& outputSpec,
                    QStringList& recovered);
    // What the run goes by: the setup as it started while a run is in progress, else the current one.
    const OperationSetup& setup() const;
    void writeSummary(double elapsed);
    void writeDirect(const QString& text);
    // Text of the randomness listing; false when the report is full (nothing was written).
    bool appendListing(const QString& text);
    void failure(const QString& description);
    void capacityReached();
    double secondsSince(double start) const;

    RunContext& m_ctx;
    frmFileOps m_fileOps;
    ReportBuffer m_report;
    QString m_status;
    bool m_running = false;
    bool m_abandon = false; // a failure ended the run's folder procedure
    bool m_inFile = false;  // a file's step is under way (Stop and Pause act after it)
    double m_elapsed = 0;
    // Each file's step; small files wait in its groups until they are made final, which happens before anything
    // else is reported or asked, and before a pause, a stop or the next folder.
    FileStep m_step;
    FolderLock m_locks;
    QString m_refusedFolder;             // intOperationResult -2: the folder another run holds
    QString m_clashOutput, m_clashInput; // intOperationResult -3
};
