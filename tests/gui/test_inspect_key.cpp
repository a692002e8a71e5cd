#include "KeyWindowDriver.h"
#include "key/KeyInspection.h"
#include "key/frmKeyFrom.h"
#include "key/gui/frmInspectKey.h"
#include "platform/filekit/FileKit.h"
#include "platform/os/MessageBox.h"
#include "support/TestSupport.h"

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

class TestInspectKey : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void layouts_data();
    void layouts();
    void openingDisplay_data();
    void openingDisplay();
    void optionsSwitchTheDisplay();
    void reminderOnlyForNewRandomKeyfile_data();
    void reminderOnlyForNewRandomKeyfile();

private:
    QStringList shownRows() const;
    // Shows the window for the key, runs check on it and closes it with No.
    void inspect(const std::function<void()>& check);

    QTemporaryDir m_home;
    frmKeyFrom m_key;
    frmInspectKey* m_window = nullptr;
};

void TestInspectKey::initTestCase() {
    TestSupport::prepareEnvironment(m_home);
    m_window = new frmInspectKey(m_key);
    connect(this, &QObject::destroyed, m_window, &QObject::deleteLater);
}

void TestInspectKey::init() {
    MessageBox::reset();
}

QStringList TestInspectKey::shownRows() const {
    QStringList rows;
    for (QLabel* row : m_window->lblKey)
        rows << row->text();
    return rows;
}

void TestInspectKey::inspect(const std::function<void()>& check) {
    ModalScript()
        .then([&](QWidget* w) {
            QCOMPARE(w, m_window);
            check();
            m_window->cmdNo->click();
        })
        .run([&] { m_window->exec(); });
    QVERIFY(!m_window->blnUseThisKey);
}

void TestInspectKey::layouts_data() {
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<bool>("isText");
    QTest::addColumn<bool>("decimal");
    QTest::addColumn<QStringList>("rows");
    const QByteArray all64 = [] {
        QByteArray k;
        for (int i = 0; i < 64; ++i)
            k.append(static_cast<char>(192 + i));
        return k;
    }();
    const auto rowOf = [](int first, const char* format) {
        QString row;
        for (int b = first; b < first + 16; ++b)
            row += QString::asprintf(format, b);
        return row;
    };
    QTest::newRow("64 bytes fill four decimal rows")
        << all64 << false << true
        << QStringList{rowOf(192, "%3d "), rowOf(208, "%3d "), rowOf(224, "%3d "), rowOf(240, "%3d ")};
    QTest::newRow("64 bytes fill four hexadecimal rows")
        << all64 << false << false
        << QStringList{rowOf(192, " %02X "), rowOf(208, " %02X "), rowOf(224, " %02X "), rowOf(240, " %02X ")};
    QTest::newRow("20 characters: 16, then 4, then nothing")
        << QByteArray("abcdefghijklmnopqrst") << true << true
        << QStringList{rowOf(97, "%3d "), QStringLiteral("113 114 115 116 "), QString(), QString()};
    QTest::newRow("11 and 255 in decimal")
        << QByteArray("\x0b\xff") << false << true << QStringList{QStringLiteral(" 11 255 "), {}, {}, {}};
    QTest::newRow("11 and 255 in hexadecimal")
        << QByteArray("\x0b\xff") << false << false << QStringList{QStringLiteral(" 0B  FF "), {}, {}, {}};
    QTest::newRow("zero byte of a text key, decimal")
        << QByteArray("A\0B", 3) << true << true << QStringList{QStringLiteral(" 65      66 "), {}, {}, {}};
    QTest::newRow("zero byte of a text key, hexadecimal")
        << QByteArray("A\0B", 3) << true << false << QStringList{QStringLiteral(" 41      42 "), {}, {}, {}};
    QTest::newRow("zero byte of another key, decimal")
        << QByteArray("A\0B", 3) << false << true << QStringList{QStringLiteral(" 65   0  66 "), {}, {}, {}};
    QTest::newRow("zero byte of another key, hexadecimal")
        << QByteArray("A\0B", 3) << false << false << QStringList{QStringLiteral(" 41  00  42 "), {}, {}, {}};
}

void TestInspectKey::layouts() {
    QFETCH(QByteArray, key);
    QFETCH(bool, isText);
    QFETCH(bool, decimal);
    QFETCH(QStringList, rows);
    m_key.strNewKey = key;
    m_key.blnKeyIsText = isText;
    m_key.blnKeyIsRandom = false;
    inspect([&] {
        (decimal ? m_window->optDecimal : m_window->optHexadecimal)->click();
        QCOMPARE(shownRows(), rows);
        for (const QString& row : rows)
            QVERIFY(row.size() == 0 || row.size() % 4 == 0);
    });
}

