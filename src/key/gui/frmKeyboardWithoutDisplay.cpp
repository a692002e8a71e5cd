#include "key/gui/frmKeyboardWithoutDisplay.h"

#include "key/KeyInspection.h"
#include "key/KeyMaterial.h"
#include "key/frmKeyFrom.h"
#include "key/gui/KeyWidgets.h"
#include "key/gui/frmInspectKey.h"
#include "platform/os/MessageBox.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace {
// The hidden entries show a '#' for every character typed.
class HashMaskStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == SH_LineEdit_PasswordCharacter)
            return '#';
        if (hint == SH_LineEdit_PasswordMaskDelay)
            return 0;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};
} // namespace

frmKeyboardWithoutDisplay::frmKeyboardWithoutDisplay(frmKeyFrom& key, frmInspectKey& inspection, QWidget* parent)
    : QDialog(parent), m_key(key), m_inspection(inspection) {
    setObjectName(QStringLiteral("frmKeyboardWithoutDisplay"));
    setWindowTitle(QStringLiteral("Type key (without display)"));
    setModal(true);

    lblEntertheKey = new QLabel(this);
    lblEntertheKey->setObjectName(QStringLiteral("lblEntertheKey"));
    lblEntertheKey->setWordWrap(true);
    auto* mask = new HashMaskStyle;
    mask->setParent(this);
    for (int i = 0; i < 2; ++i) {
        txbKey[i] = new QLineEdit(this);
        txbKey[i]->setObjectName(QStringLiteral("txbKey_%1").arg(i));
        txbKey[i]->setAccessibleName(i == 0 ? QStringLiteral("Key") : QStringLiteral("Key again"));
        txbKey[i]->setEchoMode(QLineEdit::Password);
        txbKey[i]->setStyle(mask);
        KeyWidgets::focusOnHover(txbKey[i]);
        connect(txbKey[i], &QLineEdit::textChanged, this, [this, i] { entryChanged(i); });
    }
    lblKeyNote = new QLabel(this);
    lblKeyNote->setObjectName(QStringLiteral("lblKeyNote"));
    lblReEnterTheKey = new QLabel(QStringLiteral("When done, &re-enter the key exactly as above:"), this);
    lblReEnterTheKey->setObjectName(QStringLiteral("lblReEnterTheKey"));
    // Each entry is reached with the mnemonic of the line above it.
    lblEntertheKey->setBuddy(txbKey[0]);
    lblReEnterTheKey->setBuddy(txbKey[1]);
    setPrompt(QStringLiteral("encryption"));
    lblChecksumIs = new QLabel(this);
    lblChecksumIs->setObjectName(QStringLiteral("lblChecksumIs"));
    cmdOK = new QPushButton(QStringLiteral("&OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setAutoDefault(false);
    cmdOK->setAutoDefault(false);
    cmdOK->setDefault(true);
    KeyWidgets::focusOnHover(cmdOK);
    KeyWidgets::focusOnHover(cmdCancel);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(lblChecksumIs);
    buttons->addStretch(1);
    buttons->addWidget(cmdOK);
    buttons->addSpacing(7);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblEntertheKey);
    layout->addWidget(txbKey[0]);
    layout->addWidget(lblKeyNote);
    layout->addWidget(lblReEnterTheKey);
    layout->addWidget(txbKey[1]);
    layout->addLayout(buttons);
    layout->setContentsMargins(10, 10, 20, 10);

    connect(cmdOK, &QPushButton::clicked, this, &frmKeyboardWithoutDisplay::ok);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    reset();
}

QByteArray frmKeyboardWithoutDisplay::typedKey() const {
    return KeyWidgets::keyBytes(txbKey[0]);
}

void frmKeyboardWithoutDisplay::clearEntries() {
    txbKey[0]->clear();
    txbKey[1]->clear();
}

void frmKeyboardWithoutDisplay::clearEntriesQuietly() {
    // The key object keeps the text the key was taken from.
    const QSignalBlocker quiet0(txbKey[0]);
    const QSignalBlocker quiet1(txbKey[1]);
    clearEntries();
}

void frmKeyboardWithoutDisplay::showEvent(QShowEvent* event) {
    reset();
    QDialog::showEvent(event);
}

void frmKeyboardWithoutDisplay::reset() {
    for (int i = 0; i < 2; ++i)
        KeyWidgets::makeKeyEntry(txbKey[size_t(i)], m_key.intMaxKeyLength,
                                 [this](const QString& refused) { KeyWidgets::showRefused(lblKeyNote, refused); });
    clearEntries();
    KeyWidgets::showKeyNote(lblKeyNote, QByteArray(), m_key);
    QFont font = lblReEnterTheKey->font();
    font.setBold(false);
    lblReEnterTheKey->setFont(font);
    txbKey[1]->setEnabled(false);
    lblChecksumIs->setVisible(false);
    cmdOK->setEnabled(false);
    blnYes = false;
    blnNo = false;
    txbKey[0]->setFocus(Qt::OtherFocusReason);
}

void frmKeyboardWithoutDisplay::entryChanged(int index) {
    QByteArray first = KeyWidgets::keyBytes(txbKey[0]);
    QByteArray second = KeyWidgets::keyBytes(txbKey[1]);
    const bool admissible = m_key.KeyIsAdmissible(first);
    if (index == 0)
        KeyWidgets::showKeyNote(lblKeyNote, first, m_key);
    QFont font = lblReEnterTheKey->font();
    font.setBold(admissible);
    lblReEnterTheKey->setFont(font);
    txbKey[1]->setEnabled(admissible);
    lblChecksumIs->setVisible(admissible);
    cmdOK->setEnabled(admissible && m_key.KeyIsAdmissible(second));
    if (index == 0 && admissible) {
        QByteArray reduced = m_key.ReducedKey(first);
        m_key.intKeyChecksum = m_key.KeyChecksum(reduced);
        KeyMaterial::wipe(reduced);
        lblChecksumIs->setText(KeyInspection::checksumLine(m_key.intKeyChecksum));
    }
    KeyMaterial::wipe(first);
    KeyMaterial::wipe(second);
}

void frmKeyboardWithoutDisplay::ok() {
    for (QLineEdit* entry : txbKey) {
        QByteArray typed = KeyWidgets::keyBytes(entry);
        QByteArray trimmed = KeyWidgets::trimmedBlanks(typed);
        if (trimmed.size() != typed.size())
            entry->setText(QString::fromLatin1(trimmed));
        KeyMaterial::wipe(typed);
        KeyMaterial::wipe(trimmed);
    }
    QByteArray first = KeyWidgets::keyBytes(txbKey[0]);
    QByteArray second = KeyWidgets::keyBytes(txbKey[1]);
    QByteArray reducedSecond = m_key.ReducedKey(second);
    QByteArray reducedFirst = m_key.ReducedKey(first);
    const bool match = reducedFirst == reducedSecond;
    for (QByteArray* b : {&second, &reducedSecond, &reducedFirst})
        KeyMaterial::wipe(*b);
    if (!match) {
        KeyMaterial::wipe(first);
        MessageBox::show(QStringLiteral("The key entries do not match!"), QStringLiteral("Error"), MessageBox::Warning,
                         MessageBox::Ok);
        clearEntries();
        txbKey[0]->setFocus(Qt::OtherFocusReason);
        return;
    }
    accept();
    const MessageBox::Button inspect =
        MessageBox::show(QStringLiteral("Inspect the key?"), QStringLiteral("Key specified"), MessageBox::NoIcon,
                         MessageBox::Yes | MessageBox::No, MessageBox::Yes);
    if (inspect != MessageBox::Yes) {
        blnYes = true;
    } else {
        KeyMaterial::replace(m_key.strNewKey, first);
        m_key.blnKeyIsText = true;
        m_key.blnKeyIsRandom = false;
        m_inspection.lbl64Byte->setText(QStringLiteral("Key entered at keyboard"));
        m_inspection.lblKeyFile->clear();
        m_inspection.setNewRandomKeyFile(false);
        m_inspection.exec();
        if (m_inspection.blnUseThisKey)
            blnYes = true;
        else
            blnNo = true;
    }
    KeyMaterial::wipe(first);
}

void frmKeyboardWithoutDisplay::setPrompt(const QString& operationWord) {
    // What "non-space" means: every blank and control character is left out of the key, and letter case is not
    // kept.
    lblEntertheKey->setText(QStringLiteral("&Enter the ") + operationWord + QStringLiteral(" key, ") +
                            QStringLiteral("16-64 non-space characters (which will not be displayed):") +
                            QStringLiteral("\n(Spaces, tabs and other blanks do not count; letter case does not "
                                           "matter.)"));
}
