// Names are bytes: every byte string comes back from its text exactly, and is shown without control characters.
#include "platform/os/NativeName.h"

#include <QTest>

class TestNativeName : public QObject {
    Q_OBJECT

private slots:
    void bytesComeBackAndAreShownReadably_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("shown");
        // clang-format off
        QTest::newRow("plain") << QByteArray("report.txt") << QStringLiteral("report.txt");
        QTest::newRow("UTF-8") << QByteArray("caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80") << QString::fromUtf8("caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80");
        QTest::newRow("Latin-1") << QByteArray("caf\xe9.txt") << QStringLiteral("caf\\xe9.txt");
        QTest::newRow("high bytes only") << QByteArray("\xff\xfe\x80") << QStringLiteral("\\xff\\xfe\\x80");
        QTest::newRow("truncated sequence") << QByteArray("a\xe2\x82") << QStringLiteral("a\\xe2\\x82");
        QTest::newRow("overlong slash") << QByteArray("\xc0\xaf") << QStringLiteral("\\xc0\\xaf");
        QTest::newRow("encoded surrogate") << QByteArray("\xed\xa0\x80") << QStringLiteral("\\xed\\xa0\\x80");
        QTest::newRow("beyond U+10FFFF") << QByteArray("\xf4\x90\x80\x80") << QStringLiteral("\\xf4\\x90\\x80\\x80");
        // A character whose second half looks like a raw byte stays one character.
        QTest::newRow("U+10080") << QByteArray("\xf0\x90\x82\x80") << QString::fromUtf8("\xf0\x90\x82\x80");
        QTest::newRow("escape sequence") << QByteArray("a\x1b[2Jb") << QStringLiteral("a\\x1b[2Jb");
        QTest::newRow("line breaks and tab") << QByteArray("a\r\nb\tc") << QStringLiteral("a\\r\\nb\\tc");
        QTest::newRow("C1 control") << QByteArray("a\xc2\x9b" "b") << QStringLiteral("a\\x9bb");
        QTest::newRow("reordering mark") << QByteArray("exe.\xe2\x80\xaetxt") << QStringLiteral("exe.\\u202etxt");
        // clang-format on
    }
    void bytesComeBackAndAreShownReadably() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, shown);
        const QString text = NativeName::decode(bytes);
        QCOMPARE(NativeName::encode(text), bytes);
        QCOMPARE(NativeName::fromCharacters(NativeName::characters(text)), text);
        QCOMPARE(NativeName::shown(text), shown);
    }
};

QTEST_GUILESS_MAIN(TestNativeName)
#include "test_native_name.moc"
