#pragma once

#include <QDialog>

class QPlainTextEdit;
class QPushButton;

// The modal window behind the help window's "Author" button.
class frmCredits : public QDialog {
    Q_OBJECT
public:
    explicit frmCredits(QWidget* parent = nullptr);

    QPlainTextEdit* txbMsg = nullptr;
    QPushButton* cmdClose = nullptr;

public slots:
    void cmdClose_Click();

protected:
    void showEvent(QShowEvent* event) override;
};
