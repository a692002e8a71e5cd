#include "platform/filekit/FileKit.h"
#include "platform/filekit/RandomnessMeasure.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QRandomGenerator>
#include <QtTest>

#include <cmath>

using TestSupport::writeFile;

namespace {

// The calibration must hold whatever the generator's seed; ZQ4_CALIBRATION_SEED tries another one.
quint32 baseSeed() {
    bool ok = false;
    const quint32 seed = qEnvironmentVariable("ZQ4_CALIBRATION_SEED").toUInt(&ok);
    return ok ? seed : 20240611u;
}

QByteArray randomBytes(QRandomGenerator& gen, qsizetype size) {
    QByteArray out(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        out[i] = static_cast<char>(gen.bounded(256));
    return out;
}

// What the cipher engine writes: a 64-byte header (magic, fixed parameters, salts, nonce prefix, zero padding)
// followed by ciphertext and a 16-byte tag per 64 KiB segment, all of which is indistinguishable from random.
QByteArray engineLikeFile(QRandomGenerator& gen, qint64 plaintextSize) {
    const qint64 segments = std::max<qint64>(1, (plaintextSize + 65535) / 65536);
    QByteArray file = randomBytes(gen, 64 + plaintextSize + 16 * segments);
    static const char fixed[] = {'Z', 'Q', '4', 'E', 1, 1, 0x10, 0x11, 8, 1, 0, 0};
    std::copy(std::begin(fixed), std::end(fixed), file.begin());
    std::fill(file.begin() + 51, file.begin() + 64, '\0');
    return file;
}

QByteArray cut(const QByteArray& pattern, qsizetype size) {
    QByteArray out;
    while (out.size() < size)
        out += pattern;
    return out.left(size);
}

const char kProse[] =
    "It was a bright cold day in April, and the clocks were striking thirteen. The hallway smelt of boiled cabbage "
    "and old rag mats. At one end of it a coloured poster, too large for indoor display, had been tacked to the "
    "wall. Outside, even through the shut window-pane, the world looked cold. Down in the street little eddies of "
    "wind were whirling dust and torn paper into spirals, and though the sun was shining and the sky a harsh blue, "
    "there seemed to be no colour in anything, except the posters that were plastered everywhere. ";

const char kSource[] = "int main(int argc, char** argv) {\n"
                       "    QCoreApplication app(argc, argv);\n"
                       "    for (int i = 1; i < argc; ++i) {\n"
                       "        const QString path = QString::fromLocal8Bit(argv[i]);\n"
                       "        if (!QFileInfo::exists(path)) {\n"
                       "            std::fprintf(stderr, \"%s: not found\\n\", argv[i]);\n"
                       "            return 1;\n"
                       "        }\n"
                       "        std::printf(\"%s %.3f\\n\", argv[i], filekit::fr(path, 256));\n"
                       "    }\n"
                       "    return 0;\n"
                       "}\n";

} // namespace

class TestRandomness : public QObject {
    Q_OBJECT
    QTemporaryDir m_home;

    QString path(const QString& name) const { return QDir(m_home.path()).filePath(name); }

    // Rates `trials` files made by `make` through fr and returns how many rated above 0.89.
    template <typename Make> int countAbove089(int trials, Make make, double* lowest) {
        int above = 0;
        *lowest = 1.0;
        for (int t = 0; t < trials; ++t) {
            // A fresh file each time: rewriting one in place makes ext4 flush it to disk on every close.
            QFile::remove(path("sample"));
            if (!writeFile(path("sample"), make()))
                return -1;
            const double r = filekit::fr(path("sample"), 256);
            *lowest = std::min(*lowest, r);
            above += r > 0.89 ? 1 : 0;
        }
        return above;
    }

private slots:
    void initTestCase() { TestSupport::prepareEnvironment(m_home); }

