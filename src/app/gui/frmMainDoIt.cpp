// "Do it!": the launch checks, the size pass and space estimate, and the run; and "Report screen".
#include "app/DiskProc.h"
#include "app/LaunchChecks.h"
#include "app/gui/MenuButton.h"
#include "app/gui/frmMain.h"
#include "batch/gui/frmConfirmOperation.h"
#include "batch/gui/frmReport.h"
#include "files/Folder.h"
#include "key/KeyMaterial.h"
#include "key/frmKeyFrom.h"
#include "platform/os/MessageBox.h"
#include "platform/os/gui/OnScreen.h"

#include <QFrame>
#include <QPlainTextEdit>
#include <QPushButton>

frmReport& frmMain::reportWindow() {
    if (!m_report) {
        m_report = new frmReport(context, this);
        randomness.report = m_report;
    }
    return *m_report;
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
    // Its bottom 120 twips above the main window's bottom, 30 twips right of the menu.
    confirm.place = [this](QDialog& d) {
        const int left = fraMenu->mapToGlobal(QPoint(fraMenu->width(), 0)).x() + 2;
        d.move(left, frameGeometry().bottom() + 1 - 8 - d.frameGeometry().height());
        OnScreen::keepOnScreen(&d, this);
    };
    confirm.exec();
    return confirm.blnDoIt;
}

void frmMain::cmdDoIt_MouseUp(Qt::MouseButton button) {
    if (button == Qt::RightButton) {
        ShowHelp(cmdDoIt->intHelpHeading);
        return;
    }
    const QString error = QStringLiteral("Error");
    if (!setup.InputSpecified()) {
        MessageBox::show(QStringLiteral("Input file(s) not specified."), error, MessageBox::Warning);
        return;
    }
    if (!CheckInputFolder(setup.strFilespec[0]))
        return;
    if (Folder::CountMatchingFiles(setup.strDirpath[0], setup.strFilespec[0], true) == 0 && !setup.blnSubdirectories) {
        MessageBox::show(QStringLiteral("The input folder contains no matching files."),
                         QStringLiteral("Nothing to do"), MessageBox::Warning);
        return;
    }
    if (key.intKeyFrom == frmKeyFrom::NoKey) {
        MessageBox::show(
            QStringLiteral("Please specify the ") + TxtEncDec(QStringLiteral("encryption")) + QStringLiteral(" key."),
            TxtEncDec(QStringLiteral("Encryption")) + QStringLiteral(" key not specified"), MessageBox::NoIcon);
        return;
    }
    if (!context.blnPerformingReliabilityTest && reliabilityTestDiversion && reliabilityTestDiversion())
        return;
    if (!setup.OutputSpecified()) {
        MessageBox::show(QStringLiteral("Output file(s) not specified."), error, MessageBox::Warning);
        return;
    }
    if (setup.strDirpath[0].toLower() == setup.strDirpath[1].toLower() &&
        setup.strFilespec[0].toLower() == setup.strFilespec[1].toLower()) {
        setup.blnOutputFilesSame = false;
        cmdOutputFilesSame_MouseUp(Qt::LeftButton);
    }
    if (setup.blnSubdirectories && !setup.blnOutputFilesSame) {
        MessageBox::show(QStringLiteral("If subfolders are included then the output files ") +
                             QStringLiteral("must be the same as the input files."),
                         QString(), MessageBox::Information);
        return;
    }
    runOperation();
}

void frmMain::runOperation() {
    frmReport& report = reportWindow();
    // One run at a time: a run still in progress (the window is modeless) is not disturbed.
    if (report.isRunning())
        return;
    report.strInputDirpath = setup.strDirpath[0];
    report.strOutputDirpath = setup.strDirpath[1];
    report.strInputFilespec = setup.strFilespec[0];
    report.strOutputFilespec = setup.strFilespec[1];
    report.setWindowTitle(TxtEncDec(QStringLiteral("Encrypting")) + QLatin1Char(' ') + report.strInputFilespec);
    const bool testing = context.blnPerformingReliabilityTest;
    if (!testing && !ConfirmOperation())
        return;
    report.blnPerformingOperation = true;
    report.blnRandomnessReport = false;

    if (LaunchChecks::NeedsSpaceCheck(setup.strDirpath[0], setup.blnOutputFilesSame)) {
        report.lngTotalInputFilesize = 0;
        report.blnGettingInputFilesizes = true;
        report.ProcessFiles();
        if (report.intOperationResult < 0) {
            if (testing)
                blnDoItAborted = true;
            return;
        }
        if (report.lngTotalInputFilesize == 0) {
            MessageBox::show(QStringLiteral("Total input filesize is 0 bytes."), QStringLiteral("Error"),
                             MessageBox::Warning);
            if (testing)
                blnDoItAborted = true;
            return;
        }
        const QString drive =
            LaunchChecks::TargetDrive(setup.blnOutputFilesSame, setup.strDirpath[1], DiskProc::FirstFixedDrive());
        double freeBytes = 0;
        double totalBytes = 0;
        if (DiskProc::DiskSpace(drive, freeBytes, totalBytes) != 0) {
            MessageBox::show(QStringLiteral("Error when attempting to access drive ") + drive, QStringLiteral("Error"),
                             MessageBox::Warning);
            return;
        }
        if (LaunchChecks::SpaceIsInsufficient(report.lngTotalInputFilesize, freeBytes)) {
            MessageBox::show(LaunchChecks::InsufficientSpaceMessage(drive, report.lngTotalInputFilesize, freeBytes),
                             QStringLiteral("Insufficient disk space"), MessageBox::Warning);
            if (testing)
                blnDoItAborted = true;
            return;
        }
    }

    if (key.strKey.size() < 64)
        KeyMaterial::replace(key.strKey, frmKeyFrom::stretchedKey(key.strKey));
    report.blnGettingInputFilesizes = false;
    report.show();
    report.raise();
    report.ProcessFiles();
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
        report.show();
        report.raise();
        return;
    }
    report.blnPerformingOperation = false;
    report.blnRandomnessReport = false;
    report.show();
    report.ProcessFiles();
    report.refreshText();
    report.txbText->moveCursor(QTextCursor::Start);
    report.raise();
    report.activateWindow();
}
