#include "batch/ConfirmationText.h"
#include "batch/ReportBuffer.h"
#include "support/TestSupport.h"

#include <QtTest>

class TestBatchTexts : public QObject {
    Q_OBJECT
    QTemporaryDir m_home;

private slots:
    void initTestCase() { TestSupport::prepareEnvironment(m_home); }

    void reportBufferRefusesWhatDoesNotFit() {
        ReportBuffer b(10);
        QVERIFY(b.append(QStringLiteral("12345")));
        QVERIFY(b.append(QStringLiteral("67890")));
        QVERIFY(!b.append(QStringLiteral("x")));
        QCOMPARE(b.text(), QStringLiteral("1234567890"));
        b.appendDirect(QStringLiteral("\r\n"));
        QCOMPARE(b.size(), 12);
        QVERIFY(!b.removeTail(QStringLiteral("90")));
        QVERIFY(b.removeTail(QStringLiteral("0\r\n")));
        b.chop(500);
        QVERIFY(b.isEmpty());
    }

    void confirmation_data() {
        QTest::addColumn<qint64>("n");
        QTest::addColumn<bool>("sub");
        QTest::addColumn<bool>("same");
        QTest::addColumn<QString>("outDir");
        QTest::addColumn<bool>("encrypt");
        QTest::addColumn<QString>("expected");
        QTest::newRow("example") << 12LL << true << true << "/docs/" << true
                                 << "Encrypting *.txt in the folder /docs/ (12 files) and in all lower subfolders.  "
                                    "The output files will have the same names as the input files (so the input "
                                    "files will be overwritten)";
        QTest::newRow("one file") << 1LL << false << false << "/docs/" << false
                                  << "Decrypting *.txt in the folder /docs/ (1 file) .  The output file is specified "
                                     "as *.enc in the same folder";
        QTest::newRow("one file, subfolders")
            << 1LL << true << false << "/docs/" << true
            << "Encrypting *.txt in the folder /docs/ (1 file) and in all lower subfolders.  The output files are "
               "specified as *.enc in the same folders";
        QTest::newRow("other folder") << 3LL << false << false << "/out/" << true
                                      << "Encrypting *.txt in the folder /docs/ (3 files) .  The output files are "
                                         "specified as *.enc in the folder /out/";
        QTest::newRow("one file in place") << 1LL << false << true << "/docs/" << true
                                           << "Encrypting *.txt in the folder /docs/ (1 file) .  The output file will "
                                              "have the same name as the input file (so the input file will be "
                                              "overwritten)";
    }
    void confirmation() {
        QFETCH(qint64, n);
        QFETCH(bool, sub);
        QFETCH(bool, same);
        QFETCH(QString, outDir);
        QFETCH(bool, encrypt);
        QFETCH(QString, expected);
        ConfirmationText::Operation op{QStringLiteral("/docs/"), QStringLiteral("*.txt"), outDir,
                                       QStringLiteral("*.enc"),  n, sub, same, encrypt};
        QCOMPARE(ConfirmationText::Description(op), expected);
        QCOMPARE(ConfirmationText::Question(encrypt),
                 encrypt ? QStringLiteral("Perform this encryption operation?")
                         : QStringLiteral("Perform this decryption operation?"));
    }
};

QTEST_GUILESS_MAIN(TestBatchTexts)
#include "test_batchtexts.moc"
