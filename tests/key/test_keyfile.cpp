#include "key/Keyfile.h"
#include "key/frmKeyFrom.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QtTest>

#include <sys/stat.h>

class TestKeyfile : public QObject {
    Q_OBJECT
    QTemporaryDir m_home;
    QString path(const QString& name) const { return QDir(m_home.path()).filePath(name); }

private slots:
    void initTestCase() { TestSupport::prepareEnvironment(m_home); }

    // Reading, then the 16-character test on the raw bytes, then the zero-byte rule: what the key becomes.
    void reading_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<bool>("suitable");
        QTest::addColumn<QByteArray>("key64");
        QTest::addColumn<QByteArray>("reduced");
        const QByteArray p16("abcdefghijklmnop");
        QTest::newRow("16 printable") << p16 << true << p16 + QByteArray(48, '\0') << p16.toUpper();
        QTest::newRow("15 printable") << p16.left(15) << false << QByteArray() << QByteArray();
        QTest::newRow("64 spaces") << QByteArray(64, ' ') << false << QByteArray() << QByteArray();
        QTest::newRow("empty file") << QByteArray() << false << QByteArray() << QByteArray();
        const QByteArray p20("ABCDEFGHIJKLMNOPQRST");
        QTest::newRow("20 bytes, trailing zeros stay") << p20 << true << p20 + QByteArray(44, '\0') << p20;
        QByteArray withZero = "A" + QByteArray(1, '\0') + "CDEFGHIJKLMNOPQR";
        QByteArray replaced = withZero;
        replaced[1] = char(126);
        QTest::newRow("zero at position 2") << withZero << true << replaced + QByteArray(64 - replaced.size(), '\0')
                                            << QByteArray("A~CDEFGHIJKLMNOPQR");
        QByteArray firstAndLast(64, '\0');
        firstAndLast.replace(1, 16, "BCDEFGHIJKLMNOPQ");
        firstAndLast[63] = 'Z';
        QByteArray firstAndLastKey = firstAndLast;
        firstAndLastKey[0] = char(127);
        for (int i = 17; i < 63; ++i)
            firstAndLastKey[i] = char(128 - (i + 1));
        QTest::newRow("zeros at 1 and 18..63")
            << firstAndLast << true << firstAndLastKey << frmKeyFrom().ReducedKey(firstAndLastKey);
        const QByteArray text = "Mary had a little\r\nlamb, its fleece\r\nwas white as snow";
        QTest::newRow("text with line breaks")
            << text << true << text + QByteArray(64 - text.size(), '\0')
            << frmKeyFrom().ReducedKey("Mary had a little lamb, its fleece was white as snow");
    }
    void reading() {
        QFETCH(QByteArray, file);
        QFETCH(bool, suitable);
        QFETCH(QByteArray, key64);
        QFETCH(QByteArray, reduced);
        const QString p = path(QString("k_%1").arg(QTest::currentDataTag()));
        QVERIFY(TestSupport::writeFile(p, file));
        frmKeyFrom key;
        QByteArray bytes;
        QString error;
        QVERIFY(Keyfile::readKeyBytes(p, bytes, error));
        QCOMPARE(bytes.size(), 64);
        QCOMPARE(key.ReducedKey(bytes).size() >= 16, suitable);
        if (!suitable)
            return;
        Keyfile::replaceEmbeddedZeros(bytes);
        QCOMPARE(bytes, key64);
        takeAsKey(key, bytes);
        QCOMPARE(key.strKey, reduced);
        QCOMPARE(key.intKeyFrom, frmKeyFrom::FromKeyfile);
        QCOMPARE(key.intKeyChecksum, frmKeyFrom().KeyChecksum(reduced));
    }

    void onlyTheFirst64BytesCount() {
        const QByteArray hundred = TestSupport::pseudoRandomBytes(100, 7);
        QVERIFY(TestSupport::writeFile(path("k100"), hundred));
        QVERIFY(TestSupport::writeFile(path("k64"), hundred.left(64)));
        QByteArray a, b;
        QString error;
        QVERIFY(Keyfile::readKeyBytes(path("k100"), a, error));
        QVERIFY(Keyfile::readKeyBytes(path("k64"), b, error));
        QCOMPARE(a, hundred.left(64));
        QCOMPARE(a, b);
    }

    void unreadableKeyfilesReportTheSystemsReason_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("missing") << "no such file";
        QTest::newRow("a folder") << "folder";
        QTest::newRow("a pipe, refused without waiting for a writer") << "pipe";
    }
    void unreadableKeyfilesReportTheSystemsReason() {
        QFETCH(QString, name);
        QDir(m_home.path()).mkpath("folder");
        if (!QFileInfo::exists(path("pipe")))
            QVERIFY(::mkfifo(QFile::encodeName(path("pipe")).constData(), 0600) == 0);
        QByteArray bytes("old");
        QString error;
        QVERIFY(!Keyfile::readKeyBytes(path(name), bytes, error));
        QVERIFY(!error.isEmpty());
    }

    void newKeyfileHoldsExactlyTheKey() {
        QByteArray key(64, '\0');
        for (int i = 0; i < 64; ++i)
            key[i] = char(33 + i * 3);
        QString error;
        QVERIFY(Keyfile::writeKeyBytes(path("new.key"), key, error));
        QCOMPARE(TestSupport::readFile(path("new.key")), key);
        QCOMPARE(QFile::permissions(path("new.key")) & (QFile::ReadOther | QFile::ReadGroup), QFile::Permissions());

        // Overwriting replaces the whole file and leaves no temporary file behind.
        QVERIFY(TestSupport::writeFile(path("old.key"), QByteArray(500, 'x')));
        QVERIFY(Keyfile::writeKeyBytes(path("old.key"), key, error));
        QCOMPARE(TestSupport::readFile(path("old.key")), key);
        QCOMPARE(QDir(m_home.path()).entryList(QStringList{".zq4-*"}, QDir::Files | QDir::Hidden), QStringList());
    }

    void failedWriteLeavesTheTargetAndNoLitter() {
        QByteArray key(64, 'K');
        QString error;
        QDir(m_home.path()).mkpath("isafolder");
        QVERIFY(!Keyfile::writeKeyBytes(path("isafolder"), key, error));
        QVERIFY(!error.isEmpty());
        QVERIFY(QFileInfo(path("isafolder")).isDir());
        QVERIFY(!Keyfile::writeKeyBytes(path("missing/folder/k.key"), key, error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(QDir(m_home.path()).entryList(QStringList{".zq4-*"}, QDir::Files | QDir::Hidden), QStringList());
    }

    void texts() {
        QCOMPARE(Keyfile::createQuestion("/a/k"), QString("Do you wish to create /a/k as a new random keyfile?"));
        QCOMPARE(Keyfile::overwriteQuestion("/a/k"), QString("Overwrite existing file /a/k?"));
        QCOMPARE(Keyfile::unsuitableText("/a/k"), QString("/a/k is not a suitable keyfile."));
        QCOMPARE(Keyfile::dialogTitle(true, true), QString("Specify new keyfile"));
        QCOMPARE(Keyfile::dialogTitle(false, false), QString("Get encryption key from keyfile"));
        QCOMPARE(Keyfile::dialogTitle(false, true), QString("Get decryption key from keyfile"));
        frmKeyFrom key;
        key.blnKeyIsRandom = true;
        QCOMPARE(Keyfile::inspectionSourceLabel(key, true), QString("New random key in file"));
        QCOMPARE(Keyfile::inspectionSourceLabel(key, false), QString("Apparently random key from file"));
        key.blnKeyIsRandom = false;
        key.blnKeyIsText = true;
        QCOMPARE(Keyfile::inspectionSourceLabel(key, false), QString("Text key from file"));
        key.blnKeyIsText = false;
        QCOMPARE(Keyfile::inspectionSourceLabel(key, false), QString("Non-random non-text key from file"));
    }

private:
    static void takeAsKey(frmKeyFrom& key, const QByteArray& candidate) {
        key.strNewKey = candidate;
        Keyfile::takeCandidate(key);
    }
};

QTEST_GUILESS_MAIN(TestKeyfile)
#include "test_keyfile.moc"
