#include "key/Keyfile.h"
#include "key/frmKeyFrom.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QtTest>

namespace {
// 64 characters of codes 33..255, as the random key window makes them.
QByteArray randomKeyCharacters(quint32 seed) {
    QByteArray key = TestSupport::pseudoRandomBytes(64, seed);
    for (char& c : key)
        c = static_cast<char>(33 + static_cast<unsigned char>(c) % 223);
    return key;
}
} // namespace

class TestKeyfileVerdicts : public QObject {
    Q_OBJECT
    QTemporaryDir m_home;
    QString path(const QString& name) const { return QDir(m_home.path()).filePath(name); }

private slots:
    void initTestCase() { TestSupport::prepareEnvironment(m_home); }

    void readInto_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("isText");
        QTest::addColumn<bool>("isRandom");
        const QByteArray text = "Mary had a little\r\nlamb, its fleece\r\nwas white as snow";
        QTest::newRow("text") << text << int(Keyfile::ReadStatus::Ok) << true << false;
        QTest::newRow("random") << randomKeyCharacters(3) << int(Keyfile::ReadStatus::Ok) << false << true;
        QTest::newRow("15 bytes") << QByteArray("ABCDEFGHIJKLMNO") << int(Keyfile::ReadStatus::Unsuitable) << false
                                  << false;
        QByteArray binary(64, '\x01');
        binary.replace(0, 16, "ABCDEFGHIJKLMNOP");
        QTest::newRow("neither") << binary << int(Keyfile::ReadStatus::Ok) << false << false;
    }
    void readInto() {
        QFETCH(QByteArray, file);
        QFETCH(int, status);
        QFETCH(bool, isText);
        QFETCH(bool, isRandom);
        const QString p = path(QTest::currentDataTag());
        QVERIFY(TestSupport::writeFile(p, file));
        frmKeyFrom key;
        key.intKeyFrom = frmKeyFrom::FromKeyboard;
        const Keyfile::ReadResult result = Keyfile::readInto(key, p);
        QCOMPARE(int(result.status), status);
        if (result.status != Keyfile::ReadStatus::Ok) {
            QCOMPARE(key.intKeyFrom, frmKeyFrom::NoKey);
            return;
        }
        QCOMPARE(key.strNewKey.size(), 64);
        QCOMPARE(key.blnKeyIsText, isText);
        QCOMPARE(key.blnKeyIsRandom, isRandom);
    }

    void missingKeyfileIsAReadFailure() {
        frmKeyFrom key;
        key.intKeyFrom = frmKeyFrom::FromKeyfile;
        const Keyfile::ReadResult result = Keyfile::readInto(key, path("missing"));
        QCOMPARE(result.status, Keyfile::ReadStatus::ReadFailed);
        QVERIFY(!result.errorText.isEmpty());
        QCOMPARE(key.intKeyFrom, frmKeyFrom::NoKey);
    }

    void generatedKeysMustBeRandomAndNotText() {
        frmKeyFrom key;
        QVERIFY(Keyfile::acceptGenerated(key, randomKeyCharacters(11)));
        QVERIFY(key.blnKeyIsRandom && !key.blnKeyIsText);
        key.blnKeyIsRandom = false;
        QVERIFY(!Keyfile::acceptGenerated(
            key, QByteArray("the quick brown fox jumps over the lazy dog").leftJustified(64, 'x')));
        QVERIFY(!key.blnKeyIsRandom);
    }
};

QTEST_GUILESS_MAIN(TestKeyfileVerdicts)
#include "test_keyfile_verdicts.moc"
