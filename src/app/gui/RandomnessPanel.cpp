#include "app/gui/RandomnessPanel.h"

#include "batch/gui/frmReport.h"
#include "files/Folder.h"
#include "platform/os/gui/OnScreen.h"
#include "randomness/gui/frmGraphic.h"

#include <QLabel>
#include <QPushButton>

namespace {
void setEnabled(QWidget* w, bool on) {
    if (w)
        w->setEnabled(on);
}
QRect frameOf(QWidget* w) {
    return w ? w->frameGeometry() : QRect();
}
} // namespace

void RandomnessPanel::open(bool inputSpecified, bool outputSpecified) {
    if (!RandomnessReport::mayOpenPanel(inputSpecified, outputSpecified))
        return;
    setEnabled(fraMenu, false);
    setEnabled(fraSetup, false);
    if (picRandomnessReport)
        picRandomnessReport->show();
    setEnabled(cmdInputFiles, inputSpecified);
    setEnabled(cmdOutputFiles, outputSpecified);
}

void RandomnessPanel::cmdNoRandomnessReport_Click() {
    if (picRandomnessReport)
        picRandomnessReport->hide();
    setEnabled(fraMenu, true);
    setEnabled(fraSetup, true);
    if (cmdRandomnessReport)
        cmdRandomnessReport->setFocus();
}

void RandomnessPanel::ShowRandomnessReport(int side, const QString& folder, const QString& spec, bool subdirectories) {
    RandomnessReport::ShowRandomnessReport(side, folder, spec, subdirectories, hooks());
}

RandomnessReport::Hooks RandomnessPanel::hooks() {
    RandomnessReport::Hooks h;
    h.intMinFilesizeForRandomness = intMinFilesizeForRandomness;
    h.measure = measure;
    h.countMatchingFiles = [](const QString& folder, const QString& spec) {
        return Folder::CountMatchingFiles(folder, spec, true);
    };
    h.closePanel = [this] { cmdNoRandomnessReport_Click(); };
    h.hidePanelAndDisableFrames = [this] {
        if (picRandomnessReport)
            picRandomnessReport->hide();
        setEnabled(fraMenu, false);
        setEnabled(fraSetup, false);
    };
    h.showChecking = [this](bool on) {
        if (!lblPerformingReliabilityTest)
            return;
        if (on)
            lblPerformingReliabilityTest->setText(QStringLiteral("Checking file ..."));
        lblPerformingReliabilityTest->setVisible(on);
        if (on && mainWindow)
            mainWindow->repaint();
    };
    h.setCurrentFile = [this](const QString& path, qint64 length) {
        if (strCurrentFilePath)
            *strCurrentFilePath = path;
        if (lngFilesize)
            *lngFilesize = length;
    };
    h.showGraphic = [this](const RandomnessReport::SingleFile& s) {
        if (!graphic)
            return;
        graphic->setWindowTitle(s.caption);
        graphic->lblFilesize->setText(s.filesizeText);
        graphic->lblRandomness->setText(s.randomnessText);
        graphic->cmdDisplay->setText(QStringLiteral("&Display"));
        graphic->strCurrentFilePath = strCurrentFilePath ? *strCurrentFilePath : QString();
        graphic->lngFilesize = s.graphicLength;
        graphic->adjustSize();
        if (mainWindow)
            graphic->move(RandomnessReport::graphicPosition(frameOf(mainWindow), graphic->frameGeometry().width()));
        OnScreen::keepOnScreen(graphic, mainWindow);
        graphic->exec();
    };
    h.runListing = [this](const QString& folder, const QString& spec, const QString& caption) {
        if (!report)
            return false;
        report->strNextDirPath = folder;
        report->strCurrentFileSpec = spec;
        report->setWindowTitle(caption);
        report->blnPerformingOperation = false;
        report->blnRandomnessReport = true;
        if (mainWindow)
            report->setGeometry(RandomnessReport::listingGeometry(frameOf(mainWindow), report->height()));
        OnScreen::keepOnScreen(report, mainWindow);
        report->show();
        report->ProcessFiles();
        // Later requests (the report screen, an operation) must not run the listing again.
        report->blnRandomnessReport = false;
        return report->isVisible();
    };
    h.enableFrames = [this] {
        setEnabled(fraMenu, true);
        setEnabled(fraSetup, true);
    };
    h.placeFocus = [this](bool reportVisible) {
        if (reportVisible && report) {
            report->activateWindow();
            report->setFocus();
        } else if (cmdRandomnessReport) {
            cmdRandomnessReport->setFocus();
        }
    };
    return h;
}
