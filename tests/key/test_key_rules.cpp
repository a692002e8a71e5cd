#include "key/KeyDescription.h"
#include "key/KeyMaterial.h"
#include "key/Md5.h"
#include "key/frmKeyFrom.h"
#include "platform/engine/Engine.h"
#include "platform/os/MessageBox.h"
#include "support/TestSupport.h"

#include <QCryptographicHash>
#include <QtTest>

namespace {
QByteArray latin1(const char* s) {
    return QByteArray(s);
}
} // namespace

class TestKeyRules : public QObject {
    Q_OBJECT
private slots:
    void init() { MessageBox::reset(); }

    void reduction_data() {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QByteArray>("reduced");
        QTest::newRow("space in the middle") << latin1("abcdefgh ijklmnop") << latin1("ABCDEFGHIJKLMNOP");
        QTest::newRow("tabs, line breaks, NUL") << QByteArray("ab\tc\r\nd\0e f", 11) << latin1("ABCDEF");
        QTest::newRow("every control dropped") << QByteArray("\x01\x1f\x20x\x7f", 5) << latin1("X\x7f");
        QTest::newRow("latin-1 letters") << latin1("\xe9\xe0\xfe\xf7") << latin1("\xc9\xc0\xde\xf7");
        QTest::newRow("no latin-1 capital") << latin1("\xdf\xff\xb5") << latin1("\xdf\xff\xb5");
        QTest::newRow("high symbols stay") << latin1("\xa0\xa9\xd7") << latin1("\xa0\xa9\xd7");
        QTest::newRow("empty") << QByteArray() << QByteArray();
    }
    void reduction() {
        QFETCH(QByteArray, input);
        QFETCH(QByteArray, reduced);
        frmKeyFrom key;
        QCOMPARE(key.ReducedKey(input), reduced);
        QCOMPARE(key.strKeyAsInput, input);
    }

    void spacedLowerCaseKeyEqualsUpperCaseKey() {
        frmKeyFrom key;
        const QByteArray a = key.ReducedKey("abcdefgh ijklmnop");
        const int checksumA = key.KeyChecksum(a);
        const QByteArray digestA = key.strKeyDigest;
        const QByteArray b = key.ReducedKey("ABCDEFGHIJKLMNOP");
        QCOMPARE(a, b);
        QCOMPARE(key.KeyChecksum(b), checksumA);
        QCOMPARE(key.strKeyDigest, digestA);
    }

