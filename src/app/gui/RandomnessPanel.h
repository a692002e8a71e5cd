#pragma once

#include "randomness/RandomnessReport.h"

#include <QString>

class QLabel;
class QPushButton;
class QWidget;
class frmGraphic;
class frmReport;

// The main window's part of the randomness report: the panel with "Input file(s)", "Output file(s)" and
// "Not now", and the windows the report fills. The main window keeps one of these, pointing at its own
// controls and working fields.
struct RandomnessPanel {
    QWidget* mainWindow = nullptr;
    QWidget* fraMenu = nullptr;
    QWidget* fraSetup = nullptr;
    QWidget* picRandomnessReport = nullptr;
    QPushButton* cmdInputFiles = nullptr;  // cmdSpecifyFiles(2)
    QPushButton* cmdOutputFiles = nullptr; // cmdSpecifyFiles(3)
    QPushButton* cmdRandomnessReport = nullptr;
    QLabel* lblPerformingReliabilityTest = nullptr; // shows "Checking file ..."
    frmReport* report = nullptr;
    frmGraphic* graphic = nullptr;
    QString* strCurrentFilePath = nullptr;
    qint64* lngFilesize = nullptr;
    int intMinFilesizeForRandomness = 256;
    // Measure for tests; empty for the auxiliary library's.
    std::function<double(const QString&, int)> measure;

    // The left button on "Randomness report": the panel, with each side's button enabled if it is specified.
    void open(bool inputSpecified, bool outputSpecified);
    // "Not now".
    void cmdNoRandomnessReport_Click();
    // "Input file(s)" (side 0) or "Output file(s)" (side 1).
    void ShowRandomnessReport(int side, const QString& folder, const QString& spec, bool subdirectories);

    RandomnessReport::Hooks hooks();
};
