#include "KeyWindowDriver.h"
#include "key/frmKeyFrom.h"
#include "key/gui/KeyOperations.h"
#include "key/gui/KeyPanel.h"
#include "key/gui/frmInspectKey.h"
#include "key/gui/frmKeyboardWithDisplay.h"
#include "key/gui/frmKeyboardWithoutDisplay.h"
#include "platform/filekit/Language2.h"
#include "platform/os/MessageBox.h"
#include "support/TestSupport.h"

#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {
// Types text as key presses, one character each; QTest::keyClicks only knows ASCII.
void typeText(QWidget* widget, const QString& text) {
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &release);
    }
}
} // namespace

class TestKeyEntry : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void checksumAppearsWithSixteenthCharacter();
    void spacesAndCaseDoNotChangeChecksum_data();
    void spacesAndCaseDoNotChangeChecksum();
    void entryRefusesCharactersOutsideLatin1AndStopsAt64();
    void withDisplayOutcomes_data();
    void withDisplayOutcomes();
    void hiddenEntriesMatchDespiteSpacingAndCase();
    void mismatchEmptiesBothEntries();
    void inspectionOfTypedKey_data();
    void inspectionOfTypedKey();
    void secondEntryWaitsForFirst();
    void panelButtonsForEachDirection_data();
    void panelButtonsForEachDirection();
    void notNowAndEraseKey();

private:
    // The key label as it reads after a typed key with this text was taken.
    static QString keyboardCaption(const QByteArray& typed);
    static int checksumOf(const QByteArray& typed);
    // Opens the panel and specifies a key through the dialog with display.
    void typeKeyThroughPanel(const QByteArray& typed);

    QTemporaryDir m_home;
    QMainWindow* m_main = nullptr;
    QLabel* m_lblKeyFrom = nullptr;
    QWidget* m_fraMenu = nullptr;
    QPushButton* m_cmdKeyFrom = nullptr;
    frmKeyFrom m_key;
    KeyOperations* m_operations = nullptr;
    KeyPanel* m_panel = nullptr;
};

void TestKeyEntry::initTestCase() {
    TestSupport::prepareEnvironment(m_home);
    QVERIFY(Language2::ReadProgramText(QStringLiteral("zq4_text.dat")) >= 1);
    m_main = new QMainWindow;
    auto* central = new QWidget(m_main);
    auto* layout = new QVBoxLayout(central);
    m_fraMenu = new QWidget(central);
    m_cmdKeyFrom = new QPushButton(QStringLiteral("Encryption key"), m_fraMenu);
    m_lblKeyFrom = new QLabel(central);
    layout->addWidget(m_fraMenu);
    layout->addWidget(m_lblKeyFrom);
    m_operations = new KeyOperations(m_key, m_main);
    m_panel = new KeyPanel(*m_operations, central);
    layout->addWidget(m_panel);
    m_panel->attach({m_lblKeyFrom, m_fraMenu, nullptr, m_cmdKeyFrom});
    m_main->setCentralWidget(central);
    m_main->setGeometry(50, 50, 700, 500);
    m_main->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_main));
}

void TestKeyEntry::cleanupTestCase() {
    delete m_main;
}

void TestKeyEntry::init() {
    MessageBox::reset();
}

QString TestKeyEntry::keyboardCaption(const QByteArray& typed) {
    return Language2::ProgramText(6) + QStringLiteral(" (keyboard entry, checksum = ") +
           QString::number(checksumOf(typed)) + QLatin1Char(')');
}

int TestKeyEntry::checksumOf(const QByteArray& typed) {
    frmKeyFrom other;
    return other.KeyChecksum(other.ReducedKey(typed));
}

void TestKeyEntry::typeKeyThroughPanel(const QByteArray& typed) {
    m_panel->open(true);
    ModalScript()
        .then([&](QWidget* w) {
            auto* d = qobject_cast<frmKeyboardWithDisplay*>(w);
            QVERIFY(d);
            d->txbKey->setText(QString::fromLatin1(typed));
            d->cmdYes->click();
        })
        .run([&] { m_panel->cmdKeyboardWithDisplay->click(); });
}

