#include "batch/gui/ReliabilityTestWindows.h"

#include "batch/RunContext.h"
#include "batch/gui/ReportView.h"
#include "batch/gui/frmReliabilityTest.h"
#include "batch/gui/frmReport.h"
#include "files/FileProc.h"
#include "files/Folder.h"
#include "key/frmKeyFrom.h"
#include "platform/filekit/Language2.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

ReliabilityTestWindows::ReliabilityTestWindows(frmReport& report, RunContext& context, ReliabilityTestMainSide main)
    : compare(FileProc::CompareFiles), m_report(report), m_reportAlive(&report), m_ctx(context),
      m_main(std::move(main)) {
    m_report.onCloseComparison = [this] { closeComparison(); };
}

ReliabilityTestWindows::~ReliabilityTestWindows() {
    if (m_reportAlive)
        m_report.onCloseComparison = nullptr;
    if (m_dialog && !m_dialog->parent())
        delete m_dialog;
}

frmReliabilityTest& ReliabilityTestWindows::dialog() {
    if (!m_dialog)
        m_dialog = new frmReliabilityTest(m_main.window);
    return *m_dialog;
}

bool ReliabilityTestWindows::divertDoIt() {
    frmReliabilityTest& d = dialog();
    if (!ReliabilityTest::setupNamesTest(m_ctx.setup,
                                         m_ctx.blnPerformingReliabilityTest || d.blnPerformingReliabilityTest))
        return false;
    d.exec(m_ctx.setup.blnOutputFilesSame);
    if (m_main.window)
        m_main.window->repaint();
    if (d.blnCancel)
        return true;
    if (!d.blnPerformingReliabilityTest)
        return false;
    if (d.intNumReliabilityTests > 0)
        RunReliabilityTest();
    d.blnPerformingReliabilityTest = false;
    return true;
}

void ReliabilityTestWindows::RunReliabilityTest() {
    frmReliabilityTest& d = dialog();
    d.blnPerformingReliabilityTest = true;
    m_ctx.blnPerformingReliabilityTest = true;
    m_running = true;
    ::RunReliabilityTest(*this, d);
    m_running = false;
    m_ctx.blnPerformingReliabilityTest = false;
}

OperationSetup& ReliabilityTestWindows::setup() {
    return m_ctx.setup;
}

frmKeyFrom& ReliabilityTestWindows::key() {
    return m_ctx.key;
}

namespace {
// Every menu button but Quit: the program can always be ended.
void setMenuEnabled(QWidget* menu, bool on) {
    if (!menu)
        return;
    for (QAbstractButton* b : menu->findChildren<QAbstractButton*>(Qt::FindDirectChildrenOnly))
        if (b->objectName() != QLatin1String("cmdQuit"))
            b->setEnabled(on);
}
} // namespace

void ReliabilityTestWindows::testStarted() {
    setMenuEnabled(m_main.fraMenu, false);
    if (m_main.lblPerformingReliabilityTest) {
        m_main.lblPerformingReliabilityTest->setText(Language2::ProgramText(5));
        m_main.lblPerformingReliabilityTest->show();
    }
    if (m_main.window)
        m_main.window->repaint();
}

void ReliabilityTestWindows::testEnded() {
    if (m_main.lblPerformingReliabilityTest)
        m_main.lblPerformingReliabilityTest->hide();
    setMenuEnabled(m_main.fraMenu, true);
}

void ReliabilityTestWindows::ReplaySwitches() {
    if (m_main.replaySwitches)
        m_main.replaySwitches();
}

void ReliabilityTestWindows::ShowAllFileStatus() {
    if (m_main.showAllFileStatus)
        m_main.showAllFileStatus();
}

void ReliabilityTestWindows::doIt() {
    // A "Do it!" that ends at one of its checks never starts a run; a Stop left over from before must not
    // then pass for one pressed now.
    m_report.blnStop = false;
    const bool encrypting = m_ctx.setup.blnEncrypt;
    if (encrypting)
        m_report.strOutputNames.clear();
    if (m_main.doIt)
        m_main.doIt();
    if (encrypting)
        m_encryptedNames = m_report.strOutputNames;
}

void ReliabilityTestWindows::function() {
    if (m_main.function)
        m_main.function();
}

