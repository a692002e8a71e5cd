#include "batch/gui/frmReliabilityTest.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace {

template <typename T> T* named(T* widget, const char* name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
}

// Keys the number box takes besides digits: backspace, Ctrl+C, Ctrl+V, Ctrl+X and Enter.
bool allowedControlKey(QChar c) {
    const ushort code = c.unicode();
    return code == 8 || code == 3 || code == 22 || code == 24 || code == 13;
}

} // namespace

frmReliabilityTest::frmReliabilityTest(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmReliabilityTest"));
    setWindowTitle(QStringLiteral("Reliability test"));
    setModal(true);

    lblIntro = named(new QLabel(this), "lblIntro");
    lblExplanation1 = named(new QLabel(this), "lblExplanation1");
    lblExplanation2 = named(new QLabel(this), "lblExplanation2");
    lblMultipleTimes =
        named(new QLabel(QStringLiteral("Number of &times to perform the test: "), this), "lblMultipleTimes");
    txbNumTests = named(new QLineEdit(this), "txbNumTests");
    lblMultipleTimes->setBuddy(txbNumTests);
    txbNumTests->setAccessibleName(QStringLiteral("Number of times to perform the test"));
    optPerformTest = named(new QRadioButton(QStringLiteral("&Yes, perform the test."), this), "optPerformTest");
    optNo = named(new QRadioButton(QStringLiteral("&No, just encrypt as specified."), this), "optNo");
    cmdContinue = named(new QPushButton(QStringLiteral("&Continue"), this), "cmdContinue");
    cmdCancel = named(new QPushButton(QStringLiteral("C&ancel"), this), "cmdCancel");
    for (QLabel* label : {lblIntro, lblExplanation1, lblExplanation2})
        label->setWordWrap(true);

    lblIntro->setText(QStringLiteral("You have chosen to encrypt files with .tst extension in a subfolder ") +
                      QStringLiteral("named ") + QLatin1Char('"') + QLatin1String(ReliabilityTest::testFolderName) +
                      QLatin1Char('"') + QStringLiteral(", which indicates that you wish to ") +
                      QStringLiteral("perform the reliability test."));
    lblExplanation2->setText(QStringLiteral("The first performance of the test uses the currently specified key. ") +
                             QStringLiteral("Subsequent performances use randomly-generated keys."));
    txbNumTests->setText(QStringLiteral("1"));
    // Nine digits keep any count far from overflowing; pasted text other than digits is refused.
    txbNumTests->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,9}")), txbNumTests));
    txbNumTests->installEventFilter(this);

    auto* count = new QHBoxLayout;
    count->addWidget(lblMultipleTimes);
    count->addWidget(txbNumTests);
    count->addStretch();
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdContinue);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblIntro);
    layout->addWidget(lblExplanation1);
    layout->addWidget(lblExplanation2);
    layout->addWidget(optPerformTest);
    layout->addLayout(count);
    layout->addWidget(optNo);
    layout->addLayout(buttons);
    setMinimumWidth(520);

    connect(optPerformTest, &QRadioButton::clicked, this, &frmReliabilityTest::optionChosen);
    connect(optNo, &QRadioButton::clicked, this, &frmReliabilityTest::optionChosen);
    connect(optPerformTest, &QRadioButton::toggled, this, [this](bool on) {
        lblMultipleTimes->setVisible(on);
        txbNumTests->setVisible(on);
    });
    connect(cmdContinue, &QPushButton::clicked, this, &frmReliabilityTest::cmdContinue_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmReliabilityTest::cmdCancel_Click);
}

QString frmReliabilityTest::explanation(bool inPlace) {
    if (inPlace)
        return QStringLiteral("In this test all specified .tst files are first copied to ") +
               QStringLiteral(".bak files, then the .tst files are encrypted, then decrypted, then the ") +
               QStringLiteral("resulting .tst files are compared to the .bak files.  ") +
               QStringLiteral("If a difference exists then the test stops at that point.");
    return QStringLiteral("In this test all specified .tst files are encrypted to .enc files, ") +
           QStringLiteral("then decrypted to .dec files, then the .dec files are compared to the .tst files. ") +
           QStringLiteral("If a difference exists then the test stops at that point.");
}

void frmReliabilityTest::prepareShowing(bool inPlace) {
    lblExplanation1->setText(explanation(inPlace));
    optPerformTest->setChecked(true);
    blnPerformingReliabilityTest = false;
    blnCancel = true;
}

int frmReliabilityTest::exec(bool inPlace) {
    prepareShowing(inPlace);
    return QDialog::exec();
}

// The caret goes after the count with the count selected: a number typed at once replaces it ("3" gives 3
// passes, not 13), and the arrow keys still reach the end.
void frmReliabilityTest::setVisible(bool visible) {
    if (visible)
        txbNumTests->setFocus(Qt::OtherFocusReason);
    QDialog::setVisible(visible);
    if (visible)
        txbNumTests->selectAll();
}

void frmReliabilityTest::optionChosen() {
    cmdContinue->setFocus();
}

void frmReliabilityTest::cmdContinue_Click() {
    blnCancel = false;
    blnPerformingReliabilityTest = optPerformTest->isChecked();
    intNumReliabilityTests = txbNumTests->text().toLongLong();
    accept();
}

void frmReliabilityTest::cmdCancel_Click() {
    blnCancel = true;
    blnPerformingReliabilityTest = false;
    QDialog::reject();
}

// Escape and the title bar's close act as Cancel.
void frmReliabilityTest::reject() {
    cmdCancel_Click();
}

bool frmReliabilityTest::eventFilter(QObject* watched, QEvent* event) {
    if (watched == txbNumTests && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            cmdContinue_Click();
            return true;
        }
        const QString text = key->text();
        if (text.size() == 1 && !(text.at(0) >= QLatin1Char('0') && text.at(0) <= QLatin1Char('9')) &&
            !allowedControlKey(text.at(0)))
            return true;
    }
    return QDialog::eventFilter(watched, event);
}
