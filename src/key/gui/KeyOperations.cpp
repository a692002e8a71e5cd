#include "key/gui/KeyOperations.h"

#include "files/FileProc.h"
#include "files/Folder.h"
#include "key/KeyMaterial.h"
#include "key/Keyfile.h"
#include "key/frmKeyFrom.h"
#include "key/gui/KeyWidgets.h"
#include "key/gui/frmInspectKey.h"
#include "key/gui/frmKeyboardWithDisplay.h"
#include "key/gui/frmKeyboardWithoutDisplay.h"
#include "key/gui/frmRandomKey.h"
#include "platform/os/FileDialog.h"
#include "platform/os/MessageBox.h"

#include <QLabel>

KeyOperations::KeyOperations(frmKeyFrom& key, QWidget* mainWindow)
    : QObject(mainWindow), m_key(key), m_mainWindow(mainWindow) {}

KeyOperations::~KeyOperations() {
    // Without a main window the dialogs have no parent to take them.
    if (!m_mainWindow) {
        delete m_withDisplay;
        delete m_withoutDisplay;
        delete m_inspect;
        delete m_random;
    }
}

frmKeyboardWithDisplay& KeyOperations::keyboardWithDisplay() {
    if (!m_withDisplay)
        m_withDisplay = new frmKeyboardWithDisplay(m_key, m_mainWindow);
    return *m_withDisplay;
}

frmInspectKey& KeyOperations::inspectKey() {
    if (!m_inspect)
        m_inspect = new frmInspectKey(m_key, m_mainWindow);
    return *m_inspect;
}

frmKeyboardWithoutDisplay& KeyOperations::keyboardWithoutDisplay() {
    if (!m_withoutDisplay)
        m_withoutDisplay = new frmKeyboardWithoutDisplay(m_key, inspectKey(), m_mainWindow);
    return *m_withoutDisplay;
}

frmRandomKey& KeyOperations::randomKey() {
    if (!m_random)
        m_random = new frmRandomKey(m_mainWindow);
    return *m_random;
}

QString KeyOperations::operationWord() const {
    return m_encrypt ? QStringLiteral("encryption") : QStringLiteral("decryption");
}

void KeyOperations::takeTypedKey(bool yes, bool no, QByteArray typed, int checksumBefore,
                                 const QByteArray& digestBefore) {
    if (yes) {
        KeyMaterial::replace(m_key.strKey, m_key.ReducedKey(typed));
        m_key.intKeyFrom = frmKeyFrom::FromKeyboard;
        m_key.blnCancel = false;
    } else if (no) {
        KeyMaterial::replace(m_key.strKey, QByteArray());
        m_key.intKeyFrom = frmKeyFrom::NoKey;
        m_key.blnCancel = false;
    } else {
        // The live checksum of the entry box was the typed text's; the key kept is the old one.
        m_key.intKeyChecksum = checksumBefore;
        KeyMaterial::replace(m_key.strKeyDigest, digestBefore);
        m_key.blnCancel = true;
    }
    KeyMaterial::wipe(typed);
}

void KeyOperations::KeyboardWithDisplay() {
    frmKeyboardWithDisplay& dialog = keyboardWithDisplay();
    dialog.setPrompt(operationWord());
    const int checksumBefore = m_key.intKeyChecksum;
    const QByteArray digestBefore = m_key.strKeyDigest;
    dialog.adjustSize();
    KeyWidgets::placeAcrossBottom(&dialog, m_mainWindow);
    dialog.exec();
    takeTypedKey(dialog.blnYes, dialog.blnNo, dialog.typedKey(), checksumBefore, digestBefore);
    dialog.clearEntry();
}

void KeyOperations::KeyboardWithoutDisplay() {
    frmKeyboardWithoutDisplay& dialog = keyboardWithoutDisplay();
    dialog.setPrompt(operationWord());
    const int checksumBefore = m_key.intKeyChecksum;
    const QByteArray digestBefore = m_key.strKeyDigest;
    dialog.adjustSize();
    KeyWidgets::placeAcrossBottom(&dialog, m_mainWindow);
    dialog.exec();
    if (dialog.blnYes) {
        m_key.blnKeyIsText = true;
        m_key.blnKeyIsRandom = false;
    }
    takeTypedKey(dialog.blnYes, dialog.blnNo, dialog.typedKey(), checksumBefore, digestBefore);
    dialog.clearEntriesQuietly();
}

void KeyOperations::keyfileError(const QString& text) {
    MessageBox::show(text, QStringLiteral("Keyfile error"), MessageBox::Critical, MessageBox::Ok);
    m_key.intKeyFrom = frmKeyFrom::NoKey;
}

bool KeyOperations::writeNewKeyfile() {
    QString errorText;
    if (!Keyfile::writeKeyBytes(m_key.strKeyFile, m_key.strNewKey, errorText)) {
        keyfileError(errorText);
        return false;
    }
    m_key.blnNewRandomKeyFileCreated = true;
    return true;
}