    void expectedEntropyIsExact() {
        using filekit::measure::expectedEntropy;
        // Two draws: the same value twice (entropy 0) or two values (entropy 1 bit).
        QCOMPARE(expectedEntropy(2, 2), 0.5);
        QVERIFY(std::abs(expectedEntropy(2, 256) - 255.0 / 256.0) < 1e-12);
        QCOMPARE(expectedEntropy(1, 256), 0.0);
        QCOMPARE(expectedEntropy(0, 256), 0.0);
        // For many draws the second-order (Miller-Madow) approximation is very close.
        for (const qint64 n : {qint64(100000), qint64(4) << 20}) {
            const double approx = 8.0 - 255.0 / (2.0 * n * std::log(2.0));
            QVERIFY2(std::abs(expectedEntropy(n, 256) - approx) < 1e-4, qPrintable(QString::number(n)));
        }
        QVERIFY(std::abs(expectedEntropy(qint64(4) << 20, 65536) - (16.0 - 65535.0 / (8 << 20) / std::log(2.0))) <
                1e-3);
    }

    void randomDataRatesAsEncrypted_data() {
        QTest::addColumn<int>("size");
        for (const int size : {256, 257, 300, 512, 1000, 4096, 100000})
            QTest::newRow(qPrintable(QString::number(size))) << size;
    }

    void randomDataRatesAsEncrypted() {
        QFETCH(int, size);
        QRandomGenerator gen(baseSeed() + size);
        double lowest;
        const int above = countAbove089(
            1000, [&] { return randomBytes(gen, size); }, &lowest);
        QVERIFY2(above >= 999, qPrintable(QStringLiteral("%1 of 1000, lowest %2").arg(above).arg(lowest)));
    }

    void engineOutputRatesAsEncrypted_data() {
        QTest::addColumn<int>("plaintextSize");
        // Cipher files of 256, 257, 300, 333, 500, 1000 and 2000 bytes, and one of several segments.
        for (const int p : {176, 177, 220, 253, 420, 920, 1920, 200000})
            QTest::newRow(qPrintable(QString::number(p + 80))) << p;
    }

    void engineOutputRatesAsEncrypted() {
        QFETCH(int, plaintextSize);
        QRandomGenerator gen(baseSeed() ^ (plaintextSize * 7919u));
        const int trials = plaintextSize > 100000 ? 50 : 1000;
        double lowest;
        const int above = countAbove089(
            trials, [&] { return engineLikeFile(gen, plaintextSize); }, &lowest);
        QVERIFY2(above >= trials - trials / 1000,
                 qPrintable(QStringLiteral("%1 of %2, lowest %3").arg(above).arg(trials).arg(lowest)));
    }

    void plainDataRatesAsPlain_data() {
        QTest::addColumn<QByteArray>("bytes");
        QRandomGenerator gen(baseSeed());
        const QByteArray block256 = randomBytes(gen, 256);
        const QByteArray block64 = randomBytes(gen, 64);
        QByteArray counting(65536, Qt::Uninitialized);
        for (int i = 0; i < counting.size(); ++i)
            counting[i] = static_cast<char>(i);
        QByteArray wideText; // UTF-8 text of a language outside Latin-1 uses many more byte values
        for (int i = 0; i < 300; ++i)
            wideText += QStringLiteral("Съешь же ещё этих мягких французских булок, да выпей чаю. ").toUtf8();

        for (const int size : {256, 300, 1000, 20000, 200000}) {
            const QString n = QString::number(size);
            QTest::newRow(qPrintable("prose " + n)) << cut(kProse, size);
            QTest::newRow(qPrintable("upper-case prose " + n)) << cut(QByteArray(kProse).toUpper(), size);
            QTest::newRow(qPrintable("source " + n)) << cut(kSource, size);
            QTest::newRow(qPrintable("zeros " + n)) << QByteArray(size, '\0');
            QTest::newRow(qPrintable("one byte repeated " + n)) << QByteArray(size, '\xa7');
            QTest::newRow(qPrintable("short pattern " + n)) << cut("abc123", size);
            QTest::newRow(qPrintable("counting " + n)) << cut(counting, size);
            QTest::newRow(qPrintable("cyrillic text " + n)) << cut(wideText, size);
        }
        for (const int size : {2048, 65536, 1 << 20}) {
            const QString n = QString::number(size);
            QTest::newRow(qPrintable("random 256-byte block repeated " + n)) << cut(block256, size);
            QTest::newRow(qPrintable("random 64-byte block repeated " + n)) << cut(block64, size);
        }
    }