void TestKeyEntry::checksumAppearsWithSixteenthCharacter() {
    frmKeyboardWithDisplay& d = m_operations->keyboardWithDisplay();
    ModalScript()
        .then([&](QWidget*) {
            QTest::keyClicks(d.txbKey, QStringLiteral("abcdefg hijklmn op"));
            QCOMPARE(d.txbKey->text().size(), 18);
            QVERIFY(!d.lblChecksumIs->isHidden());
            QVERIFY(!d.cmdYes->isHidden());
            QVERIFY(!d.lblUseThisKey->isHidden());
            QCOMPARE(d.lblChecksumIs->text(), QStringLiteral("Checksum is %1.").arg(checksumOf("ABCDEFGHIJKLMNOP")));
            QTest::keyClick(d.txbKey, Qt::Key_Backspace);
            for (QWidget* hidden : std::initializer_list<QWidget*>{d.lblChecksumIs, d.cmdYes, d.cmdNo, d.lblUseThisKey})
                QVERIFY(hidden->isHidden());
            d.cmdCancel->click();
        })
        .run([&] { m_operations->KeyboardWithDisplay(); });
    QVERIFY(m_key.blnCancel);
    QCOMPARE(TestSupport::shown(d.lblEntertheKey->text()),
             QStringLiteral("Enter the encryption key (16-64 characters, spaces ignored, case not significant):"));
    // The entry is emptied, and shows empty when the dialog opens again.
    QVERIFY(d.txbKey->text().isEmpty());
}

void TestKeyEntry::spacesAndCaseDoNotChangeChecksum_data() {
    QTest::addColumn<QByteArray>("typed");
    QTest::newRow("upper case") << QByteArray("ABCDEFGHIJKLMNOP");
    QTest::newRow("lower case with a space") << QByteArray("abcdefgh ijklmnop");
    QTest::newRow("blanks around and between") << QByteArray("  Ab Cd Ef Gh Ij Kl Mn Op  ");
}

void TestKeyEntry::spacesAndCaseDoNotChangeChecksum() {
    QFETCH(QByteArray, typed);
    frmKeyboardWithDisplay& d = m_operations->keyboardWithDisplay();
    ModalScript()
        .then([&](QWidget*) {
            QTest::keyClicks(d.txbKey, QString::fromLatin1(typed));
            QCOMPARE(d.lblChecksumIs->text(), QStringLiteral("Checksum is %1.").arg(checksumOf("ABCDEFGHIJKLMNOP")));
            d.cmdYes->click();
        })
        .run([&] { m_operations->KeyboardWithDisplay(); });
    QCOMPARE(m_key.strKey, QByteArray("ABCDEFGHIJKLMNOP"));
    QCOMPARE(m_key.strKeyAsInput, typed);
    QCOMPARE(m_key.intKeyFrom, frmKeyFrom::FromKeyboard);
    QVERIFY(m_key.blnKeyIsText);
    QVERIFY(!m_key.blnKeyIsRandom);
}

void TestKeyEntry::entryRefusesCharactersOutsideLatin1AndStopsAt64() {
    frmKeyboardWithDisplay& d = m_operations->keyboardWithDisplay();
    ModalScript()
        .then([&](QWidget*) {
            QCOMPARE(d.lblKeyNote->text(),
                     QStringLiteral("0 significant characters of the 16 a key needs; spaces do not count."));
            typeText(d.txbKey, QStringLiteral("\u00e9t \u20ac"));
            // Refused, and said so: the note names the character that was not taken.
            QCOMPARE(d.txbKey->text(), QStringLiteral("\u00e9t "));
            QCOMPARE(d.lblKeyNote->text(),
                     QStringLiteral("2 significant characters of the 16 a key needs; spaces do not count.\n"
                                    "Not taken: \u20ac (a key can hold only Latin-1 letters, digits and signs)."));
            d.txbKey->insert(QStringLiteral("a\u0416b"));
            QCOMPARE(d.txbKey->text(), QStringLiteral("\u00e9t "));
            QVERIFY(d.lblKeyNote->text().endsWith(QStringLiteral("Not taken: \u0416 (a key can hold only Latin-1 "
                                                                 "letters, digits and signs).")));
            typeText(d.txbKey, QStringLiteral("\u00e9"));
            QVERIFY(!d.lblKeyNote->text().contains(QStringLiteral("Not taken")));
            QTest::keyClicks(d.txbKey, QString(70, QLatin1Char('x')));
            QCOMPARE(d.txbKey->text().size(), 64);
            QCOMPARE(d.lblKeyNote->text(),
                     QStringLiteral("63 significant characters (16 needed); spaces do not count. The box is full: 64 "
                                    "characters, spaces included."));
            d.cmdYes->click();
        })
        .run([&] { m_operations->KeyboardWithDisplay(); });
    // Latin-1 upper case: é becomes É.
    QCOMPARE(m_key.strKey, QByteArray("\xc9T\xc9") + QByteArray(60, 'X'));
}