    void admissibility_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("admissible");
        QTest::newRow("empty") << QByteArray() << false;
        QTest::newRow("15 significant, many blanks")
            << QByteArray("abcde fghij\t\r\nklmno" + QByteArray(40, ' ')) << false;
        QTest::newRow("15 significant, NULs") << (QByteArray("abcdefghijklmno") + QByteArray(49, '\0')) << false;
        QTest::newRow("16 significant") << QByteArray("abcdefgh ijklmnop") << true;
        QTest::newRow("64 significant") << QByteArray(64, 'k') << true;
        QTest::newRow("200 significant") << QByteArray(200, '\xe9') << true;
    }
    void admissibility() {
        QFETCH(QByteArray, text);
        QFETCH(bool, admissible);
        frmKeyFrom key;
        QCOMPARE(key.KeyIsAdmissible(text), admissible);
        QCOMPARE(key.strKeyAsInput, text);
    }

    void checksum_data() {
        QTest::addColumn<QByteArray>("reduced");
        QTest::addColumn<int>("checksum");
        QTest::newRow("ABC") << latin1("ABC") << 7498;
        QTest::newRow("empty") << QByteArray() << -1;
        QTest::newRow("64 high bytes") << QByteArray(64, '\xff') << -1;
    }
    void checksum() {
        QFETCH(QByteArray, reduced);
        QFETCH(int, checksum);
        frmKeyFrom key;
        const int c = key.KeyChecksum(reduced);
        if (checksum > 0)
            QCOMPARE(c, checksum);
        QVERIFY(c >= 1001 && c <= 9999);
        QCOMPARE(key.strKeyDigest, QCryptographicHash::hash(reduced, QCryptographicHash::Md5));
        QCOMPARE(key.strKeyDigest.size(), 16);
    }

    void checksumStaysInRangeAtTheExtremes() {
        QCOMPARE(frmKeyFrom::checksumOfDigest(QByteArray(16, '\0')), 1001);
        // The largest sum, 133,695,480: no overflow, still in range.
        const int c = frmKeyFrom::checksumOfDigest(QByteArray(16, '\xff'));
        QCOMPARE(c, 133695480 % 8999 + 1001);
        for (int seed = 0; seed < 2000; ++seed) {
            const int v = frmKeyFrom().KeyChecksum(QByteArray::number(seed * 7919));
            QVERIFY(v >= 1001 && v <= 9999);
        }
    }

    void digestTakesTheFirstNBytes() {
        QCOMPARE(md5::MD5Digest("ABCDEF", 3), QCryptographicHash::hash("ABC", QCryptographicHash::Md5));
        QCOMPARE(md5::MD5Digest("AB", 99), QCryptographicHash::hash("AB", QCryptographicHash::Md5));
        QCOMPARE(md5::MD5Digest("AB", -1), QCryptographicHash::hash("", QCryptographicHash::Md5));
    }

    void stretchedKeyIsAlways64() {
        QCOMPARE(frmKeyFrom::stretchedKey(QByteArray("0123456789ABCDEF")), QByteArray("0123456789ABCDEF").repeated(4));
        const QByteArray k20("ABCDEFGHIJKLMNOPQRST");
        QCOMPARE(frmKeyFrom::stretchedKey(k20), (k20 + k20 + k20 + k20).left(64));
        QCOMPARE(frmKeyFrom::stretchedKey(QByteArray(64, 'Z')), QByteArray(64, 'Z'));
    }

    void theOneKeyObject() {
        QCOMPARE(&keyObject(), &frmKeyFrom::instance());
        QCOMPARE(keyObject().intMinKeyLength, 16);
        QCOMPARE(keyObject().intMaxKeyLength, 64);
        QCOMPARE(keyObject().intKeyFrom, frmKeyFrom::NoKey);
    }

    void caption_data() {
        QTest::addColumn<int>("from");
        QTest::addColumn<bool>("cancel");
        QTest::addColumn<bool>("newRandom");
        QTest::addColumn<bool>("random");
        QTest::addColumn<bool>("text");
        QTest::addColumn<QString>("caption");
        const QString s = "Specified";
        QTest::newRow("cancelled") << 2 << true << true << false << false << "saved";
        QTest::newRow("no key") << -1 << false << false << false << false << "not specified";
        QTest::newRow("keyboard") << 0 << false << false << false << true << s + " (keyboard entry, checksum = 7498)";
        QTest::newRow("keyboard ignores keyfile flags")
            << 0 << false << true << true << false << s + " (keyboard entry, checksum = 7498)";
        QTest::newRow("new random keyfile")
            << 2 << false << true << true << false << s + " (new random key in keyfile, checksum = 7498)";
        QTest::newRow("random keyfile") << 2 << false << false << true << false
                                        << s + " (apparently random key in keyfile, checksum = 7498)";
        QTest::newRow("text keyfile") << 2 << false << false << false << true
                                      << s + " (text key in keyfile, checksum = 7498)";
        QTest::newRow("other keyfile") << 2 << false << false << false << false
                                       << s + " (non-random non-text key in keyfile, checksum = 7498)";
    }
    void caption() {
        QFETCH(int, from);
        QFETCH(bool, cancel);
        QFETCH(bool, newRandom);
        QFETCH(bool, random);
        QFETCH(bool, text);
        QFETCH(QString, caption);
        frmKeyFrom key;
        key.intKeyFrom = from;
        key.blnCancel = cancel;
        key.blnNewRandomKeyFileCreated = newRandom;
        key.blnKeyIsRandom = random;
        key.blnKeyIsText = text;
        key.strKey = "ABCDEFGHIJKLMNOP";
        key.intKeyChecksum = 7498;
        QCOMPARE(KeyDescription::caption(key, "Specified", "not specified", "saved"), caption);
        QCOMPARE(key.intKeyFrom, from);
        QVERIFY(MessageBox::history().isEmpty());
    }

    void sourceWithoutKeyIsAnError() {
        frmKeyFrom key;
        key.intKeyFrom = frmKeyFrom::FromKeyfile;
        QCOMPARE(KeyDescription::caption(key, "Specified", "not specified", "saved"), QString("not specified"));
        QCOMPARE(key.intKeyFrom, frmKeyFrom::NoKey);
        QCOMPARE(MessageBox::history().size(), 1);
        QCOMPARE(MessageBox::last().text, QString("Error processing key!"));
        QCOMPARE(MessageBox::last().title, QString("Error"));
        QCOMPARE(MessageBox::last().icon, MessageBox::Critical);
        QCOMPARE(MessageBox::last().buttons, MessageBox::Buttons(MessageBox::Ok));
    }

    void eraseKeepsLengthsAndLeavesOnlyNuls() {
        frmKeyFrom key;
        KeyMaterial::replace(key.strNewKey, QByteArray("secret key text one two three"));
        KeyMaterial::replace(key.strKey, key.ReducedKey(key.strNewKey));
        key.intKeyChecksum = key.KeyChecksum(key.strKey);
        key.strKeyFile = QStringLiteral("/home/u/keyfile.bin");
        key.intKeyFrom = frmKeyFrom::FromKeyfile;
        // Pointers to the buffers that held the key: the wipe must reach them, not a copy.
        const char* keyBuffer = key.strKey.constData();
        const char* newKeyBuffer = key.strNewKey.constData();
        const QByteArray engineCopy = key.strKey; // shares the buffer, as a holder of the key would

        EraseKeyMaterial(key);

        const auto allNul = [](const QByteArray& a) { return a.count('\0') == a.size(); };
        QCOMPARE(key.strKey.size(), 24);
        QCOMPARE(key.strNewKey.size(), 29);
        QCOMPARE(key.strKeyDigest.size(), 16);
        QCOMPARE(key.strKeyFile.size(), 19);
        QVERIFY(allNul(key.strKey) && allNul(key.strNewKey) && allNul(key.strKeyDigest) && allNul(key.strKeyAsInput));
        QCOMPARE(key.strKeyFile, QString(19, QChar(0)));
        QCOMPARE(key.strKey.constData(), keyBuffer);
        QCOMPARE(key.strNewKey.constData(), newKeyBuffer);
        QVERIFY(allNul(engineCopy));
        QCOMPARE(key.intKeyFrom, frmKeyFrom::FromKeyfile);
    }

    void eraseMakesTheEngineForgetTheKey() {
        QTemporaryDir dir;
        const QString plain = dir.filePath("plain.txt");
        QVERIFY(TestSupport::writeFile(plain, "some plaintext"));
        QVERIFY(zq4e::allocate_buffers() != 0);
        frmKeyFrom key;
        KeyMaterial::replace(key.strKey, QByteArray(64, 'K'));
        zq4e::operation_initialization(key.strKey, 1, 14, 0);
        EraseKeyMaterial(key);
        QCOMPARE(zq4e::encrypt_file(plain, dir.filePath("out.zq4")), -2);
        QVERIFY(!QFile::exists(dir.filePath("out.zq4")));
        zq4e::deallocate_buffers();
    }

    void eraseOfLiteralsAndEmptyFieldsDoesNotCrash() {
        frmKeyFrom key;
        key.strKey = QByteArrayLiteral("literal data, read-only");
        key.strKeyFile = QStringLiteral("literal");
        EraseKeyMaterial(key);
        QCOMPARE(key.strKey, QByteArray(23, '\0'));
        QCOMPARE(key.strKeyFile, QString(7, QChar(0)));
        QVERIFY(key.strNewKey.isEmpty());
    }

    void replacingWipesTheOldBufferUnlessShared() {
        QByteArray field;
        KeyMaterial::replace(field, QByteArray("first key material"));
        const char* old = field.constData();
        QByteArray stillNeeded;
        KeyMaterial::replace(field, QByteArray("second key"));
        QCOMPARE(field, QByteArray("second key"));
        QVERIFY(field.constData() != old);

        // A buffer someone else still holds is released, not wiped under them.
        stillNeeded = field;
        KeyMaterial::replace(field, QByteArray("third"));
        QCOMPARE(stillNeeded, QByteArray("second key"));

        // The field never shares its buffer with the value it was given.
        const QByteArray given("given by the caller");
        KeyMaterial::replace(field, given);
        QVERIFY(field.isDetached());
        KeyMaterial::wipe(field);
        QCOMPARE(given, QByteArray("given by the caller"));
    }
};

QTEST_GUILESS_MAIN(TestKeyRules)
#include "test_key_rules.moc"
