#pragma once

#include "batch/ReliabilityTest.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// Offered by "Do it!" for a test setup: perform the reliability test (and how many times), or just encrypt.
class frmReliabilityTest : public QDialog, public ReliabilityTestState {
    Q_OBJECT
public:
    explicit frmReliabilityTest(QWidget* parent = nullptr);

    QLabel* lblIntro;
    QLabel* lblExplanation1;
    QLabel* lblExplanation2;
    QLabel* lblMultipleTimes;
    QLineEdit* txbNumTests;
    QRadioButton* optPerformTest;
    QRadioButton* optNo;
    QPushButton* cmdContinue;
    QPushButton* cmdCancel;

    // Resets the dialog for the mode of the setup (in place or to separate files) and shows it modally.
    int exec(bool inPlace);
    // The resetting part of exec(bool).
    void prepareShowing(bool inPlace);

    void setVisible(bool visible) override;

    void cmdContinue_Click();
    void cmdCancel_Click();

    static QString explanation(bool inPlace);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void reject() override;

private:
    void optionChosen();
};
