#pragma once

#include <QByteArray>
#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class frmKeyFrom;

// The key typed into one visible entry box, with its checksum shown as soon as it is long enough.
class frmKeyboardWithDisplay : public QDialog {
    Q_OBJECT
public:
    explicit frmKeyboardWithDisplay(frmKeyFrom& key, QWidget* parent = nullptr);

    QLabel* lblEntertheKey;
    QLineEdit* txbKey;
    QLabel* lblKeyNote; // significant characters so far, and characters not taken
    QLabel* lblChecksumIs;
    QLabel* lblUseThisKey;
    QPushButton* cmdYes;
    QPushButton* cmdNo;
    QPushButton* cmdCancel;

    // The prompt above the entry, for "encryption" or "decryption" (encryption until told).
    void setPrompt(const QString& operationWord);

    // The answer once the dialog has hidden itself: at most one is true; neither after Cancel.
    bool blnYes = false;
    bool blnNo = false;

    // The text typed, as key bytes.
    QByteArray typedKey() const;
    // Empties the entry box, so the typed key does not stay in the hidden dialog.
    void clearEntry();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void reset();
    void entryChanged();

    frmKeyFrom& m_key;
};
