#include "key/gui/frmInspectKey.h"

#include "files/FileProc.h"
#include "key/KeyMaterial.h"
#include "key/frmKeyFrom.h"
#include "key/gui/KeyWidgets.h"
#include "platform/os/MessageBox.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {
QLabel* namedLabel(const QString& name, QWidget* parent, const QString& text = QString()) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}
} // namespace

frmInspectKey::frmInspectKey(frmKeyFrom& key, QWidget* parent) : QDialog(parent), m_key(key) {
    setObjectName(QStringLiteral("frmInspectKey"));
    setWindowTitle(QStringLiteral("Inspect the key"));
    setModal(true);

    lbl64Byte = namedLabel(QStringLiteral("lbl64Byte"), this);
    lblKeyFile = namedLabel(QStringLiteral("lblKeyFile"), this);
    QFont fixed(QStringLiteral("Courier New"));
    fixed.setStyleHint(QFont::TypeWriter);
    fixed.setFixedPitch(true);
    auto* rows = new QVBoxLayout;
    rows->setSpacing(0);
    for (int i = 0; i < KeyInspection::rowCount; ++i) {
        lblKey[i] = namedLabel(QStringLiteral("lblKey_%1").arg(i), this);
        lblKey[i]->setFont(fixed);
        lblKey[i]->setTextFormat(Qt::PlainText);
        // Room for a full row, so the window does not change size with the display.
        lblKey[i]->setMinimumWidth(QFontMetrics(fixed).horizontalAdvance(QString(64, QLatin1Char('0'))));
        rows->addWidget(lblKey[i]);
    }
    optDecimal = new QRadioButton(QStringLiteral("&Decimal"), this);
    optDecimal->setObjectName(QStringLiteral("optDecimal"));
    optHexadecimal = new QRadioButton(QStringLiteral("&Hexadecimal"), this);
    optHexadecimal->setObjectName(QStringLiteral("optHexadecimal"));
    optASCII = new QRadioButton(QStringLiteral("&ASCII"), this);
    optASCII->setObjectName(QStringLiteral("optASCII"));
    lblRandomnessIs = namedLabel(QStringLiteral("lblRandomnessIs"), this);
    lblChecksumIs = namedLabel(QStringLiteral("lblChecksumIs"), this);
    lblUseThisKey = namedLabel(QStringLiteral("lblUseThisKey"), this, QStringLiteral("Use this key?"));
    cmdYes = new QPushButton(QStringLiteral("&Yes"), this);
    cmdYes->setObjectName(QStringLiteral("cmdYes"));
    cmdNo = new QPushButton(QStringLiteral("&No"), this);
    cmdNo->setObjectName(QStringLiteral("cmdNo"));
    for (QPushButton* b : {cmdYes, cmdNo}) {
        b->setAutoDefault(false);
        KeyWidgets::focusOnHover(b);
    }

    auto* options = new QHBoxLayout;
    options->addWidget(optDecimal);
    options->addWidget(optHexadecimal);
    options->addWidget(optASCII);
    options->addStretch(1);
    auto* answer = new QHBoxLayout;
    answer->addWidget(lblChecksumIs);
    answer->addStretch(1);
    answer->addWidget(lblUseThisKey);
    answer->addWidget(cmdYes);
    answer->addWidget(cmdNo);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lbl64Byte);
    layout->addWidget(lblKeyFile);
    layout->addLayout(rows);
    layout->addLayout(options);
    layout->addWidget(lblRandomnessIs);
    layout->addLayout(answer);

    connect(optDecimal, &QRadioButton::clicked, this, &frmInspectKey::ShowKeyAsDecimal);
    connect(optHexadecimal, &QRadioButton::clicked, this, &frmInspectKey::ShowKeyAsHex);
    connect(optASCII, &QRadioButton::clicked, this, &frmInspectKey::ShowKeyAsText);
    connect(cmdYes, &QPushButton::clicked, this, [this] {
        if (m_newRandomKeyFile)
            MessageBox::show(QStringLiteral("Be sure to remember the name of the keyfile!"),
                             QStringLiteral("Key selected"), MessageBox::NoIcon, MessageBox::Ok);
        blnUseThisKey = true;
        accept();
    });
    connect(cmdNo, &QPushButton::clicked, this, &QDialog::reject);
}

void frmInspectKey::showEvent(QShowEvent* event) {
    prepare();
    QDialog::showEvent(event);
}

void frmInspectKey::prepare() {
    const KeyInspection::Opening opening = KeyInspection::opening(m_key.blnKeyIsRandom, m_key.blnKeyIsText);
    lblRandomnessIs->setVisible(opening.randomnessShown);
    if (opening.randomnessShown) {
        const int length = static_cast<int>(std::min<qsizetype>(m_key.strNewKey.size(), 64));
        lblRandomnessIs->setText(
            KeyInspection::randomnessLine(FileProc::KeyRandomness(m_key.strNewKey, length, length)));
    }
    optASCII->setVisible(opening.textDisplayOffered);
    switch (opening.display) {
    case KeyInspection::Display::Text:
        optASCII->setChecked(true);
        ShowKeyAsText();
        break;
    case KeyInspection::Display::Hexadecimal:
        optHexadecimal->setChecked(true);
        ShowKeyAsHex();
        break;
    case KeyInspection::Display::Decimal:
        optDecimal->setChecked(true);
        ShowKeyAsDecimal();
        break;
    }
    QByteArray reduced = m_key.ReducedKey(m_key.strNewKey);
    m_key.intKeyChecksum = m_key.KeyChecksum(reduced);
    KeyMaterial::wipe(reduced);
    lblChecksumIs->setText(KeyInspection::checksumLine(m_key.intKeyChecksum));
    blnUseThisKey = false;
}

void frmInspectKey::showRows(KeyInspection::Display display) {
    const QStringList rows = KeyInspection::rows(display, m_key.strNewKey, m_key.blnKeyIsText);
    for (int i = 0; i < KeyInspection::rowCount; ++i)
        lblKey[i]->setText(i < rows.size() ? rows.at(i) : QString());
    cmdYes->setFocus(Qt::OtherFocusReason);
}

void frmInspectKey::ShowKeyAsDecimal() {
    showRows(KeyInspection::Display::Decimal);
}
void frmInspectKey::ShowKeyAsHex() {
    showRows(KeyInspection::Display::Hexadecimal);
}
void frmInspectKey::ShowKeyAsText() {
    showRows(KeyInspection::Display::Text);
}
