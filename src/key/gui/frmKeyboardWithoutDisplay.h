#pragma once

#include <QByteArray>
#include <QDialog>

#include <array>

class QLabel;
class QLineEdit;
class QPushButton;
class frmInspectKey;
class frmKeyFrom;

// The key typed twice into boxes that hide it; the two entries must agree. Offers to inspect the key.
class frmKeyboardWithoutDisplay : public QDialog {
    Q_OBJECT
public:
    frmKeyboardWithoutDisplay(frmKeyFrom& key, frmInspectKey& inspection, QWidget* parent = nullptr);

    QLabel* lblEntertheKey;
    std::array<QLineEdit*, 2> txbKey;
    QLabel* lblKeyNote; // of the first entry: significant characters so far, and characters not taken
    QLabel* lblReEnterTheKey;
    QLabel* lblChecksumIs;
    QPushButton* cmdOK;
    QPushButton* cmdCancel;

    // The prompt above the entry, for "encryption" or "decryption" (encryption until told).
    void setPrompt(const QString& operationWord);

    // The answer once the dialog has hidden itself: at most one is true; neither after Cancel.
    bool blnYes = false;
    bool blnNo = false;

    // The first entry as key bytes (trimmed once OK has been pressed).
    QByteArray typedKey() const;
    // Empties both entries, so the typed key does not stay in the hidden dialog.
    void clearEntriesQuietly();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void clearEntries();
    void reset();
    void entryChanged(int index);
    void ok();

    frmKeyFrom& m_key;
    frmInspectKey& m_inspection;
};
