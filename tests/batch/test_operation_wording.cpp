#include "batch/OperationWording.h"

#include <QtTest>

class TestOperationWording : public QObject {
    Q_OBJECT
private slots:
    void words_data() {
        QTest::addColumn<QString>("word");
        QTest::addColumn<QString>("decrypting");
        QTest::newRow("Encrypt") << "Encrypt"
                                 << "Decrypt";
        QTest::newRow("encrypt") << "encrypt"
                                 << "decrypt";
        QTest::newRow("Encryption") << "Encryption"
                                    << "Decryption";
        QTest::newRow("encryption") << "encryption"
                                    << "decryption";
        QTest::newRow("Encrypted") << "Encrypted"
                                   << "Decrypted";
        QTest::newRow("encrypted") << "encrypted"
                                   << "decrypted";
        QTest::newRow("Encrypting") << "Encrypting"
                                    << "Decrypting";
        QTest::newRow("encrypting") << "encrypting"
                                    << "decrypting";
    }
    void words() {
        QFETCH(QString, word);
        QFETCH(QString, decrypting);
        QCOMPARE(TxtEncDec(word, true), word);
        QCOMPARE(TxtEncDec(word, false), decrypting);
    }

    void unknownWordsAreEmpty_data() {
        QTest::addColumn<QString>("word");
        QTest::newRow("upper case") << "ENCRYPT";
        QTest::newRow("mixed case") << "EnCrypt";
        QTest::newRow("blank before") << " encrypt";
        QTest::newRow("blank after") << "Encryption ";
        QTest::newRow("decryption form") << "Decrypt";
        QTest::newRow("longer") << "encrypts";
        QTest::newRow("empty") << "";
    }
    void unknownWordsAreEmpty() {
        QFETCH(QString, word);
        QVERIFY(TxtEncDec(word, true).isEmpty());
        QVERIFY(TxtEncDec(word, false).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestOperationWording)
#include "test_operation_wording.moc"
