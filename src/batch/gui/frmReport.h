#pragma once

#include "batch/BatchRun.h"

#include <QDialog>

#include <functional>

class QLabel;
class QPushButton;
class QTimer;
class ProgressPanel;
class ReportView;
class frmAntiVirusQuery;
class frmPurgeWarning;

// The report window: runs one operation (BatchRun) and shows its report, with Pause, Stop, Close and copy.
class frmReport : public QDialog, public BatchRun {
    Q_OBJECT
public:
    explicit frmReport(RunContext& context, QWidget* parent = nullptr);
    ~frmReport() override;

    ReportView* txbText;
    QLabel* lblPausedDone;
    QPushButton* cmdStop;
    QPushButton* cmdPauseContinue;
    QPushButton* cmdClose;
    QPushButton* cmdCopyToClipboard;
    QTimer* Clock;
    ProgressPanel* fraProgress; // the progress of a long file and of its folder

    // The window's size when a run starts; a short report then shrinks it to fit.
    static constexpr int kStartWidth = 760, kStartHeight = 560;

    frmAntiVirusQuery& antiVirusQuery();
    frmPurgeWarning& purgeWarning();

    // Close while a comparison report is shown (the reliability test sets this).
    std::function<void()> onCloseComparison;

    void cmdStop_Click();
    void cmdPauseContinue_Click();
    void cmdClose_Click();
    void cmdCopyToClipboard_Click();

    // Brings the text box up to date with the report now (the clock does this while a run goes on).
    void refreshText();

    // Grows the window (as far as the screen allows) until the text box shows this many lines.
    void showAtLeastLines(int lines);
    // A reliability test's report never shrinks below this.
    static constexpr int kComparisonLines = 12;

    // What another window shows of the run in progress: "Running: 3 of 8 files" and the status beside it; empty
    // when no run is under way.
    QString runningText() const;

signals:
    // A run began or ended, a file began, or the status changed.
    void runProgress();

protected:
    void runStarted() override;
    void runEnded() override;
    void reportChanged(bool scroll) override;
    void statusChanged() override;
    void setClockEnabled(bool on) override;
    void stopPressed() override;
    void pauseToggled() override;
    void fitToReport() override;
    void fileStarted(qsizetype index, const QString& path, qint64 size, bool inPlace) override;
    void fileFinished() override;
    void hideWindow() override;
    void showCopyButton() override;
    bool purgeAdviceWanted() const override;
    void showPurgeAdvice(const QString& path) override;
    void resetPurgeAdvice() override;

    void closeEvent(QCloseEvent* event) override;
    void reject() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void scrollToEnd();
    // Brings the text box up to date with the report: it finds the lines again from the first change on.
    void showNewText();
    void selectionFeedback();
    // Fits the text box to the whole report, closing lines included (see fitToReport).
    void fitNow();
    // Bytes of the folder's matching files before file `index`, and in all.
    std::pair<qint64, qint64> folderBytes(const QString& folder, qsizetype index);

    frmAntiVirusQuery* m_antiVirusQuery = nullptr;
    frmPurgeWarning* m_purgeWarning = nullptr;
    bool m_dirty = false; // the report changed since the text box was brought up to date
    bool m_scrollWanted = false;
    bool m_fitPending = false; // the run asked for the fit; the date line is still to come
    QString m_sizesFolder;     // the folder whose sizes m_sizesBefore holds
    QList<qint64> m_sizesBefore;
    qint64 m_filesStarted = 0; // the files of this run whose step has begun
};
