#include "key/KeyInspection.h"

#include <QtTest>

using namespace KeyInspection;

class TestKeyInspection : public QObject {
    Q_OBJECT
private slots:
    void byteLayouts_data() {
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<bool>("isText");
        QTest::addColumn<QString>("decimal");
        QTest::addColumn<QString>("hex");
        QTest::newRow("11 and 255") << QByteArray("\x0b\xff", 2) << false << " 11 255 "
                                    << " 0B  FF ";
        QTest::newRow("zero byte, not text") << QByteArray("A\0B", 3) << false << " 65   0  66 "
                                             << " 41  00  42 ";
        QTest::newRow("zero byte, text") << QByteArray("A\0B", 3) << true << " 65      66 "
                                         << " 41      42 ";
        QTest::newRow("one digit") << QByteArray("\x07", 1) << true << "  7 "
                                   << " 07 ";
    }
    void byteLayouts() {
        QFETCH(QByteArray, key);
        QFETCH(bool, isText);
        QFETCH(QString, decimal);
        QFETCH(QString, hex);
        QCOMPARE(decimalRows(key, isText), (QStringList{decimal, "", "", ""}));
        QCOMPARE(hexadecimalRows(key, isText), (QStringList{hex, "", "", ""}));
    }

    void rowsOf16Bytes_data() {
        QTest::addColumn<int>("length");
        QTest::addColumn<QList<int>>("bytesPerRow");
        QTest::newRow("64 bytes fill four rows") << 64 << QList<int>{16, 16, 16, 16};
        QTest::newRow("typed key of 20") << 20 << QList<int>{16, 4, 0, 0};
        QTest::newRow("empty") << 0 << QList<int>{0, 0, 0, 0};
        QTest::newRow("longer than 64 shows 64") << 80 << QList<int>{16, 16, 16, 16};
    }
    void rowsOf16Bytes() {
        QFETCH(int, length);
        QFETCH(QList<int>, bytesPerRow);
        QByteArray key(length, '\0');
        for (int i = 0; i < length; ++i)
            key[i] = char(33 + i * 3);
        for (const Display d : {Display::Decimal, Display::Hexadecimal}) {
            const QStringList r = rows(d, key, false);
            QCOMPARE(r.size(), 4);
            for (int row = 0; row < 4; ++row)
                QCOMPARE(r[row].size(), bytesPerRow[row] * 4);
        }
        if (length >= 16)
            QCOMPARE(decimalRows(key, false)[0].left(12), QString(" 33  36  39 "));
    }

    void textLayout_data() {
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<QStringList>("rows");
        QTest::newRow("CR LF breaks, trailing zeros")
            << QByteArray("one\r\ntwo\r\nthree") + QByteArray(20, '\0') << QStringList{"one", "two", "three", ""};
        QTest::newRow("embedded zero skipped") << QByteArray("ab\0cd", 5) << QStringList{"abcd", "", "", ""};
        QTest::newRow("LF alone breaks") << QByteArray("a\nb") << QStringList{"a", "b", "", ""};
        QTest::newRow("CR alone keeps the next character") << QByteArray("a\rbc") << QStringList{"a", "bc", "", ""};
        QTest::newRow("more lines than rows")
            << QByteArray("1\r\n2\r\n3\r\n4\r\n5") << QStringList{"1", "2", "3", "4 5"};
        QTest::newRow("latin-1") << QByteArray("caf\xe9") << QStringList{QString::fromLatin1("caf\xe9"), "", "", ""};
    }
    void textLayout() {
        QFETCH(QByteArray, key);
        QFETCH(QStringList, rows);
        QCOMPARE(textRows(key), rows);
    }

    void lines() {
        QCOMPARE(checksumLine(7498), QString("Checksum is 7498."));
        QCOMPARE(randomnessLine(0.91234, QLocale(QLocale::English)), QString("Randomness is 0.912."));
        QCOMPARE(randomnessLine(0.9, QLocale(QLocale::German)), QString("Randomness is 0,900."));
    }

    void openingView() {
        const Opening random = opening(true, false);
        QCOMPARE(random.display, Display::Decimal);
        QVERIFY(random.randomnessShown && !random.textDisplayOffered);
        const Opening text = opening(false, true);
        QCOMPARE(text.display, Display::Text);
        QVERIFY(!text.randomnessShown && text.textDisplayOffered);
        const Opening other = opening(false, false);
        QCOMPARE(other.display, Display::Decimal);
        QVERIFY(!other.randomnessShown && !other.textDisplayOffered);
    }
};

QTEST_GUILESS_MAIN(TestKeyInspection)
#include "test_key_inspection.moc"
