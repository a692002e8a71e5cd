#include "batch/ConfirmationText.h"
#include "batch/ReportBuffer.h"
#include "batch/ResultTexts.h"
#include "batch/RunSummary.h"
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

    void engineTexts_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("partial");
        const QString cont = QStringLiteral("\r\n") + QString(14, QLatin1Char(' '));
        QTest::newRow("-3") << -3 << "Input file not found." << false;
        QTest::newRow("-6") << -6 << "Read error." << false;
        QTest::newRow("-16") << -16 << "Read error." << true;
        QTest::newRow("-17") << -17 << "Write error." << true;
        QTest::newRow("-9") << -9 << "Write error: disk full." << false;
        QTest::newRow("-8") << -8
                            << QStringLiteral("Invalid block size.") + cont +
                                   "Decryption key is incorrect or ciphertext is corrupt."
                            << false;
        QTest::newRow("-21") << -21
                             << QStringLiteral("One block expansion error occurred.") + cont +
                                    "Ciphertext is corrupt or decryption key is incorrect."
                             << true;
        QTest::newRow("-23") << -23
                             << QStringLiteral("3 block expansion errors occurred.") + cont +
                                    "Ciphertext is corrupt or decryption key is incorrect."
                             << true;
        QTest::newRow("-11, abandoned") << -11 << "Abandoned when the program was told to end; nothing was written."
                                        << false;
        QTest::newRow("-12") << -12 << "Unknown error #-12." << false;
        QTest::newRow("-40") << -40 << "Unknown error #-40." << true;
        QTest::newRow("-99") << -99 << "Unknown error #-99." << true;
        QTest::newRow("-100") << -100 << "Unknown error #-100." << false;
    }
    void engineTexts() {
        QFETCH(int, code);
        QFETCH(QString, text);
        QFETCH(bool, partial);
        QCOMPARE(ResultTexts::StepResultText(code, false, QStringLiteral("/d/a.enc"), QString()), text);
        QCOMPARE(ResultTexts::MayHavePartialOutput(code), partial);
    }

    void stepTexts_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<bool>("encrypt");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("text");
        const QString t = QStringLiteral("/d/a.txt1");
        QTest::newRow("1") << 1 << true << "/d/zq4"
                           << "This is the ZQ4 executable.  Encryption not performed.";
        QTest::newRow("2 dec") << 2 << false << "/d/k"
                               << "This is the current keyfile.  Decryption not performed.";
        QTest::newRow("3") << 3 << true << "/d/a"
                           << "This file is empty (0 bytes).";
        QTest::newRow("4") << 4 << false << "/d/a"
                           << "This file is too small to have been ZQ4-encrypted.";
        QTest::newRow("5") << 5 << true << "/d/a"
                           << "Unable to get temporary output filename.";
        QTest::newRow("6") << 6 << true << "/d/a.txt"
                           << "Error when renaming temporary output file. The result of the encryption operation "
                              "is in the file /d/a.txt1.";
        QTest::newRow("7") << 7 << false << "/d/SETUP.EXE"
                           << "ZQ4 does not decrypt-in-place files with extension \"exe\".";
        QTest::newRow("8") << 8 << true << "b:/a.txt"
                           << "Error: probably insufficient space on the floppy disk in drive B.  The result of "
                              "the encryption operation is in the file /d/a.txt1.";
    }
    void stepTexts() {
        QFETCH(int, code);
        QFETCH(bool, encrypt);
        QFETCH(QString, path);
        QFETCH(QString, text);
        QCOMPARE(ResultTexts::StepResultText(code, encrypt, path, QStringLiteral("/d/a.txt1")), text);
        QCOMPARE(ResultTexts::CountsAsProcessed(code), code == 6 || code == 8);
    }

    void doneText() {
        QCOMPARE(ResultTexts::DoneText(false, QStringLiteral("report.enc"), 12408),
                 QStringLiteral("-> report.enc  12,408 bytes"));
        QCOMPARE(ResultTexts::DoneText(true, QStringLiteral("report.txt"), 12425), QStringLiteral("-> 12,425 bytes"));
    }

    void summary_data() {
        QTest::addColumn<qint64>("attempted");
        QTest::addColumn<qint64>("processed");
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<double>("elapsed");
        QTest::addColumn<bool>("encrypt");
        QTest::addColumn<bool>("same");
        QTest::addColumn<QString>("expected");
        QTest::newRow("nothing") << 0LL << 0LL << 0LL << 0.5 << true << false
                                 << "\r\nNumber of files processed: 0\r\nNumber of files encrypted: 0\r\n";
        QTest::newRow("one file") << 1LL << 1LL << 2048LL << 1.0 << true << false << "Total KB encrypted: 2.00\r\n";
        QTest::newRow("one attempted, none done")
            << 1LL << 0LL << 0LL << 1.0 << false << false << "Number of files decrypted: 0\r\n";
        QTest::newRow("exactly 3 s") << 2LL << 2LL << 10240LL << 3.0 << true << false
                                     << "\r\nNumber of files processed: 2\r\nNumber of files encrypted: 2\r\n"
                                        "Total KB encrypted: 10.00\r\n";
        QTest::newRow("slow") << 2LL << 2LL << 10240LL << 4.0 << true << false
                              << "\r\nNumber of files processed: 2\r\nNumber of files encrypted: 2\r\n"
                                 "Total KB encrypted: 10.00\r\nElapsed time: 4 seconds\r\n";
        QTest::newRow("fast, big, in place")
            << 40000LL << 39999LL << 5000LL * 1024 * 1024 << 3725.4 << true << true
            << "\r\nNumber of files processed: 40000\r\nNumber of files encrypted: 39999\r\n"
               "Total KB encrypted: 5,120,000\r\nElapsed time: 1 hour and 2 minutes and 5 seconds\r\n"
               "Average encryption (with purge) speed = 1,374 KB/sec.\r\n";
        QTest::newRow("just below 1,024,000 bytes")
            << 3LL << 3LL << 1023999LL << 5.0 << false << true
            << "\r\nNumber of files processed: 3\r\nNumber of files decrypted: 3\r\n"
               "Total KB decrypted: 1,000.00\r\nElapsed time: 5 seconds\r\n"
               "Average decryption speed = 199 KB/sec.\r\n";
        QTest::newRow("just below 100 KB/s") << 3LL << 3LL << 409599LL << 4.0 << true << false
                                             << "\r\nNumber of files processed: 3\r\nNumber of files encrypted: 3\r\n"
                                                "Total KB encrypted: 400.00\r\nElapsed time: 4 seconds\r\n";
    }
    void summary() {
        QFETCH(qint64, attempted);
        QFETCH(qint64, processed);
        QFETCH(qint64, bytes);
        QFETCH(double, elapsed);
        QFETCH(bool, encrypt);
        QFETCH(bool, same);
        QFETCH(QString, expected);
        RunSummary::Figures f{attempted, processed, bytes, elapsed, encrypt, same, false};
        QCOMPARE(RunSummary::Lines(f).join(QString()), expected);
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
        ConfirmationText::Operation op{
            QStringLiteral("/docs/"), QStringLiteral("*.txt"), outDir, QStringLiteral("*.enc"), n, sub, same, encrypt};
        QCOMPARE(ConfirmationText::Description(op), expected);
        QCOMPARE(ConfirmationText::Question(encrypt), encrypt ? QStringLiteral("Perform this encryption operation?")
                                                              : QStringLiteral("Perform this decryption operation?"));
    }
};

QTEST_GUILESS_MAIN(TestBatchTexts)
#include "test_batchtexts.moc"
