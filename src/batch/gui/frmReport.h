#pragma once

#include "batch/BatchRun.h"

#include <QDialog>

#include <functional>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTimer;
class frmAntiVirusQuery;
class frmPurgeWarning;

// The report window: runs one operation (BatchRun) and shows its report, with Pause, Stop, Close and copy.
class frmReport : public QDialog, public BatchRun {
    Q_OBJECT
public:
    explicit frmReport(RunContext& context, QWidget* parent = nullptr);
    ~frmReport() override;

    QPlainTextEdit* txbText;
    QLabel* lblPausedDone;
    QPushButton* cmdStop;
    QPushButton* cmdPauseContinue;
    QPushButton* cmdClose;
    QPushButton* cmdCopyToClipboard;
    QTimer* Clock;

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

protected:
    void runStarted() override;
    void runEnded() override;
    void reportChanged(bool scroll) override;
    void statusChanged() override;
    void setClockEnabled(bool on) override;
    void stopPressed() override;
    void pauseToggled() override;
    void fitToReport() override;
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
    void selectionFeedback();

    frmAntiVirusQuery* m_antiVirusQuery = nullptr;
    frmPurgeWarning* m_purgeWarning = nullptr;
    QString m_shown;      // the report as the text box shows it
    bool m_dirty = false; // the report changed since the text box was brought up to date
    bool m_scrollWanted = false;
};
