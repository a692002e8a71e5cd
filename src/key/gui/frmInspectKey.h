#pragma once

#include "key/KeyInspection.h"

#include <QDialog>

#include <array>

class QLabel;
class QPushButton;
class QRadioButton;
class frmKeyFrom;

// Shows the key object's candidate (strNewKey) before the user commits to it: its bytes in decimal,
// hexadecimal or as characters, its checksum and, for a random key, its randomness.
class frmInspectKey : public QDialog {
    Q_OBJECT
public:
    explicit frmInspectKey(frmKeyFrom& key, QWidget* parent = nullptr);

    // Set by the caller before showing: where the key comes from, and the keyfile (empty for a typed key).
    QLabel* lbl64Byte;
    QLabel* lblKeyFile;
    std::array<QLabel*, KeyInspection::rowCount> lblKey;
    QRadioButton* optDecimal;
    QRadioButton* optHexadecimal;
    QRadioButton* optASCII;
    QLabel* lblRandomnessIs;
    QLabel* lblChecksumIs;
    QLabel* lblUseThisKey;
    QPushButton* cmdYes;
    QPushButton* cmdNo;

    // The user's answer: true only after "Yes".
    bool blnUseThisKey = false;

    // Whether the key shown is a newly generated key for a new keyfile; "Yes" then reminds the user of the
    // keyfile's name.
    void setNewRandomKeyFile(bool isNew) { m_newRandomKeyFile = isNew; }

    void ShowKeyAsDecimal();
    void ShowKeyAsHex();
    void ShowKeyAsText();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void prepare();
    void showRows(KeyInspection::Display display);

    frmKeyFrom& m_key;
    bool m_newRandomKeyFile = false;
};