void TestKeyEntry::withDisplayOutcomes_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("keyRemains");
    QTest::addColumn<bool>("notSpecified");
    QTest::newRow("No declines the key") << QStringLiteral("No") << false << true;
    QTest::newRow("Cancel keeps the key") << QStringLiteral("Cancel") << true << false;
}

void TestKeyEntry::withDisplayOutcomes() {
    QFETCH(QString, button);
    QFETCH(bool, keyRemains);
    QFETCH(bool, notSpecified);
    typeKeyThroughPanel("previous key 0123456789");
    const QString previousCaption = keyboardCaption("previous key 0123456789");
    QCOMPARE(m_lblKeyFrom->text(), previousCaption);

    m_panel->open(true);
    QVERIFY(m_lblKeyFrom->text().isEmpty());
    QVERIFY(!m_fraMenu->isEnabled());
    ModalScript()
        .then([&](QWidget* w) {
            auto* d = qobject_cast<frmKeyboardWithDisplay*>(w);
            QTest::keyClicks(d->txbKey, QStringLiteral("another key of twenty"));
            (button == QLatin1String("No") ? d->cmdNo : d->cmdCancel)->click();
        })
        .run([&] { m_panel->cmdKeyboardWithDisplay->click(); });
    QVERIFY(m_fraMenu->isEnabled());
    QVERIFY(m_panel->isHidden());
    QCOMPARE(m_lblKeyFrom->text(), notSpecified ? Language2::ProgramText(7) : previousCaption);
    QCOMPARE(m_key.intKeyFrom, keyRemains ? frmKeyFrom::FromKeyboard : frmKeyFrom::NoKey);
    QCOMPARE(m_key.strKey, keyRemains ? QByteArray("PREVIOUSKEY0123456789") : QByteArray());
    if (keyRemains)
        QCOMPARE(m_key.intKeyChecksum, checksumOf("previous key 0123456789"));
}

void TestKeyEntry::hiddenEntriesMatchDespiteSpacingAndCase() {
    frmKeyboardWithoutDisplay& d = m_operations->keyboardWithoutDisplay();
    MessageBox::setNextAnswer(MessageBox::No); // "Inspect the key?"
    ModalScript()
        .then([&](QWidget*) {
            QCOMPARE(d.txbKey[0]->echoMode(), QLineEdit::Password);
            QTest::keyClicks(d.txbKey[0], QStringLiteral("  Secret Words 1234  "));
            QTest::keyClicks(d.txbKey[1], QStringLiteral("SECRETWORDS1234 x"));
            QVERIFY(!d.cmdOK->isEnabled()); // the second entry is one short
            d.txbKey[1]->setText(QStringLiteral("secretwords1234X"));
            QVERIFY(!d.cmdOK->isEnabled());
            d.txbKey[0]->setText(QStringLiteral("  Secret Words 1234x  "));
            QVERIFY(d.cmdOK->isEnabled());
            d.cmdOK->click();
        })
        .run([&] { m_operations->KeyboardWithoutDisplay(); });
    QCOMPARE(MessageBox::last().text, QStringLiteral("Inspect the key?"));
    QCOMPARE(MessageBox::last().title, QStringLiteral("Key specified"));
    QCOMPARE(m_key.intKeyFrom, frmKeyFrom::FromKeyboard);
    QCOMPARE(m_key.strKey, QByteArray("SECRETWORDS1234X"));
    // The trimmed first entry is what the key was reduced from.
    QCOMPARE(m_key.strKeyAsInput, QByteArray("Secret Words 1234x"));
    QVERIFY(m_key.blnKeyIsText);
    QVERIFY(!m_key.blnCancel);
    QVERIFY(d.txbKey[0]->text().isEmpty());
    QVERIFY(d.txbKey[1]->text().isEmpty());
}

