#include "batch/OperationSetup.h"
#include "batch/ReliabilityTest.h"
#include "key/frmKeyFrom.h"
#include "platform/os/MessageBox.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QtTest>

using namespace ReliabilityTest;

namespace {

// Plays the main and report windows: records what the test asks of them, in order.
class FakeHost : public ReliabilityTestHost {
public:
    OperationSetup s;
    frmKeyFrom k;
    QStringList log;
    QString report;
    bool stopped = false;
    bool aborted = false;
    int stopAfterDoIt = -1;  // the n-th "Do it!" (from 1) stops the run
    int abortAfterDoIt = -1; // the n-th "Do it!" stops after its size pass
    int differAtPass = -1;
    qint64 notCopied = 0;
    int doIts = 0;
    int keysMade = 0;

    OperationSetup& setup() override { return s; }
    frmKeyFrom& key() override { return k; }
    void ReplaySwitches() override {
        s.blnEncrypt = !s.blnEncrypt;
        s.blnOutputFilesSame = !s.blnOutputFilesSame;
        s.blnSubdirectories = !s.blnSubdirectories;
    }
    void doIt() override {
        ++doIts;
        log << QStringLiteral("%1 %2 -> %3")
                   .arg(s.blnEncrypt ? "enc" : "dec", s.strFilespec[0],
                        s.blnOutputFilesSame ? "same" : s.strFilespec[1]);
        stopped = doIts == stopAfterDoIt;
        aborted = doIts == abortAfterDoIt;
    }
    void function() override { s.blnEncrypt = !s.blnEncrypt; }
    bool doItAborted() const override { return aborted; }
    void setDoItAborted(bool a) override { aborted = a; }
    bool runStopped() const override { return stopped; }
    qint64 CopyMatchingFiles(const QString&, const QString& spec, const QString&, const QString& target,
                             bool overwrite) override {
        log << QStringLiteral("copy %1 -> %2%3").arg(spec, target, overwrite ? " overwrite" : "");
        return notCopied;
    }
    bool FileComparison(const QString& extension) override {
        log << QStringLiteral("compare %1 key %2").arg(extension, QString::fromLatin1(k.strKeyAsInput));
        return log.count(QStringLiteral("wait")) + 1 != differAtPass;
    }
    qint64 numFiles() const override { return 3; }
    void appendToReport(const QString& text) override { report += text; }
    void beginInterval(bool) override {}
    void waitForNextKey() override { log << QStringLiteral("wait"); }
    void endInterval(bool) override {}
    void GenerateRandomTextKey() override {
        ++keysMade;
        k.strKey = k.strKeyAsInput = QByteArray("random key number ") + QByteArray::number(keysMade);
        k.intKeyFrom = frmKeyFrom::FromKeyfile;
    }
    void cmdRestoreSetup_Click() override {
        s.restoreRemembered();
        log << QStringLiteral("restore");
    }
};

} // namespace

class TestReliabilityTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_home;

    void prepare(FakeHost& host, bool inPlace, qint64 passes, ReliabilityTestState& state) {
        host.s.blnEncrypt = true;
        host.s.blnOutputFilesSame = inPlace;
        host.s.strDirpath[0] = m_home.path() + QStringLiteral("/zq4test/");
        host.s.strFilespec[0] = QStringLiteral("*.tst");
        host.s.strDirpath[1] = QStringLiteral("/elsewhere/");
        host.s.strFilespec[1] = QStringLiteral("*.out");
        host.k.strKey = host.k.strKeyAsInput = QByteArray("the user's own key");
        host.k.intKeyFrom = frmKeyFrom::FromKeyboard;
        state.blnPerformingReliabilityTest = true;
        state.intNumReliabilityTests = passes;
    }