void TestInspectKey::openingDisplay_data() {
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<bool>("isRandom");
    QTest::addColumn<bool>("isText");
    QTest::addColumn<QString>("checked");
    QTest::addColumn<QStringList>("rows");
    const QByteArray random = TestSupport::pseudoRandomBytes(64, 3);
    QTest::newRow("random key: decimal, randomness, no characters")
        << random << true << false << QStringLiteral("optDecimal") << KeyInspection::decimalRows(random, false);
    QTest::newRow("text key with line breaks: characters")
        << QByteArray("first line\r\nsecond\r\nthird\0\0", 27) << false << true << QStringLiteral("optASCII")
        << QStringList{QStringLiteral("first line"), QStringLiteral("second"), QStringLiteral("third"), QString()};
    QTest::newRow("neither: decimal, no characters")
        << QByteArray("\x01\x02\x03") << false << false << QStringLiteral("optDecimal")
        << QStringList{QStringLiteral("  1   2   3 "), {}, {}, {}};
}

void TestInspectKey::openingDisplay() {
    QFETCH(QByteArray, key);
    QFETCH(bool, isRandom);
    QFETCH(bool, isText);
    QFETCH(QString, checked);
    QFETCH(QStringList, rows);
    m_key.strNewKey = key;
    m_key.blnKeyIsRandom = isRandom;
    m_key.blnKeyIsText = isText;
    frmKeyFrom other;
    const int checksum = other.KeyChecksum(other.ReducedKey(key));
    inspect([&] {
        QCOMPARE(m_window->windowTitle(), QStringLiteral("Inspect the key"));
        QVERIFY(m_window->findChild<QRadioButton*>(checked)->isChecked());
        QCOMPARE(m_window->optASCII->isHidden(), !isText);
        QVERIFY(!m_window->optHexadecimal->isHidden());
        QCOMPARE(m_window->lblRandomnessIs->isHidden(), !isRandom);
        if (isRandom)
            QCOMPARE(m_window->lblRandomnessIs->text(),
                     QStringLiteral("Randomness is %1.")
                         .arg(QLocale().toString(filekit::randomness_measure(key, 64, 64), 'f', 3)));
        QCOMPARE(shownRows(), rows);
        QCOMPARE(m_window->lblChecksumIs->text(), QStringLiteral("Checksum is %1.").arg(checksum));
        QCOMPARE(m_window->lblUseThisKey->text(), QStringLiteral("Use this key?"));
        QCOMPARE(m_window->focusWidget(), m_window->cmdYes);
    });
    QCOMPARE(m_key.intKeyChecksum, checksum);
}

void TestInspectKey::optionsSwitchTheDisplay() {
    m_key.strNewKey = QByteArray("ab\r\ncd");
    m_key.blnKeyIsRandom = false;
    m_key.blnKeyIsText = true;
    inspect([&] {
        QCOMPARE(shownRows(), (QStringList{QStringLiteral("ab"), QStringLiteral("cd"), {}, {}}));
        m_window->optHexadecimal->click();
        QCOMPARE(shownRows(), (QStringList{QStringLiteral(" 61  62  0D  0A  63  64 "), {}, {}, {}}));
        m_window->optDecimal->click();
        QCOMPARE(shownRows(), (QStringList{QStringLiteral(" 97  98  13  10  99 100 "), {}, {}, {}}));
        m_window->optASCII->click();
        QCOMPARE(shownRows(), (QStringList{QStringLiteral("ab"), QStringLiteral("cd"), {}, {}}));
        m_window->optHexadecimal->click();
    });
    // Showing again starts from the key's own display.
    inspect([&] { QVERIFY(m_window->optASCII->isChecked()); });
}

void TestInspectKey::reminderOnlyForNewRandomKeyfile_data() {
    QTest::addColumn<bool>("isNew");
    QTest::newRow("new random keyfile") << true;
    QTest::newRow("existing keyfile or typed key") << false;
}

void TestInspectKey::reminderOnlyForNewRandomKeyfile() {
    QFETCH(bool, isNew);
    m_key.strNewKey = TestSupport::pseudoRandomBytes(64, 9);
    m_key.blnKeyIsRandom = true;
    m_key.blnKeyIsText = false;
    m_window->setNewRandomKeyFile(isNew);
    ModalScript().then([&](QWidget*) { m_window->cmdYes->click(); }).run([&] { m_window->exec(); });
    QVERIFY(m_window->blnUseThisKey);
    QCOMPARE(MessageBox::history().size(), isNew ? 1 : 0);
    if (isNew) {
        QCOMPARE(MessageBox::last().text, QStringLiteral("Be sure to remember the name of the keyfile!"));
        QCOMPARE(MessageBox::last().title, QStringLiteral("Key selected"));
        QCOMPARE(MessageBox::last().buttons, MessageBox::Ok);
    }
}

QTEST_MAIN(TestInspectKey)
#include "test_inspect_key.moc"