void TestKeyEntry::mismatchEmptiesBothEntries() {
    frmKeyboardWithoutDisplay& d = m_operations->keyboardWithoutDisplay();
    const int before = m_key.intKeyFrom;
    ModalScript()
        .then([&](QWidget*) {
            d.txbKey[0]->setText(QStringLiteral("abcdefghijklmnop"));
            d.txbKey[1]->setText(QStringLiteral("abcdefghijklmnoq"));
            d.cmdOK->click();
            QCOMPARE(MessageBox::last().text, QStringLiteral("The key entries do not match!"));
            QCOMPARE(MessageBox::last().title, QStringLiteral("Error"));
            QCOMPARE(MessageBox::last().icon, MessageBox::Warning);
            QVERIFY(d.isVisible());
            QVERIFY(d.txbKey[0]->text().isEmpty());
            QVERIFY(d.txbKey[1]->text().isEmpty());
            QVERIFY(!d.cmdOK->isEnabled());
        })
        .then([&](QWidget* w) {
            QCOMPARE(w, &d);
            d.cmdCancel->click();
        })
        .run([&] { m_operations->KeyboardWithoutDisplay(); });
    QCOMPARE(MessageBox::history().size(), 1);
    QVERIFY(m_key.blnCancel);
    QCOMPARE(m_key.intKeyFrom, before);
}

void TestKeyEntry::inspectionOfTypedKey_data() {
    QTest::addColumn<bool>("use");
    QTest::newRow("used") << true;
    QTest::newRow("declined") << false;
}

void TestKeyEntry::inspectionOfTypedKey() {
    QFETCH(bool, use);
    MessageBox::setNextAnswer(MessageBox::Yes); // "Inspect the key?"
    ModalScript()
        .then([&](QWidget* w) {
            auto* d = qobject_cast<frmKeyboardWithoutDisplay*>(w);
            d->txbKey[0]->setText(QStringLiteral(" twenty characters ok "));
            d->txbKey[1]->setText(QStringLiteral("TWENTY CHARACTERS OK"));
            d->cmdOK->click();
        })
        .then([&](QWidget* w) {
            auto* inspect = qobject_cast<frmInspectKey*>(w);
            QVERIFY(inspect);
            QCOMPARE(inspect->lbl64Byte->text(), QStringLiteral("Key entered at keyboard"));
            QVERIFY(inspect->lblKeyFile->text().isEmpty());
            // A typed key is text: the character display comes first.
            QVERIFY(inspect->optASCII->isChecked());
            QCOMPARE(inspect->lblKey[0]->text(), QStringLiteral("twenty characters ok"));
            QCOMPARE(inspect->lblChecksumIs->text(),
                     QStringLiteral("Checksum is %1.").arg(checksumOf("twenty characters ok")));
            (use ? inspect->cmdYes : inspect->cmdNo)->click();
        })
        .run([&] { m_operations->KeyboardWithoutDisplay(); });
    QCOMPARE(m_key.strNewKey, QByteArray("twenty characters ok"));
    QCOMPARE(m_key.intKeyFrom, use ? frmKeyFrom::FromKeyboard : frmKeyFrom::NoKey);
    QCOMPARE(m_key.strKey, use ? QByteArray("TWENTYCHARACTERSOK") : QByteArray());
    QVERIFY(!m_key.blnCancel);
    // A typed key is no keyfile: no reminder of a keyfile name.
    QCOMPARE(MessageBox::history().size(), 1);
}

