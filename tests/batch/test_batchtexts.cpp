#include "batch/ConfirmationText.h"
#include "batch/ReportBuffer.h"
#include "batch/ReportLines.h"
#include "batch/ResultTexts.h"
#include "batch/RunSummary.h"
#include "support/ReportEdits.h"
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
        // The line in progress is refused whole too, and replaced rather than added to; text goes before it.
        QVERIFY(!b.setPending(QStringLiteral("9")));
        QCOMPARE(b.size(), 12);
        b.chop(500);
        QVERIFY(b.isEmpty());
        QVERIFY(b.setPending(QStringLiteral("a.txt  ")));
        QVERIFY(b.append(QStringLiteral("b\r\n")));
        QVERIFY(!b.setPending(QStringLiteral("a.txt  1 byte")));
        QVERIFY(b.setPending(QStringLiteral("a.txt 1")));
        QCOMPARE(b.text(), QStringLiteral("b\r\na.txt 1"));
        QVERIFY(b.setPending(QString()));
        QCOMPARE(b.text(), QStringLiteral("b\r\n"));
    }

    // What a double click takes: a file name or a path whole, the word before a space it ends at, nothing between
    // spaces, never past its line.
    void reportLinesWordAround_data() {
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("word");
        QTest::newRow("inside a path") << 14 << "/home/a";
        QTest::newRow("at its start") << 10 << "/home/a";
        QTest::newRow("on the space after a word") << 9 << "Encrypted";
        QTest::newRow("between two spaces") << 26 << "";
        QTest::newRow("after the line's last word") << 25 << "b/x.txt";
        QTest::newRow("in the line break") << 27 << "";
        QTest::newRow("the next line") << 30 << "ok";
        QTest::newRow("a tab ends a word") << 32 << "done";
    }
    void reportLinesWordAround() {
        QFETCH(int, position);
        QFETCH(QString, word);
        const QString text = QStringLiteral("Encrypted /home/a b/x.txt  \r\nok\tdone");
        ReportLines lines(text);
        lines.update(0);
        const auto [from, to] = lines.wordAround(position);
        QCOMPARE(text.mid(from, to - from), word);
        QVERIFY(from <= position && position <= to);
    }

    // The line index follows a report through every kind of edit and gives the text between two positions with
    // CR LF line breaks. Ops: +append, -chop n, ^drop head n, *pending piece, =set text.
    void reportLinesFollowTheReport_data() {
        QTest::addColumn<QStringList>("ops");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<QString>("selected");
        QTest::newRow("appends") << QStringList{"+one\r\ntwo", "+ more\r\n", "+three"} << 5 << 21
                                 << "two more\r\nthree";
        QTest::newRow("CR LF across an append") << QStringList{"+a\r", "+\nb\r", "+\n"} << 0 << 6 << "a\r\nb\r\n";
        QTest::newRow("chop of a tail line")
            << QStringList{"+one\r\ntwo\r\nthree", "-5", "+four\r\n", "-2"} << 2 << 10 << "e\r\ntwo\r\n";
        QTest::newRow("cut between CR and LF, a CR alone a break")
            << QStringList{"+a\r\nb\r\n", "-1", "+\nc\r\n", "-3", "+d"} << 3 << 9 << "b\r\nd";
        QTest::newRow("note taken back and replaced")
            << QStringList{"+x\r\n", "*b.iso  ", "*b.iso  purging...", "*", "+b.iso  1 byte\r\n"} << 3 << 99
            << "b.iso  1 byte\r\n";
        QTest::newRow("lines written before the line in progress")
            << QStringList{"+x\r\n", "*c.iso  ", "+a  1 byte\r\n", "*c.iso  2 bytes  ...", "+b\r\n"} << 3 << 99
            << "a  1 byte\r\nb\r\nc.iso  2 bytes  ...";
        QTest::newRow("text set anew") << QStringList{"+old\r\nlines\r\nmany\r\n", "=new\r\n", "+more"} << 0 << 9
                                       << "new\r\nmore";
        QTest::newRow("empty lines, from inside a CR LF")
            << QStringList{"+ab\r\n\r\n", "+\r\nx\r\n\r\n"} << 3 << 14 << "\r\n\r\n\r\nx\r\n\r\n";
        QTest::newRow("head dropped") << QStringList{"+a\r\nbbbbbb\r\n", "^3", "+c"} << 0 << 9 << "bbbbbb\r\nc";
        QTest::newRow("LF alone, emoji") << QStringList{QString("+\U0001F600 a\nb"), "+c\r\n"} << 0 << 6
                                         << QString("\U0001F600 a\r\nb");
    }
    void reportLinesFollowTheReport() {
        QFETCH(QStringList, ops);
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(QString, selected);
        ReportBuffer report;
        ReportLines lines(report.text());
        for (const QString& op : ops) {
            QVERIFY(TestSupport::applyReportEdit(report, op));
            lines.update(report.takeUntouchedLength());
            const QString& text = report.text();
            const QStringList expected = text.split(QRegularExpression(QStringLiteral("\r\n|\r|\n")));
            QCOMPARE(lines.size(), text.size());
            QCOMPARE(lines.count(), expected.size());
            qsizetype longest = 0;
            for (qsizetype l = 0; l < lines.count(); ++l) {
                QCOMPARE(lines.line(l).toString(), expected.at(l));
                QCOMPARE(text.mid(lines.start(l), expected.at(l).size()), expected.at(l));
                longest = qMax(longest, expected.at(l).size());
            }
            QCOMPARE(lines.longest(), longest);
            for (qsizetype p = 0; p <= text.size(); ++p) {
                const qsizetype l = lines.lineAt(p);
                QVERIFY(lines.start(l) <= p && (l + 1 == lines.count() || p < lines.start(l + 1)));
            }
            QCOMPARE(lines.between(0, text.size(), u"\n"), expected.join(QLatin1Char('\n')));
        }
        QCOMPARE(lines.between(from, to, u"\r\n"), selected);
        QCOMPARE(lines.between(to, from, u"\r\n"), selected);
        // Read while the report has changed but the index not yet: what is read stays inside the text.
        report.setText(QStringLiteral("z"));
        for (qsizetype l = 0; l < lines.count(); ++l)
            QVERIFY(lines.line(l).size() <= 1);
        lines.clear();
        QCOMPARE(lines.count(), 1);
        QCOMPARE(lines.between(0, 5, u"\n"), QString());
        lines.update(report.takeUntouchedLength());
        QCOMPARE(lines.line(0).toString(), QStringLiteral("z"));
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
        // The wrong key is said at once, with nothing before it.
        QTest::newRow("-8") << -8 << "Decryption key is incorrect or ciphertext is corrupt." << false;
        QTest::newRow("-18") << -18
                             << QStringLiteral("Invalid block size.") + cont +
                                    "Decryption key is incorrect or ciphertext is corrupt."
                             << true;
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
