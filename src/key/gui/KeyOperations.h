#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>

class QWidget;
class frmInspectKey;
class frmKeyFrom;
class frmKeyboardWithDisplay;
class frmKeyboardWithoutDisplay;
class frmRandomKey;

// The three ways of obtaining a key, each run through its windows: typed with or without display, or a
// keyfile (read, or created with a new random key). They set the key object's fields; the caller then
// describes the key (KeyPanel::UpdateKeyDescription). The windows are created on first use and reused.
class KeyOperations : public QObject {
    Q_OBJECT
public:
    // mainWindow places the dialogs and parents them.
    KeyOperations(frmKeyFrom& key, QWidget* mainWindow);
    ~KeyOperations() override;

    // The direction of the operation being set up: the prompts say "encryption" or "decryption".
    void setEncrypt(bool encrypt) { m_encrypt = encrypt; }
    bool encrypt() const { return m_encrypt; }

    void KeyboardWithDisplay();
    void KeyboardWithoutDisplay();
    // 0: get a key from a keyfile; 1: create a new keyfile holding a random key.
    void KeyFile(int intIndex);

    frmKeyFrom& key() { return m_key; }
    frmKeyboardWithDisplay& keyboardWithDisplay();
    frmKeyboardWithoutDisplay& keyboardWithoutDisplay();
    frmInspectKey& inspectKey();
    frmRandomKey& randomKey();

private:
    QString operationWord() const;
    // After a typed-key dialog: the key typed is taken, declined, or (cancelled) left as it was.
    void takeTypedKey(bool yes, bool no, QByteArray typed, int checksumBefore, const QByteArray& digestBefore);
    // The steps of KeyFile, each false when the user or the file ends it there (the key object says how).
    // The keyfile chosen in a dialog; isNew becomes true when the user agrees to create one that is not there.
    bool chooseKeyfile(bool& isNew);
    // A new random key from its window, tried again as long as the user asks to.
    bool makeRandomKey();
    // The key of an existing keyfile read into the key object.
    bool readKeyfile();
    // The key shown for inspection when the user asks to see it; false when it is turned down there.
    bool keyKeptAfterInspection(bool isNew);
    // Writes the new keyfile; on failure shows the error and leaves no key.
    bool writeNewKeyfile();
    void keyfileError(const QString& text);

    frmKeyFrom& m_key;
    QWidget* m_mainWindow;
    bool m_encrypt = true;
    QPointer<frmKeyboardWithDisplay> m_withDisplay;
    QPointer<frmKeyboardWithoutDisplay> m_withoutDisplay;
    QPointer<frmInspectKey> m_inspect;
    QPointer<frmRandomKey> m_random;
};
