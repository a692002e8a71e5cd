#include "key/gui/frmKeyboardWithDisplay.h"

#include "key/KeyInspection.h"
#include "key/KeyMaterial.h"
#include "key/frmKeyFrom.h"
#include "key/gui/KeyWidgets.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

frmKeyboardWithDisplay::frmKeyboardWithDisplay(frmKeyFrom& key, QWidget* parent) : QDialog(parent), m_key(key) {
    setObjectName(QStringLiteral("frmKeyboardWithDisplay"));
    setWindowTitle(QStringLiteral("Type key (with display)"));
    setModal(true);

    lblEntertheKey = new QLabel(this);
    lblEntertheKey->setObjectName(QStringLiteral("lblEntertheKey"));
    lblEntertheKey->setWordWrap(true);
    txbKey = new QLineEdit(this);
    txbKey->setObjectName(QStringLiteral("txbKey"));
    txbKey->setAccessibleName(QStringLiteral("Key"));
    lblEntertheKey->setBuddy(txbKey);
    setPrompt(QStringLiteral("encryption"));
    lblKeyNote = new QLabel(this);
    lblKeyNote->setObjectName(QStringLiteral("lblKeyNote"));
    lblChecksumIs = new QLabel(this);
    lblChecksumIs->setObjectName(QStringLiteral("lblChecksumIs"));
    lblUseThisKey = new QLabel(QStringLiteral("Use this key?"), this);
    lblUseThisKey->setObjectName(QStringLiteral("lblUseThisKey"));
    cmdYes = new QPushButton(QStringLiteral("&Yes"), this);
    cmdYes->setObjectName(QStringLiteral("cmdYes"));
    cmdNo = new QPushButton(QStringLiteral("&No"), this);
    cmdNo->setObjectName(QStringLiteral("cmdNo"));
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    for (QPushButton* b : {cmdYes, cmdNo, cmdCancel}) {
        b->setAutoDefault(false);
        KeyWidgets::focusOnHover(b);
    }
    // Enter takes the key only while "Yes" is offered.
    cmdYes->setDefault(true);
    KeyWidgets::focusOnHover(txbKey);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(lblChecksumIs);
    buttons->addStretch(1);
    buttons->addWidget(lblUseThisKey);
    buttons->addSpacing(10);
    buttons->addWidget(cmdYes);
    buttons->addSpacing(10);
    buttons->addWidget(cmdNo);
    buttons->addSpacing(10);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblEntertheKey);
    layout->addWidget(txbKey);
    layout->addWidget(lblKeyNote);
    layout->addLayout(buttons);
    layout->setContentsMargins(10, 10, 20, 10);

    connect(txbKey, &QLineEdit::textChanged, this, &frmKeyboardWithDisplay::entryChanged);
    connect(cmdYes, &QPushButton::clicked, this, [this] {
        m_key.blnKeyIsText = true;
        m_key.blnKeyIsRandom = false;
        blnYes = true;
        accept();
    });
    connect(cmdNo, &QPushButton::clicked, this, [this] {
        blnNo = true;
        accept();
    });
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    reset();
}

QByteArray frmKeyboardWithDisplay::typedKey() const {
    return KeyWidgets::keyBytes(txbKey);
}

void frmKeyboardWithDisplay::clearEntry() {
    // Quietly: the key object keeps the text the key was taken from.
    const QSignalBlocker quiet(txbKey);
    txbKey->clear();
}

void frmKeyboardWithDisplay::showEvent(QShowEvent* event) {
    reset();
    QDialog::showEvent(event);
}

void frmKeyboardWithDisplay::reset() {
    KeyWidgets::makeKeyEntry(txbKey, m_key.intMaxKeyLength,
                             [this](const QString& refused) { KeyWidgets::showRefused(lblKeyNote, refused); });
    txbKey->clear();
    KeyWidgets::showKeyNote(lblKeyNote, QByteArray(), m_key);
    for (QWidget* w : std::initializer_list<QWidget*>{cmdYes, cmdNo, lblChecksumIs, lblUseThisKey})
        w->setVisible(false);
    blnYes = false;
    blnNo = false;
    txbKey->setFocus(Qt::OtherFocusReason);
}

void frmKeyboardWithDisplay::entryChanged() {
    QByteArray typed = typedKey();
    KeyWidgets::showKeyNote(lblKeyNote, typed, m_key);
    const bool admissible = m_key.KeyIsAdmissible(typed);
    for (QWidget* w : std::initializer_list<QWidget*>{cmdYes, cmdNo, lblChecksumIs, lblUseThisKey})
        w->setVisible(admissible);
    if (admissible) {
        QByteArray reduced = m_key.ReducedKey(typed);
        m_key.intKeyChecksum = m_key.KeyChecksum(reduced);
        KeyMaterial::wipe(reduced);
        lblChecksumIs->setText(KeyInspection::checksumLine(m_key.intKeyChecksum));
    }
    KeyMaterial::wipe(typed);
}

void frmKeyboardWithDisplay::setPrompt(const QString& operationWord) {
    lblEntertheKey->setText(QStringLiteral("&Enter the ") + operationWord +
                            QStringLiteral(" key (16-64 characters, spaces ignored, case not significant):"));
}
