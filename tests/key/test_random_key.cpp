#include "key/RandomKey.h"
#include "key/frmKeyFrom.h"

#include <QRandomGenerator>
#include <QtTest>

#include <array>

namespace {
// A byte source that plays back a fixed list.
RandomKey::ByteSource playback(QList<int> bytes) {
    auto shared = std::make_shared<QList<int>>(std::move(bytes));
    return [shared](unsigned char* buffer, int size) {
        for (int i = 0; i < size; ++i) {
            if (shared->isEmpty())
                return false;
            buffer[i] = static_cast<unsigned char>(shared->takeFirst());
        }
        return true;
    };
}
} // namespace

class TestRandomKey : public QObject {
    Q_OBJECT
private slots:
    void mouseClockValue_data() {
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");
        QTest::addColumn<double>("t");
        QTest::addColumn<int>("value");
        QTest::newRow("d = 50") << 10 << 20 << 3600.5 << 142;
        QTest::newRow("half a hundredth rounds to even") << 1000 << 2000 << 12.125 << 206;
        QTest::newRow("whole second") << 0 << 0 << 7.0 << 0;
    }
    void mouseClockValue() {
        QFETCH(int, x);
        QFETCH(int, y);
        QFETCH(double, t);
        QFETCH(int, value);
        QCOMPARE(RandomKey::mouseClockValue(x, y, t), value);
    }

    void mouseClockValueStaysInRangeForAnyPointer() {
        for (const int x : {-32768, -1, 0, 6105, 32767, 1 << 30})
            for (const int y : {-32768, -5, 2730, 32767, 1 << 30}) {
                const int v = RandomKey::mouseClockValue(x, y, 86399.99);
                QVERIFY2(v >= 0 && v < 223, qPrintable(QString::number(v)));
            }
    }

    void rejectionDropsTheBiasedBytes() {
        QCOMPARE(RandomKey::uniformBelowCodeCount(playback({223, 255, 224, 5})), 5);
        QCOMPARE(RandomKey::uniformBelowCodeCount(playback({222})), 222);
        QCOMPARE(RandomKey::uniformBelowCodeCount(playback({0})), 0);
        QCOMPARE(RandomKey::uniformBelowCodeCount(playback({230})), -1); // source runs dry
    }

    void charactersOnlyWhileTheMouseMoves() {
        RandomKeyGatherer g(playback(QList<int>(200, 7)));
        g.start(100, 100);
        QCOMPARE(g.progressBar(), QString(63, '_'));
        QVERIFY(!g.tick(1.0)); // the mouse rests
        QVERIFY(g.key().isEmpty());
        g.mouseMoved(101, 100);
        QVERIFY(g.tick(1.0));
        QVERIFY(!g.tick(1.5)); // no movement since the last character
        QCOMPARE(g.key().size(), 1);
        QCOMPARE(g.progressBar(), QString(QChar(0x2588)) + QString(62, '_'));
        for (int i = 2; i <= 64; ++i) {
            g.mouseMoved(100 + i, i % 7);
            QVERIFY(g.tick(i * 0.25));
        }
        QVERIFY(g.isComplete());
        QCOMPARE(g.progressBar(), QString(64, QChar(0x2588)));
        g.mouseMoved(5, 5);
        QVERIFY(!g.tick(99.0));
        QCOMPARE(g.key().size(), 64);
        for (const char c : g.key())
            QVERIFY(static_cast<unsigned char>(c) >= 33);

        // Showing again starts over.
        g.start(5, 5);
        QVERIFY(g.key().isEmpty());
        QCOMPARE(g.progressBar(), QString(63, '_'));
    }

    void failingGeneratorStopsTheKey() {
        RandomKeyGatherer g(playback({}));
        g.start(0, 0);
        g.mouseMoved(1, 1);
        QVERIFY(!g.tick(0.0));
        QVERIFY(g.failed());
        QVERIFY(g.key().isEmpty());
    }

    // With the mouse swinging between two points and the clock frozen, the mouse-and-clock value is the
    // same every time; the codes must still be uniform over 33..255.
    void codesAreUniformWhateverTheMouseDoes() {
        constexpr int keys = 700;
        std::array<qint64, 256> counts{};
        qint64 draws = 0;
        RandomKeyGatherer g;
        for (int k = 0; k < keys; ++k) {
            g.start(0, 0);
            for (int i = 0; i < 64; ++i) {
                g.mouseMoved(i % 2 + 1, 0);
                QVERIFY(g.tick(0.0));
            }
            for (const char c : g.key()) {
                ++counts[static_cast<unsigned char>(c)];
                ++draws;
            }
        }
        for (int code = 0; code < 33; ++code)
            QCOMPARE(counts[code], 0);
        const double expected = double(draws) / 223;
        double chiSquare = 0;
        for (int code = 33; code <= 255; ++code)
            chiSquare += (counts[code] - expected) * (counts[code] - expected) / expected;
        // 222 degrees of freedom: mean 222, deviation 21; 340 is more than five deviations out.
        QVERIFY2(chiSquare < 340, qPrintable(QString::number(chiSquare)));
    }

    void reliabilityTestKeys() {
        QRandomGenerator generator(12345);
        frmKeyFrom key;
        int shortest = 99, longest = 0, fromKeyfile = 0;
        constexpr int runs = 3000;
        for (int run = 0; run < runs; ++run) {
            RandomKey::GenerateRandomTextKey(key, generator);
            QVERIFY(key.strKey.size() >= 16 && key.strKey.size() <= 64);
            shortest = std::min<int>(shortest, key.strKey.size());
            longest = std::max<int>(longest, key.strKey.size());
            QCOMPARE(key.strKeyAsInput, key.strKey);
            const int top = key.intKeyFrom == frmKeyFrom::FromKeyboard ? 122 : 255;
            QVERIFY(key.intKeyFrom == frmKeyFrom::FromKeyboard || key.intKeyFrom == frmKeyFrom::FromKeyfile);
            fromKeyfile += key.intKeyFrom == frmKeyFrom::FromKeyfile;
            for (const char c : key.strKey) {
                const int code = static_cast<unsigned char>(c);
                QVERIFY(code >= 32 && code <= top);
            }
        }
        QCOMPARE(shortest, 16);
        QCOMPARE(longest, 64);
        QVERIFY(fromKeyfile > runs / 20 && fromKeyfile < runs / 6);
    }
};

QTEST_GUILESS_MAIN(TestRandomKey)
#include "test_random_key.moc"