void TestKeyEntry::secondEntryWaitsForFirst() {
    frmKeyboardWithoutDisplay& d = m_operations->keyboardWithoutDisplay();
    m_operations->setEncrypt(false);
    ModalScript()
        .then([&](QWidget*) {
            QVERIFY(!d.txbKey[1]->isEnabled());
            QVERIFY(!d.lblReEnterTheKey->font().bold());
            QVERIFY(d.lblChecksumIs->isHidden());
            d.txbKey[0]->setText(QStringLiteral("0123456789abcdef"));
            QCOMPARE(d.lblKeyNote->text(),
                     QStringLiteral("16 significant characters (16 needed); spaces do not count."));
            QVERIFY(d.txbKey[1]->isEnabled());
            QVERIFY(d.lblReEnterTheKey->font().bold());
            QCOMPARE(d.lblChecksumIs->text(), QStringLiteral("Checksum is %1.").arg(checksumOf("0123456789ABCDEF")));
            d.txbKey[1]->setText(QStringLiteral("0123456789abcdef"));
            // Shortening the first entry disables the second but keeps its text.
            d.txbKey[0]->setText(QStringLiteral("0123456789abcde"));
            QVERIFY(!d.txbKey[1]->isEnabled());
            QVERIFY(!d.cmdOK->isEnabled());
            QCOMPARE(d.txbKey[1]->text(), QStringLiteral("0123456789abcdef"));
            d.reject(); // closing the window
        })
        .run([&] { m_operations->KeyboardWithoutDisplay(); });
    m_operations->setEncrypt(true);
    // The prompt as it has always read, and below it what the rule counts.
    QCOMPARE(TestSupport::shown(d.lblEntertheKey->text()),
             QStringLiteral("Enter the decryption key, 16-64 non-space characters (which will not be displayed):\n"
                            "(Spaces, tabs and other blanks do not count; letter case does not matter.)"));
    QVERIFY(m_key.blnCancel);
}

void TestKeyEntry::panelButtonsForEachDirection_data() {
    QTest::addColumn<bool>("encrypt");
    QTest::newRow("encrypting") << true;
    QTest::newRow("decrypting") << false;
}

void TestKeyEntry::panelButtonsForEachDirection() {
    QFETCH(bool, encrypt);
    m_panel->open(encrypt);
    QCoreApplication::processEvents();
    QVERIFY(m_panel->isVisible());
    QCOMPARE(m_main->focusWidget(), m_panel->cmdKeyboardWithDisplay);
    QList<QPushButton*> visible;
    for (QPushButton* b : m_panel->findChildren<QPushButton*>())
        if (b->isVisible())
            visible << b;
    QCOMPARE(visible.size(), encrypt ? 6 : 5);
    QCOMPARE(m_panel->cmdKeyFile[1]->isVisible(), encrypt);
    // Each button is one button and one gap below the last; none touches another or the frame.
    const int gap = KeyPanel::kGap;
    const int h = m_panel->cmdKeyboardWithDisplay->height() + gap;
    const int t = m_panel->cmdKeyFile[0]->geometry().bottom() + 1 + gap;
    QCOMPARE(m_panel->cmdEraseKey->y(), encrypt ? t + h : t);
    QCOMPARE(m_panel->cmdDontSpecifyKeyNow->y(), encrypt ? t + 2 * h : t + h);
    QCOMPARE(m_panel->contentsRect().height(), (encrypt ? 6 : 5) * h + gap);
    QVERIFY(m_panel->cmdKeyboardWithDisplay->y() >= m_panel->contentsRect().top() + gap);
    m_panel->cmdDontSpecifyKeyNow->click();
}

void TestKeyEntry::notNowAndEraseKey() {
    typeKeyThroughPanel("a key typed before erasing");
    const QString caption = m_lblKeyFrom->text();
    m_panel->open(true);
    m_panel->cmdDontSpecifyKeyNow->click();
    QCOMPARE(m_lblKeyFrom->text(), caption);
    QVERIFY(m_fraMenu->isEnabled());
    QCOMPARE(m_main->focusWidget(), m_cmdKeyFrom);
    QCOMPARE(m_key.intKeyFrom, frmKeyFrom::FromKeyboard);

    const qsizetype keyLength = m_key.strKey.size();
    m_panel->open(true);
    m_panel->cmdEraseKey->click();
    QCOMPARE(m_lblKeyFrom->text(), Language2::ProgramText(7));
    QCOMPARE(m_key.intKeyFrom, frmKeyFrom::NoKey);
    QCOMPARE(m_key.strKey, QByteArray(keyLength, '\0'));
    QVERIFY(m_fraMenu->isEnabled());
    QVERIFY(m_panel->isHidden());
    QVERIFY(MessageBox::history().isEmpty());
}

QTEST_MAIN(TestKeyEntry)
#include "test_key_entry.moc"