bool ReliabilityTestWindows::doItAborted() const {
    return m_main.blnDoItAborted && *m_main.blnDoItAborted;
}

void ReliabilityTestWindows::setDoItAborted(bool aborted) {
    if (m_main.blnDoItAborted)
        *m_main.blnDoItAborted = aborted;
}

bool ReliabilityTestWindows::programEnding() const {
    return m_ctx.blnProgramEnding;
}

bool ReliabilityTestWindows::runStopped() const {
    return m_report.blnStop;
}

qint64 ReliabilityTestWindows::CopyMatchingFiles(const QString& folder, const QString& spec,
                                                 const QString& targetFolder, const QString& targetSpec,
                                                 bool overwrite) {
    return Folder::CopyMatchingFiles(folder, spec, targetFolder, targetSpec, overwrite);
}

bool ReliabilityTestWindows::FileComparison(const QString& extension) {
    const frmReliabilityTest& d = dialog();
    m_report.setWindowTitle(QStringLiteral("Comparison of decrypted files with original files"));
    m_report.lblPausedDone->clear();
    m_report.report().clear();
    m_report.blnComparisonReport = true;
    m_report.showAtLeastLines(frmReport::kComparisonLines);

    ReliabilityTest::Comparison c;
    c.outputFolder = withTrailingSlash(m_report.strOutputDirpath);
    const bool separate = !m_ctx.setup.blnOutputFilesSame;
    c.outputNames = separate ? ReliabilityTest::decryptedNames(m_encryptedNames, m_report.strOutputFilespec)
                             : m_report.strOutputNames;
    c.extension = extension;
    c.numFiles = separate ? c.outputNames.size() : m_ctx.intNumFiles;
    c.pass = d.intReliabilityTestNum;
    c.passes = d.intNumReliabilityTests;
    c.keyAsInput = m_ctx.key.strKeyAsInput;
    c.keyIsText = m_ctx.key.KeyIsText(c.keyAsInput);
    const bool identical = ReliabilityTest::compareFiles(
        c,
        [this](const QString& text, bool scroll) {
            m_report.AddToReport(text, scroll);
            if (scroll)
                m_report.txbText->repaint();
        },
        compare);
    if (!identical)
        m_report.cmdStop_Click();
    m_report.refreshText();
    m_report.strInputNames.clear();
    m_report.strOutputNames.clear();
    return identical;
}

qint64 ReliabilityTestWindows::numFiles() const {
    return m_ctx.intNumFiles;
}

void ReliabilityTestWindows::appendToReport(const QString& text) {
    m_report.AddToReport(text, true);
    m_report.refreshText();
}

void ReliabilityTestWindows::beginInterval(bool separate) {
    m_report.cmdClose->hide();
    if (separate)
        m_report.cmdStop->setText(QStringLiteral("&Stop"));
    m_report.cmdStop->show();
    m_report.lblPausedDone->setText(BatchRun::statusPaused());
}

void ReliabilityTestWindows::waitForNextKey() {
    m_ctx.blnGenerateNextKey = false;
    if (m_main.clock) {
        m_main.clock->start();
        while (!m_ctx.blnGenerateNextKey)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        m_main.clock->stop();
    }
    m_ctx.blnGenerateNextKey = false;
}

void ReliabilityTestWindows::endInterval(bool separate) {
    m_report.lblPausedDone->clear();
    if (separate && !m_report.blnStop)
        m_report.cmdStop->setText(QStringLiteral("&Stop at next file"));
}

void ReliabilityTestWindows::showCloseButton() {
    m_report.cmdStop->hide();
    m_report.cmdClose->show();
}

void ReliabilityTestWindows::cmdRestoreSetup_Click() {
    if (m_main.restoreSetup)
        m_main.restoreSetup();
    else
        m_ctx.setup.restoreRemembered();
}

void ReliabilityTestWindows::focusReport() {
    if (m_report.isVisible()) {
        m_report.activateWindow();
        m_report.setFocus();
    }
}

// Closing the comparison: the window goes and the setup the test replaced comes back. Closed while the
// test waits between passes, it also ends the test, which would otherwise carry on without its window.
void ReliabilityTestWindows::closeComparison() {
    if (m_running)
        m_report.cmdStop_Click();
    m_report.hide();
    m_report.blnComparisonReport = false;
    cmdRestoreSetup_Click();
}