private slots:
    void initTestCase() { TestSupport::prepareEnvironment(m_home); }
    void init() { MessageBox::reset(); }

    void header_data() {
        QTest::addColumn<qint64>("pass");
        QTest::addColumn<qint64>("passes");
        QTest::addColumn<qint64>("files");
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<bool>("isText");
        QTest::addColumn<QString>("expected");
        QTest::newRow("one pass") << qint64(1) << qint64(1) << qint64(3) << QByteArray("abcdefghijklmnop") << true
                                  << "3 test files in /t/zq4test/\r\n16-byte text key: abcdefghijklmnop";
        QTest::newRow("second of five") << qint64(2) << qint64(5) << qint64(1) << QByteArray("a b c") << true
                                        << "Reliability test #2 of 5\r\n1 test file in /t/zq4test/\r\n"
                                           "5-byte text key: a b c";
        QTest::newRow("binary key") << qint64(1) << qint64(1) << qint64(0) << QByteArray("\x01\xff", 2) << false
                                    << "0 test files in /t/zq4test/\r\n2-byte non-text key";
        QTest::newRow("latin-1 key") << qint64(1) << qint64(1) << qint64(2) << QByteArray("caf\xe9") << true
                                     << QString::fromUtf8("2 test files in /t/zq4test/\r\n4-byte text key: café");
    }
    void header() {
        QFETCH(qint64, pass);
        QFETCH(qint64, passes);
        QFETCH(qint64, files);
        QFETCH(QByteArray, key);
        QFETCH(bool, isText);
        QFETCH(QString, expected);
        QCOMPARE(ReliabilityTest::header(pass, passes, files, QStringLiteral("/t/zq4test/"), key, isText), expected);
    }

    void comparisonLines_data() {
        QTest::addColumn<qint64>("result");
        QTest::addColumn<QString>("expected");
        QTest::newRow("identical") << qint64(-1) << "a.tst, a.dec: identical";
        QTest::newRow("first byte") << qint64(0) << "a.tst, a.dec: Files differ at byte 0.";
        QTest::newRow("far byte") << qint64(5000000000) << "a.tst, a.dec: Files differ at byte 5000000000.";
        QTest::newRow("-11") << qint64(-11) << "a.tst, a.dec: Unable to open first file.";
        QTest::newRow("-12") << qint64(-12) << "a.tst, a.dec: Unable to open second file.";
        QTest::newRow("-21") << qint64(-21) << "a.tst, a.dec: Unable to read first file.";
        QTest::newRow("-22") << qint64(-22) << "a.tst, a.dec: Unable to read second file.";
        QTest::newRow("-31") << qint64(-31) << "a.tst, a.dec: First file is empty.";
        QTest::newRow("-32") << qint64(-32) << "a.tst, a.dec: Second file is empty.";
        QTest::newRow("unknown") << qint64(-5) << "a.tst, a.dec: ";
    }
    void comparisonLines() {
        QFETCH(qint64, result);
        QFETCH(QString, expected);
        QCOMPARE(comparisonLine(QStringLiteral("a.dec"), QStringLiteral("tst"), result), expected);
    }

    void closingTexts() {
        QCOMPARE(failureLines(QByteArray("A z\xff")),
                 QStringLiteral("Reliability test failed.\r\nAscii values of bytes in key:\r\n65 32 122 255 \r\n"));
        QCOMPARE(successLines(1, false), QStringLiteral("\r\nThe reliability test was performed once.\r\n"
                                                        "All decrypted files were found to be identical with the "
                                                        "original files."));
        QVERIFY(successLines(2, false).contains(QStringLiteral("performed twice.")));
        QVERIFY(
            successLines(5, true).startsWith(QStringLiteral("\r\n\r\nThe reliability test was performed 5 times.")));
        QCOMPARE(withExtension(QStringLiteral("*.tst"), QStringLiteral("bak")), QStringLiteral("*.bak"));
        QCOMPARE(withExtension(QStringLiteral("ab"), QStringLiteral("bak")), QStringLiteral("bak"));
    }

    void namesTest_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("spec");
        QTest::addColumn<bool>("encrypt");
        QTest::addColumn<bool>("subfolders");
        QTest::addColumn<bool>("running");
        QTest::addColumn<bool>("offered");
        QTest::newRow("test setup") << "/home/u/zq4test/"
                                    << "*.tst" << true << false << false << true;
        QTest::newRow("one file") << "/home/u/zq4test/"
                                  << "a.tst" << true << false << false << true;
        QTest::newRow("decrypting") << "/home/u/zq4test/"
                                    << "*.tst" << false << false << false << false;
        QTest::newRow("subfolders") << "/home/u/zq4test/"
                                    << "*.tst" << true << true << false << false;
        QTest::newRow("running") << "/home/u/zq4test/"
                                 << "*.tst" << true << false << true << false;
        QTest::newRow("folder case") << "/home/u/ZQ4test/"
                                     << "*.tst" << true << false << false << false;
        QTest::newRow("longer name") << "/home/u/zq4tests/"
                                     << "*.tst" << true << false << false << false;
        QTest::newRow("extension case") << "/home/u/zq4test/"
                                        << "*.TST" << true << false << false << false;
        QTest::newRow("no dot") << "/home/u/zq4test/"
                                << "tst" << true << false << false << false;
        QTest::newRow("more after dot") << "/home/u/zq4test/"
                                        << "*.tst1" << true << false << false << false;
        QTest::newRow("floppy") << "A:/zq4test/"
                                << "*.tst" << true << false << false << false;
        QTest::newRow("drive C") << "c:/zq4test/"
                                 << "*.tst" << true << false << false << true;
    }
    void namesTest() {
        QFETCH(QString, folder);
        QFETCH(QString, spec);
        QFETCH(bool, encrypt);
        QFETCH(bool, subfolders);
        QFETCH(bool, running);
        QFETCH(bool, offered);
        OperationSetup s;
        s.strDirpath[0] = folder;
        s.strFilespec[0] = spec;
        s.blnEncrypt = encrypt;
        s.blnSubdirectories = subfolders;
        QCOMPARE(setupNamesTest(s, running), offered);
    }

    // The comparison stops at the first difference; a long list repeats its header at the end.
    void comparisonStopsAtDifference() {
        Comparison c;
        c.outputFolder = QStringLiteral("/t/");
        c.outputNames = {QStringLiteral("a.dec"), QStringLiteral("b.dec"), QStringLiteral("c.dec")};
        c.extension = QStringLiteral("tst");
        c.numFiles = 12;
        c.keyAsInput = QByteArray("AB");
        c.keyIsText = true;
        QStringList compared;
        QString text;
        const bool same = compareFiles(
            c, [&](const QString& t, bool) { text += t; },
            [&](const QString& first, const QString& second) {
                compared << first + QLatin1Char('|') + second;
                return second.endsWith(QLatin1String("b.dec")) ? qint64(17) : qint64(-1);
            });
        QVERIFY(!same);
        QCOMPARE(compared, QStringList({"/t/a.tst|/t/a.dec", "/t/b.tst|/t/b.dec"}));
        const QString head = QStringLiteral("12 test files in /t/\r\n2-byte text key: AB");
        QCOMPARE(text, head +
                           "\r\n\r\na.tst, a.dec: identical\r\nb.tst, b.dec: Files differ at byte 17.\r\n"
                           "Reliability test failed.\r\nAscii values of bytes in key:\r\n65 66 \r\n\r\n" +
                           head);
    }

    // Separate mode: .tst to .enc, .enc to .dec, compared with the .tst files; later passes on new keys.
    void separatePasses() {
        FakeHost host;
        ReliabilityTestState state;
        prepare(host, false, 3, state);
        RunReliabilityTest(host, state);
        const QStringList pass = {"enc *.tst -> *.enc", "dec *.enc -> *.dec"};
        QCOMPARE(host.log, QStringList() << pass << "compare tst key the user's own key"
                                         << "wait" << pass << "compare tst key random key number 1"
                                         << "wait" << pass << "compare tst key random key number 2"
                                         << "restore");
        QVERIFY(host.report.endsWith(QStringLiteral("performed 3 times.\r\nAll decrypted files were found to be "
                                                    "identical with the original files.")));
        QCOMPARE(host.report.count(QStringLiteral("OK so far ... ")), 2);
        QCOMPARE(state.intReliabilityTestNum, qint64(3));
        QVERIFY(!state.blnReliabilityTestFailed);
        // The setup and the user's key are back.
        QCOMPARE(host.s.strFilespec[1], QStringLiteral("*.out"));
        QCOMPARE(host.s.strDirpath[1], QStringLiteral("/elsewhere/"));
        QVERIFY(host.s.blnEncrypt);
        QCOMPARE(host.k.strKey, QByteArray("the user's own key"));
        QCOMPARE(host.k.strKeyAsInput, QByteArray("the user's own key"));
        QCOMPARE(host.k.intKeyFrom, frmKeyFrom::FromKeyboard);
        QVERIFY(MessageBox::history().isEmpty());
    }

    void inPlacePasses() {
        FakeHost host;
        ReliabilityTestState state;
        prepare(host, true, 2, state);
        // Leftovers of an earlier test go; the test files stay.
        const QString folder = host.s.strDirpath[0];
        for (const char* name : {"a.tst", "a.enc", "b.dec", "a.bak", "notes.txt"})
            QVERIFY(TestSupport::writeFile(folder + QLatin1String(name), "x"));
        RunReliabilityTest(host, state);
        const QStringList pass = {"copy *.tst -> *.bak overwrite", "enc *.tst -> same", "dec *.tst -> same"};
        QCOMPARE(host.log, QStringList() << pass << "compare bak key the user's own key"
                                         << "wait" << pass << "compare bak key random key number 1"
                                         << "restore");
        QVERIFY(host.report.contains(QStringLiteral("performed twice.")));
        QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList({"a.tst", "notes.txt"}));
    }

    // Every way a test ends early: no success lines, and the setup and key restored all the same.
    void earlyEnds_data() {
        QTest::addColumn<bool>("inPlace");
        QTest::addColumn<int>("stopAt");
        QTest::addColumn<int>("abortAt");
        QTest::addColumn<int>("differAt");
        QTest::addColumn<qint64>("notCopied");
        QTest::addColumn<int>("doIts");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("failed");
        QTest::newRow("stop while encrypting in place")
            << true << 1 << -1 << -1 << qint64(0) << 1 << ReliabilityTest::stoppedMessage() << false;
        QTest::newRow("stop while decrypting in place, second pass")
            << true << 4 << -1 << -1 << qint64(0) << 4 << ReliabilityTest::stoppedMessage() << false;
        QTest::newRow("stop in separate mode") << false << 2 << -1 << -1 << qint64(0) << 2 << QString() << false;
        QTest::newRow("aborted in place") << true << -1 << 1 << -1 << qint64(0) << 1 << QString() << false;
        QTest::newRow("aborted on the second pass") << false << -1 << 3 << -1 << qint64(0) << 3 << QString() << false;
        QTest::newRow("copy failure") << true << -1 << -1 << -1 << qint64(1) << 0
                                      << ReliabilityTest::copyFailureMessage() << false;
        QTest::newRow("difference on the second pass") << false << -1 << -1 << 2 << qint64(0) << 4 << QString() << true;
    }
    void earlyEnds() {
        QFETCH(bool, inPlace);
        QFETCH(int, stopAt);
        QFETCH(int, abortAt);
        QFETCH(int, differAt);
        QFETCH(qint64, notCopied);
        QFETCH(int, doIts);
        QFETCH(QString, message);
        QFETCH(bool, failed);
        FakeHost host;
        ReliabilityTestState state;
        prepare(host, inPlace, 3, state);
        host.stopAfterDoIt = stopAt;
        host.abortAfterDoIt = abortAt;
        host.differAtPass = differAt;
        host.notCopied = notCopied;
        RunReliabilityTest(host, state);
        QCOMPARE(host.doIts, doIts);
        QVERIFY(!host.report.contains(QStringLiteral("The reliability test was performed")));
        QCOMPARE(state.blnReliabilityTestFailed, failed);
        QCOMPARE(MessageBox::history().size(), message.isEmpty() ? 0 : 1);
        if (!message.isEmpty())
            QCOMPARE(MessageBox::last().text, message);
        QCOMPARE(host.log.last(), QStringLiteral("restore"));
        QCOMPARE(host.s.strFilespec[1], QStringLiteral("*.out"));
        QCOMPARE(host.k.strKey, QByteArray("the user's own key"));
    }

    void stoppedMessageBox() {
        FakeHost host;
        ReliabilityTestState state;
        prepare(host, true, 1, state);
        host.stopAfterDoIt = 1;
        RunReliabilityTest(host, state);
        QCOMPARE(MessageBox::last().title, QStringLiteral("Reliability test stopped"));
        QCOMPARE(MessageBox::last().icon, MessageBox::Information);
        QCOMPARE(MessageBox::last().text,
                 QStringLiteral("Since the output files have the same names as the input files, \r\nit is likely "
                                "that some of the .tst files will be encrypted \r\nand some not.  You may wish to "
                                "set up the .tst files again."));
    }
};

QTEST_GUILESS_MAIN(TestReliabilityTest)
#include "test_reliabilitytest.moc"
