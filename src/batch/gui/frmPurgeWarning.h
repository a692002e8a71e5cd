#pragma once

#include <QDialog>

#include <functional>

class QCheckBox;
class QLabel;
class QPushButton;

// Advice shown before a plaintext file of a type antivirus utilities watch is purged.
class frmPurgeWarning : public QDialog {
    Q_OBJECT
public:
    // wording: the operation wording of the run (encrypted / decrypted).
    explicit frmPurgeWarning(std::function<QString(const QString&)> wording, QWidget* parent = nullptr);

    // Show the advice for the next such file; true at the start of every run.
    bool blnShowPurgeWarning = true;
    // The file about to be purged.
    QString strPurgeFilePath;

    QLabel* lblMessage;
    QCheckBox* chkDontShowAgain;
    QPushButton* cmdOK;

    QString messageText() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    std::function<QString(const QString&)> m_wording;
};