void KeyOperations::KeyFile(int intIndex) {
    bool isNew = intIndex == 1;
    m_key.blnNewRandomKeyFileCreated = false;
    KeyMaterial::replace(m_key.strNewKey, QByteArray(Keyfile::keyLength, '\0'));
    if (!chooseKeyfile(isNew))
        return;
    if (isNew ? !makeRandomKey() : !readKeyfile())
        return;
    if (!keyKeptAfterInspection(isNew))
        return;
    if (isNew && !writeNewKeyfile())
        return;
    Keyfile::takeCandidate(m_key);
}

bool KeyOperations::chooseKeyfile(bool& isNew) {
    const QString title = Keyfile::dialogTitle(isNew, !m_encrypt);
    const QString filter = QStringLiteral("All files (*)");
    // A new keyfile is named in a save dialog: an open dialog would not accept a name that does not exist yet.
    const QString chosen = isNew ? FileDialog::getSaveFileName(title, QString(), filter, false)
                                 : FileDialog::getOpenFileName(title, QString(), filter);
    if (chosen.isEmpty()) {
        m_key.blnCancel = true;
        return false;
    }
    m_key.strKeyFile = FileProc::NormalizePathCase(chosen);
    const bool exists = Folder::FileExists(m_key.strKeyFile);
    if (!isNew && !exists) {
        if (MessageBox::show(Keyfile::createQuestion(m_key.strKeyFile), QStringLiteral("Keyfile does not exist."),
                             MessageBox::NoIcon, MessageBox::Yes | MessageBox::No,
                             MessageBox::Yes) != MessageBox::Yes) {
            m_key.blnCancel = true;
            return false;
        }
        isNew = true;
    } else if (isNew && exists) {
        if (MessageBox::show(Keyfile::overwriteQuestion(m_key.strKeyFile), QStringLiteral("File exists already."),
                             MessageBox::NoIcon, MessageBox::Yes | MessageBox::No,
                             MessageBox::Yes) != MessageBox::Yes) {
            m_key.blnCancel = true;
            return false;
        }
    }
    m_key.blnCancel = false;
    return true;
}

bool KeyOperations::makeRandomKey() {
    frmRandomKey& window = randomKey();
    for (;;) {
        window.adjustSize();
        KeyWidgets::placeInBottomRight(&window, m_mainWindow);
        window.exec();
        const bool complete = window.isComplete();
        KeyMaterial::replace(m_key.strNewKey, window.strRandomKey);
        window.discardKey();
        // A window closed before the key was complete gives no key, however random its start.
        if (complete && Keyfile::acceptGenerated(m_key, m_key.strNewKey))
            return true;
        if (MessageBox::show(QStringLiteral("Attempt at creating random key unsuccessful.  Please repeat."),
                             QStringLiteral("Key not sufficiently random"), MessageBox::NoIcon,
                             MessageBox::Retry | MessageBox::Cancel, MessageBox::Retry) != MessageBox::Retry) {
            KeyMaterial::wipe(m_key.strNewKey);
            m_key.intKeyFrom = frmKeyFrom::NoKey;
            return false;
        }
    }
}

bool KeyOperations::readKeyfile() {
    const Keyfile::ReadResult read = Keyfile::readInto(m_key, m_key.strKeyFile);
    if (read.status == Keyfile::ReadStatus::ReadFailed) {
        keyfileError(read.errorText);
        return false;
    }
    if (read.status == Keyfile::ReadStatus::Unsuitable) {
        MessageBox::show(Keyfile::unsuitableText(m_key.strKeyFile), QStringLiteral("Unsuitable keyfile"),
                         MessageBox::NoIcon, MessageBox::Ok);
        m_key.intKeyFrom = frmKeyFrom::NoKey;
        return false;
    }
    return true;
}

bool KeyOperations::keyKeptAfterInspection(bool isNew) {
    const QString normalized = FileProc::NormalizePathCase(m_key.strKeyFile);
    const QString questionTitle = normalized.size() > 60 ? FileProc::ShortenPath(normalized, 60) : normalized;
    if (MessageBox::show(QStringLiteral("Inspect the key?"), questionTitle, MessageBox::NoIcon,
                         MessageBox::Yes | MessageBox::No, MessageBox::Yes) != MessageBox::Yes)
        return true;

    frmInspectKey& inspection = inspectKey();
    inspection.lbl64Byte->setText(Keyfile::inspectionSourceLabel(m_key, isNew));
    inspection.lblKeyFile->setText(normalized.size() >= 66 ? FileProc::ShortenPath(normalized, 66) : normalized);
    inspection.setNewRandomKeyFile(isNew);
    inspection.adjustSize();
    KeyWidgets::placeInBottomRight(&inspection, m_mainWindow);
    inspection.exec();
    if (!inspection.blnUseThisKey) {
        // A generated key that is turned down never reaches the disk.
        m_key.intKeyFrom = frmKeyFrom::NoKey;
        return false;
    }
    return true;
}
