#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// Asks whether an antivirus utility is watching, before the first plaintext file of a watched type is purged.
class frmAntiVirusQuery : public QDialog {
    Q_OBJECT
public:
    explicit frmAntiVirusQuery(QWidget* parent = nullptr);

    // The user answered No.
    bool blnNo = false;

    QLabel* lblQuestion;
    QPushButton* cmdYes;
    QPushButton* cmdNo;
    QPushButton* cmdDontKnow;

protected:
    void showEvent(QShowEvent* event) override;
};