    void plainDataRatesAsPlain() {
        QFETCH(QByteArray, bytes);
        QVERIFY(writeFile(path("plain"), bytes));
        const double r = filekit::fr(path("plain"), 256);
        QVERIFY2(r >= 0.0 && r < 0.8, qPrintable(QString::number(r)));
    }

    void randomKeysRateAsRandom() {
        QRandomGenerator gen(baseSeed() + 1);
        int random = 0;
        double lowest = 1.0;
        for (int t = 0; t < 1000; ++t) {
            QByteArray key(64, Qt::Uninitialized);
            for (char& c : key)
                c = static_cast<char>(33 + gen.bounded(223));
            const double r = filekit::randomness_measure(key, 64, 64);
            lowest = std::min(lowest, r);
            random += r >= 0.88 ? 1 : 0;
        }
        QVERIFY2(random >= 990, qPrintable(QStringLiteral("%1 of 1000, lowest %2").arg(random).arg(lowest)));
        // Raw bytes of a random keyfile (any code) are random too.
        QVERIFY(filekit::randomness_measure(randomBytes(gen, 64), 64, 64) >= 0.88);
    }

    void typedKeysRateAsNotRandom_data() {
        QTest::addColumn<QByteArray>("phrase");
        const char* phrases[] = {
            "The quick brown fox jumps over the lazy dog and runs into the dark forest",
            "My secret password is very long and nobody will ever guess it because it is long",
            "To be or not to be, that is the question: whether 'tis nobler in the mind to suffer",
            "Meet me at the old bridge at seven o'clock tomorrow evening, bring the documents",
            "Ich habe heute keine Zeit, weil ich den ganzen Tag im Büro arbeiten muss, leider",
            "correct horse battery staple correct horse battery staple correct horse battery",
        };
        for (const char* p : phrases)
            QTest::newRow(p) << QByteArray(p);
    }

    // A typed key reaches the measure upper-cased and without blanks, stretched to 64 characters.
    void typedKeysRateAsNotRandom() {
        QFETCH(QByteArray, phrase);
        QByteArray key = QString::fromUtf8(phrase).toUpper().toLatin1();
        key.replace(' ', QByteArray());
        key = cut(key, 64);
        const double r = filekit::randomness_measure(key, 64, 64);
        QVERIFY2(r < 0.88, qPrintable(QString::number(r)));
    }

    void keyArguments() {
        QRandomGenerator gen(baseSeed() + 2);
        QByteArray key(64, Qt::Uninitialized);
        for (char& c : key)
            c = static_cast<char>(33 + gen.bounded(223));
        QVERIFY(filekit::randomness_measure(key, 64, 64) >= 0.88);
        // Only the first `length` bytes count.
        QCOMPARE(filekit::randomness_measure(key + QByteArray(64, 'A'), 64, 64),
                 filekit::randomness_measure(key, 64, 64));
        // A short key cannot carry the randomness of a full one.
        QVERIFY(filekit::randomness_measure(key.left(16), 64, 64) < 0.5);
        QCOMPARE(filekit::randomness_measure(QByteArray(), 64, 64), 0.0);
        QCOMPARE(filekit::randomness_measure(key, 0, 64), 0.0);
        QCOMPARE(filekit::randomness_measure(QByteArray(64, 'X'), 64, 64), 0.0);
        // Consecutive codes use every byte value once but are anything but random.
        QByteArray ramp(64, Qt::Uninitialized);
        for (int i = 0; i < 64; ++i)
            ramp[i] = static_cast<char>(33 + i);
        QVERIFY(filekit::randomness_measure(ramp, 64, 64) < 0.5);
    }
};

QTEST_GUILESS_MAIN(TestRandomness)
#include "test_randomness.moc"
