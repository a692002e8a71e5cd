#pragma once

#include <QDialog>

#include <functional>

class QLabel;
class QPushButton;
class frmReport;

// Describes the operation about to run and asks whether to perform it.
class frmConfirmOperation : public QDialog {
    Q_OBJECT
public:
    explicit frmConfirmOperation(frmReport& report, QWidget* parent = nullptr);

    // The answer: true for Yes.
    bool blnDoIt = false;

    QLabel* lblDescr;
    QLabel* lblPerformOperation;
    QPushButton* cmdYes;
    QPushButton* cmdNo;

    // Places the dialog once its size is known (the caller's window decides where).
    std::function<void(QDialog&)> place;

    // Counts the files, builds the texts and shows the dialog; a folder that cannot be counted gives its
    // message and blnDoIt false without showing anything.
    int exec() override;

    // Files will be replaced or purged: No is then the default answer.
    bool replacesFiles() const { return m_replacesFiles; }

protected:
    // Placed again once shown: the layout may have made the dialog larger than it was when first placed.
    void showEvent(QShowEvent* event) override;

private:
    bool prepare();

    bool m_replacesFiles = false;
    frmReport& m_report;
};
