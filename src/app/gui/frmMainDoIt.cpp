// "Do it!": the launch checks, the size pass and space estimate, and the run; and "Report screen".
#include "app/LaunchSequence.h"
#include "app/gui/MenuButton.h"
#include "app/gui/frmMain.h"
#include "batch/gui/ReportView.h"
#include "batch/gui/frmConfirmOperation.h"
#include "batch/gui/frmReport.h"
#include "files/FileProc.h"
#include "platform/os/MessageBox.h"
#include "platform/os/gui/OnScreen.h"

#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

frmReport& frmMain::reportWindow() {
    if (!m_report) {
        // A window of its own, not one kept above this one: the main window (and Quit) can always be raised.
        m_report = new frmReport(context, nullptr);
        m_report->setWindowIcon(windowIcon());
        randomness.report = m_report;
        connect(m_report, &frmReport::runProgress, this, &frmMain::showRunState);
    }
    return *m_report;
}

void frmMain::buildRunLine(QGridLayout* grid, int row) {
    lblRunning = new QLabel(grid->parentWidget());
    lblRunning->setObjectName(QStringLiteral("lblRunning"));
    lblRunning->setFixedHeight(kRowHeight);
    lblRunning->setTextFormat(Qt::PlainText);
    grid->addWidget(lblRunning, row, 0, 1, 2);
}

void frmMain::showRunState() {
    const bool running = m_report && m_report->isRunning() && !m_report->blnGettingInputFilesizes;
    lblRunning->setText(running ? m_report->runningText() : QString());
    // Another run cannot start while one goes on; the button says why instead of doing nothing. A reliability test
    // keeps the menu closed itself from its first run to its last.
    if (context.blnPerformingReliabilityTest)
        return;
    cmdDoIt->setEnabled(!running);
    cmdDoIt->setToolTip(running ? QStringLiteral("An operation is in progress.  Do it! is available again when it has "
                                                 "ended or has been stopped (Report screen shows it).")
                                : QString());
}

void frmMain::placeReportWindow(frmReport& report) {
    if (report.isVisible())
        return;
    const QScreen* screen = this->screen();
    if (!screen)
        return;
    // Placed once shown, when its frame (title bar and borders) is known, and then kept whole on the screen.
    report.show();
    const QPoint frameTopLeft =
        OnScreen::besideOther(report.frameGeometry(), frameGeometry(), screen->availableGeometry());
    report.move(report.pos() + (frameTopLeft - report.frameGeometry().topLeft()));
    OnScreen::keepOnScreen(&report, this);
}

bool frmMain::reportVisible() const {
    return m_report && m_report->isVisible();
}

bool frmMain::refusedDuringRun() {
    if (!m_report || !m_report->isRunning())
        return false;
    MessageBox::show(QStringLiteral("An operation is in progress.  The key and the setup cannot be changed until it "
                                    "has ended or has been stopped."),
                     QStringLiteral("Operation in progress"), MessageBox::Information);
    return true;
}

bool frmMain::ConfirmOperation() {
    frmConfirmOperation confirm(reportWindow(), this);
    // Its bottom 120 twips above the main window's bottom, 30 twips right of the menu, and whole on the screen.
    confirm.place = [this](QDialog& d) {
        const int left = fraMenu->mapToGlobal(QPoint(fraMenu->width(), 0)).x() + 2;
        d.move(left, frameGeometry().bottom() + 1 - 8 - d.frameGeometry().height());
        OnScreen::keepOnScreen(&d, this);
    };
    confirm.exec();
    return confirm.blnDoIt;
}

LaunchSequence::Front frmMain::launchFront() {
    LaunchSequence::Front front;
    front.divertToReliabilityTest = reliabilityTestDiversion;
    front.turnOutputSameOn = [this] {
        setup.blnOutputFilesSame = false;
        cmdOutputFilesSame_MouseUp(Qt::LeftButton);
    };
    front.handedOver = [this] {
        frmReport& report = reportWindow();
        report.setWindowTitle(TxtEncDec(QStringLiteral("Encrypting")) + QLatin1Char(' ') +
                              FileProc::InputSpecShown(report.strInputFilespec));
    };
    front.confirm = [this] { return ConfirmOperation(); };
    front.reliabilityTestRunning = context.blnPerformingReliabilityTest;
    return front;
}

void frmMain::cmdDoIt_MouseUp(Qt::MouseButton button) {
    if (button == Qt::RightButton) {
        ShowHelp(cmdDoIt->intHelpHeading);
        return;
    }
    if (!LaunchSequence::CheckSetup(setup, key, launchFront()))
        return;
    runOperation();
}

void frmMain::runOperation() {
    frmReport& report = reportWindow();
    const LaunchSequence::Prepared prepared = LaunchSequence::PrepareRun(report, setup, key, launchFront());
    if (prepared == LaunchSequence::Prepared::Aborted && context.blnPerformingReliabilityTest)
        blnDoItAborted = true;
    if (prepared != LaunchSequence::Prepared::Launch)
        return;
    placeReportWindow(report);
    report.show();
    report.raise();
    report.ProcessFiles();
    showRunState();
    report.cmdCopyToClipboard->setText(QStringLiteral("Copy to clipboard"));
    report.cmdCopyToClipboard->setFixedWidth(2115 / 15);
}

void frmMain::cmdReportScreen_MouseUp(Qt::MouseButton button) {
    if (button == Qt::RightButton) {
        ShowHelp(cmdReportScreen->intHelpHeading);
        return;
    }
    if (!m_report || m_report->report().isEmpty()) {
        MessageBox::show(QStringLiteral("The report screen is empty."), QStringLiteral("Report screen"),
                         MessageBox::NoIcon);
        return;
    }
    frmReport& report = *m_report;
    if (report.isRunning()) {
        placeReportWindow(report);
        report.show();
        report.raise();
        return;
    }
    report.blnPerformingOperation = false;
    report.blnRandomnessReport = false;
    placeReportWindow(report);
    report.show();
    report.ProcessFiles();
    report.refreshText();
    report.txbText->moveToStart();
    report.raise();
    report.activateWindow();
}
