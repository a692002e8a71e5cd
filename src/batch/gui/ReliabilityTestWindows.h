#pragma once

#include "batch/ReliabilityTest.h"

#include <QPointer>

#include <functional>

class QLabel;
class QTimer;
class QWidget;
struct RunContext;
class frmReliabilityTest;
class frmReport;

// What the main window lends a reliability test: its buttons' actions and the widgets the test touches.
struct ReliabilityTestMainSide {
    std::function<void()> doIt;     // "Do it!" with the left button
    std::function<void()> function; // "Function" with the left button
    std::function<void()> replaySwitches;
    std::function<void()> showAllFileStatus;
    std::function<void()> restoreSetup; // the "Restore setup" action
    bool* blnDoItAborted = nullptr;
    QWidget* window = nullptr;
    QWidget* fraMenu = nullptr;
    QLabel* lblPerformingReliabilityTest = nullptr;
    // Sets the context's blnGenerateNextKey at every tick; the test runs it only while it waits.
    QTimer* clock = nullptr;
};

// The reliability test played out on the main window and the report window.
class ReliabilityTestWindows : public ReliabilityTestHost {
public:
    ReliabilityTestWindows(frmReport& report, RunContext& context, ReliabilityTestMainSide main);
    ~ReliabilityTestWindows() override;
    ReliabilityTestWindows(const ReliabilityTestWindows&) = delete;
    ReliabilityTestWindows& operator=(const ReliabilityTestWindows&) = delete;

    frmReliabilityTest& dialog();

    // Step of "Do it!": for a setup that names the test, offers the dialog and runs what was chosen. Returns
    // true when "Do it!" ends here, false when it goes on with the operation as set up.
    bool divertDoIt();
    // Runs the passes the dialog asked for.
    void RunReliabilityTest();

    // ReliabilityTestHost
    OperationSetup& setup() override;
    frmKeyFrom& key() override;
    void testStarted() override;
    void testEnded() override;
    void ReplaySwitches() override;
    void ShowAllFileStatus() override;
    void doIt() override;
    void function() override;
    bool doItAborted() const override;
    void setDoItAborted(bool aborted) override;
    bool runStopped() const override;
    bool programEnding() const override;
    qint64 CopyMatchingFiles(const QString& folder, const QString& spec, const QString& targetFolder,
                             const QString& targetSpec, bool overwrite) override;
    bool FileComparison(const QString& extension) override;
    qint64 numFiles() const override;
    void appendToReport(const QString& text) override;
    void beginInterval(bool separate) override;
    void waitForNextKey() override;
    void endInterval(bool separate) override;
    void showCloseButton() override;
    void cmdRestoreSetup_Click() override;
    void focusReport() override;

    // Compares files for FileComparison; tests replace it.
    ReliabilityTest::Compare compare;

private:
    void closeComparison();

    frmReport& m_report;
    QPointer<QObject> m_reportAlive; // the window may go first when both belong to the main window
    RunContext& m_ctx;
    ReliabilityTestMainSide m_main;
    QPointer<frmReliabilityTest> m_dialog;
    bool m_running = false;
    QStringList m_encryptedNames; // output names of the last encryption of a pass
};
