#include "batch/OperationSetup.h"
#include "batch/RunContext.h"
#include "batch/gui/ReliabilityTestWindows.h"
#include "batch/gui/ReportView.h"
#include "batch/gui/frmReliabilityTest.h"
#include "batch/gui/frmReport.h"
#include "key/frmKeyFrom.h"
#include "platform/engine/Engine.h"
#include "platform/os/MessageBox.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>

#include <functional>

namespace {

const QString crlf = QStringLiteral("\r\n");

// The main window as far as a test needs it: the switches, "Function", and a "Do it!" that launches the run
// (the size pass when writing to separate files, then the run in the report window).
struct MainWindow {
    OperationSetup setup;
    frmKeyFrom key;
    RunContext ctx{setup, key};
    frmReport report{ctx};
    QTimer clock;
    bool blnDoItAborted = false;
    int doIts = 0;
    std::function<void(int)> afterDoIt; // called with the number of the "Do it!" just ended
    ReliabilityTestWindows* test = nullptr;

    MainWindow() {
        clock.setInterval(20);
        QObject::connect(&clock, &QTimer::timeout, [this] { ctx.blnGenerateNextKey = true; });
        ctx.stopOwnerClock = [this] { clock.stop(); };
        ReliabilityTestMainSide side;
        side.doIt = [this] { doIt(); };
        side.function = [this] { setup.blnEncrypt = !setup.blnEncrypt; };
        side.replaySwitches = [this] {
            setup.invertSwitchesForReplay();
            if (setup.blnOutputFilesSame)
                setup.CopyInputToOutput();
        };
        side.restoreSetup = [this] { setup.restoreRemembered(); };
        side.blnDoItAborted = &blnDoItAborted;
        side.clock = &clock;
        test = new ReliabilityTestWindows(report, ctx, side);
    }
    ~MainWindow() { delete test; }

    void doIt() {
        ++doIts;
        if (test->divertDoIt())
            return;
        report.strInputDirpath = setup.strDirpath[0];
        report.strInputFilespec = setup.strFilespec[0];
        report.strOutputDirpath = setup.strDirpath[1];
        report.strOutputFilespec = setup.strFilespec[1];
        report.blnPerformingOperation = true;
        report.blnRandomnessReport = false;
        if (!setup.blnOutputFilesSame) {
            report.lngTotalInputFilesize = 0;
            report.blnGettingInputFilesizes = true;
            report.ProcessFiles();
            if (report.lngTotalInputFilesize == 0) {
                MessageBox::show(QStringLiteral("Total input filesize is 0 bytes."), QStringLiteral("Error"),
                                 MessageBox::Warning);
                blnDoItAborted = ctx.blnPerformingReliabilityTest;
                return;
            }
        }
        key.strKey = frmKeyFrom::stretchedKey(key.strKey);
        report.blnGettingInputFilesizes = false;
        report.show();
        report.ProcessFiles();
        if (afterDoIt)
            afterDoIt(doIts);
    }
};

// Answers the reliability test dialog when it comes up: n passes, or "just encrypt" for n < 0.
void answerDialog(ReliabilityTestWindows& test, qint64 passes) {
    QTimer::singleShot(0, [&test, passes] {
        frmReliabilityTest& d = test.dialog();
        if (passes < 0) {
            d.optNo->click();
        } else {
            d.txbNumTests->setText(QString::number(passes));
        }
        d.cmdContinue_Click();
    });
}

} // namespace

class TestReliabilityWindows : public QObject {
    Q_OBJECT
    QTemporaryDir m_home;
    int m_folders = 0;

    // A fresh test folder holding the given .tst files (name, contents).
    QString testFolder(const QList<QPair<QString, QByteArray>>& files) {
        const QString d = QDir(m_home.path()).filePath(QStringLiteral("t%1/zq4test/").arg(++m_folders));
        QDir().mkpath(d);
        for (const auto& f : files)
            TestSupport::writeFile(d + f.first, f.second);
        return d;
    }
    static QList<QPair<QString, QByteArray>> threeFiles() {
        return {{"a.tst", TestSupport::pseudoRandomBytes(3000, 1)},
                {"b.tst", QByteArray("some plain text\r\n").repeated(200)},
                {"c.tst", TestSupport::pseudoRandomBytes(70000, 3)}};
    }
    static void setUp(MainWindow& w, const QString& folder, bool inPlace) {
        w.setup.blnEncrypt = true;
        w.setup.blnOutputFilesSame = inPlace;
        w.setup.strDirpath = {folder, QStringLiteral("/nowhere/")};
        w.setup.strFilespec = {QStringLiteral("*.tst"), QStringLiteral("*.out")};
        w.key.strKey = w.key.strKeyAsInput = QByteArray("the test key 1234");
        w.key.intKeyFrom = frmKeyFrom::FromKeyboard;
    }
    static QString text(MainWindow& w) { return w.report.report().text(); }

    // Shows the dialog modally and lets `act` work it once it is up.
    static void showAndDo(frmReliabilityTest& dialog, bool inPlace, std::function<void()> act) {
        QTimer::singleShot(0, &dialog, [&dialog, act] {
            QVERIFY(dialog.isVisible());
            act();
            if (dialog.isVisible())
                dialog.cmdCancel_Click();
        });
        dialog.exec(inPlace);
    }

private slots:
    void initTestCase() {
        TestSupport::prepareEnvironment(m_home);
        QVERIFY(zq4e::allocate_buffers() != 0);
    }
    void cleanupTestCase() { zq4e::deallocate_buffers(); }
    void init() { MessageBox::reset(); }

    void dialogTexts() {
        frmReliabilityTest dialog;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Reliability test"));
        QCOMPARE(dialog.lblIntro->text(),
                 QStringLiteral("You have chosen to encrypt files with .tst extension in a subfolder named "
                                "\"zq4test\", which indicates that you wish to perform the reliability test."));
        QCOMPARE(dialog.lblExplanation2->text(),
                 QStringLiteral("The first performance of the test uses the currently specified key. Subsequent "
                                "performances use randomly-generated keys."));
        QCOMPARE(TestSupport::shown(dialog.lblMultipleTimes->text()),
                 QStringLiteral("Number of times to perform the test: "));
        QCOMPARE(TestSupport::shown(dialog.optPerformTest->text()), QStringLiteral("Yes, perform the test."));
        QCOMPARE(TestSupport::shown(dialog.optNo->text()), QStringLiteral("No, just encrypt as specified."));
        dialog.prepareShowing(true);
        QCOMPARE(dialog.lblExplanation1->text(),
                 QStringLiteral("In this test all specified .tst files are first copied to .bak files, then the "
                                ".tst files are encrypted, then decrypted, then the resulting .tst files are "
                                "compared to the .bak files.  If a difference exists then the test stops at that "
                                "point."));
        dialog.prepareShowing(false);
        QCOMPARE(dialog.lblExplanation1->text(),
                 QStringLiteral("In this test all specified .tst files are encrypted to .enc files, then decrypted "
                                "to .dec files, then the .dec files are compared to the .tst files. If a difference "
                                "exists then the test stops at that point."));
    }

    // The count shown is replaced by what is typed; letters typed into it do nothing; Enter continues with the
    // digits.
    void typedCountAndEnter() {
        frmReliabilityTest dialog;
        showAndDo(dialog, false, [&] {
            QCOMPARE(dialog.txbNumTests->text(), QStringLiteral("1"));
            QCOMPARE(dialog.txbNumTests->cursorPosition(), 1);
            QVERIFY(dialog.optPerformTest->isChecked());
            QTest::keyClicks(dialog.txbNumTests, QStringLiteral("a1 x-25"));
            QCOMPARE(dialog.txbNumTests->text(), QStringLiteral("125"));
            dialog.txbNumTests->insert(QStringLiteral("oops")); // as pasted: refused too
            QCOMPARE(dialog.txbNumTests->text(), QStringLiteral("125"));
            QTest::keyClick(dialog.txbNumTests, Qt::Key_Return);
        });
        QVERIFY(!dialog.isVisible());
        QVERIFY(!dialog.blnCancel);
        QVERIFY(dialog.blnPerformingReliabilityTest);
        QCOMPARE(dialog.intNumReliabilityTests, qint64(125));
    }

    void choices_data() {
        QTest::addColumn<QString>("count");
        QTest::addColumn<bool>("chooseNo");
        QTest::addColumn<bool>("cancel");
        QTest::addColumn<bool>("performing");
        QTest::addColumn<qint64>("passes");
        QTest::newRow("perform twice") << "2" << false << false << true << qint64(2);
        QTest::newRow("empty count") << "" << false << false << true << qint64(0);
        QTest::newRow("just encrypt") << "7" << true << false << false << qint64(7);
        QTest::newRow("cancel") << "3" << false << true << false << qint64(1);
    }
    void choices() {
        QFETCH(QString, count);
        QFETCH(bool, chooseNo);
        QFETCH(bool, cancel);
        QFETCH(bool, performing);
        QFETCH(qint64, passes);
        frmReliabilityTest dialog;
        showAndDo(dialog, true, [&] {
            dialog.txbNumTests->setText(count);
            if (chooseNo) {
                dialog.optNo->click();
                QVERIFY(dialog.txbNumTests->isHidden());
                QVERIFY(dialog.lblMultipleTimes->isHidden());
                QCOMPARE(dialog.focusWidget(), dialog.cmdContinue);
            }
            QTest::mouseClick(cancel ? dialog.cmdCancel : dialog.cmdContinue, Qt::LeftButton);
        });
        QCOMPARE(dialog.blnCancel, cancel);
        QCOMPARE(dialog.blnPerformingReliabilityTest, performing);
        QCOMPARE(dialog.intNumReliabilityTests, passes);
    }

    // Each showing starts over: the test chosen, the count shown again, nothing decided yet.
    void showingResets() {
        frmReliabilityTest dialog;
        showAndDo(dialog, true, [&] {
            dialog.optNo->click();
            QTest::mouseClick(dialog.cmdContinue, Qt::LeftButton);
        });
        QVERIFY(!dialog.blnCancel);
        showAndDo(dialog, true, [&] {
            QVERIFY(dialog.optPerformTest->isChecked());
            QVERIFY(dialog.txbNumTests->isVisible());
            QVERIFY(dialog.blnCancel);
            QTest::keyClick(&dialog, Qt::Key_Escape);
        });
        QVERIFY(dialog.blnCancel);
        QVERIFY(!dialog.blnPerformingReliabilityTest);
    }

    // One pass to separate files: the header without a pass number, a line per file, the closing sentence.
    void separateOnce() {
        MainWindow w;
        const QString folder = testFolder(threeFiles());
        setUp(w, folder, false);
        answerDialog(*w.test, 1);
        w.doIt();
        QCOMPARE(w.doIts, 3);
        QCOMPARE(text(w), QStringLiteral("3 test files in ") + folder + crlf + "17-byte text key: the test key 1234" +
                              crlf + crlf +
                              "a.tst, a.dec: identical\r\nb.tst, b.dec: identical\r\nc.tst, c.dec: identical\r\n" +
                              crlf + "The reliability test was performed once." + crlf +
                              "All decrypted files were found to be identical with the original files.");
        QCOMPARE(w.report.windowTitle(), QStringLiteral("Comparison of decrypted files with original files"));
        QCOMPARE(TestSupport::readFile(folder + "c.dec"), TestSupport::readFile(folder + "c.tst"));
        QVERIFY(QFile::exists(folder + "b.enc"));
        QVERIFY(MessageBox::history().isEmpty()); // no confirmation during the test
        QVERIFY(w.report.cmdClose->isVisibleTo(&w.report));
        QVERIFY(!w.report.cmdStop->isVisibleTo(&w.report));
        // The setup is back; closing the comparison restores it once more and hides the window.
        QCOMPARE(w.setup.strDirpath[1], QStringLiteral("/nowhere/"));
        QCOMPARE(w.setup.strFilespec[1], QStringLiteral("*.out"));
        QVERIFY(w.setup.blnEncrypt);
        QVERIFY(!w.ctx.blnPerformingReliabilityTest);
        QVERIFY(!w.test->dialog().blnPerformingReliabilityTest);
        w.setup.strFilespec[1] = QStringLiteral("*.changed");
        w.report.cmdClose_Click();
        QVERIFY(!w.report.isVisible());
        QVERIFY(!w.report.blnComparisonReport);
        QCOMPARE(w.setup.strFilespec[1], QStringLiteral("*.out"));
    }

    // An empty test file is compared too, as the first file of its pair, and fails the test in either mode.
    void emptyTestFileFails_data() {
        QTest::addColumn<bool>("inPlace");
        QTest::addColumn<QString>("line");
        QTest::newRow("separate") << false << "b.tst, b.dec: First file is empty.\r\n";
        QTest::newRow("in place") << true << "b.bak, b.tst: First file is empty.\r\n";
    }
    void emptyTestFileFails() {
        QFETCH(bool, inPlace);
        QFETCH(QString, line);
        MainWindow w;
        const QString folder = testFolder({{"a.tst", TestSupport::pseudoRandomBytes(3000, 1)},
                                           {"b.tst", QByteArray()},
                                           {"c.tst", TestSupport::pseudoRandomBytes(5000, 3)}});
        setUp(w, folder, inPlace);
        answerDialog(*w.test, 1);
        w.doIt();
        QVERIFY2(text(w).contains(line + QStringLiteral("Reliability test failed.\r\n")), qPrintable(text(w)));
        QVERIFY(!text(w).contains(QStringLiteral("The reliability test was performed")));
        QVERIFY(w.test->dialog().blnReliabilityTestFailed);
        QCOMPARE(w.report.status(), QStringLiteral("Stopped"));
    }

    // Two passes in place: the second runs on a random key that the header shows; the user's key comes back.
    void inPlaceTwice() {
        MainWindow w;
        const auto files = threeFiles();
        const QString folder = testFolder(files);
        setUp(w, folder, true);
        answerDialog(*w.test, 2);
        w.doIt();
        QCOMPARE(w.doIts, 5);
        const QStringList lines = text(w).split(crlf);
        QCOMPARE(lines.value(0), QStringLiteral("Reliability test #2 of 2"));
        QCOMPARE(lines.value(1), QStringLiteral("3 test files in ") + folder);
        const QRegularExpressionMatch key =
            QRegularExpression(QStringLiteral("^(\\d+)-byte (text key: (.*)|non-text key)$")).match(lines.value(2));
        QVERIFY2(key.hasMatch(), qPrintable(lines.value(2)));
        const int length = key.captured(1).toInt();
        QVERIFY(length >= 16 && length <= 64);
        if (!key.captured(3).isEmpty())
            QCOMPARE(key.captured(3).size(), length);
        QCOMPARE(lines.value(3), QString());
        QCOMPARE(lines.value(4), QStringLiteral("a.bak, a.tst: identical"));
        QVERIFY(text(w).endsWith(QStringLiteral("The reliability test was performed twice.\r\n"
                                                "All decrypted files were found to be identical with the "
                                                "original files.")));
        for (const auto& f : files)
            QCOMPARE(TestSupport::readFile(folder + f.first), f.second);
        QCOMPARE(w.key.strKeyAsInput, QByteArray("the test key 1234"));
        QCOMPARE(w.key.intKeyFrom, frmKeyFrom::FromKeyboard);
        QVERIFY(w.setup.blnOutputFilesSame);
        QVERIFY(w.setup.blnEncrypt);
    }

    // A decrypted file damaged on the second pass: the difference, the key's codes, "Stopped", and no file
    // after it compared.
    void damagedFile() {
        MainWindow w;
        const QString folder = testFolder(threeFiles());
        setUp(w, folder, false);
        QByteArray secondKey;
        w.afterDoIt = [&](int n) {
            if (n != 5) // the decryption of the second pass
                return;
            secondKey = w.key.strKeyAsInput;
            QFile f(folder + "b.dec");
            QVERIFY(f.open(QIODevice::ReadWrite));
            f.seek(1234);
            f.write("#");
        };
        answerDialog(*w.test, 3);
        w.doIt();
        QCOMPARE(w.doIts, 5);
        QString codes;
        for (char c : secondKey)
            codes += QString::number(uchar(c)) + QLatin1Char(' ');
        QVERIFY(text(w).startsWith(QStringLiteral("Reliability test #2 of 3\r\n")));
        QVERIFY2(text(w).endsWith(QStringLiteral("a.tst, a.dec: identical\r\n"
                                                 "b.tst, b.dec: Files differ at byte 1234.\r\n"
                                                 "Reliability test failed.\r\nAscii values of bytes in key:\r\n") +
                                  codes + crlf),
                 qPrintable(text(w)));
        QVERIFY(w.test->dialog().blnReliabilityTestFailed);
        QCOMPARE(w.report.lblPausedDone->text(), QStringLiteral("Stopped"));
        QVERIFY(!text(w).contains(QStringLiteral("performed")));
        QCOMPARE(w.key.strKeyAsInput, QByteArray("the test key 1234"));
    }

    // An empty test file: in place it reaches the comparison as an empty original; alone and to separate
    // files, "Do it!" stops at the size pass and the test ends quietly.
    void emptyTestFile() {
        MainWindow w;
        const QString folder = testFolder({{"a.tst", QByteArray()}, {"b.tst", QByteArray("text").repeated(100)}});
        setUp(w, folder, true);
        answerDialog(*w.test, 1);
        w.doIt();
        QVERIFY2(text(w).contains(QStringLiteral("\r\n\r\na.bak, a.tst: First file is empty.\r\n"
                                                 "Reliability test failed.\r\n")),
                 qPrintable(text(w)));
        QVERIFY(!text(w).contains(QStringLiteral("b.bak")));

        MainWindow alone;
        const QString lone = testFolder({{"a.tst", QByteArray()}});
        setUp(alone, lone, false);
        answerDialog(*alone.test, 2);
        alone.doIt();
        QCOMPARE(alone.doIts, 2);
        QCOMPARE(MessageBox::last().text, QStringLiteral("Total input filesize is 0 bytes."));
        QVERIFY(!alone.test->dialog().blnReliabilityTestFailed);
        QVERIFY(!alone.report.blnComparisonReport);
        QCOMPARE(alone.setup.strFilespec[1], QStringLiteral("*.out"));
    }

    // Stop pressed while the test waits between passes ends it there.
    void stopWhileWaiting() {
        MainWindow w;
        w.clock.setInterval(60 * 60 * 1000);
        const QString folder = testFolder(threeFiles());
        setUp(w, folder, false);
        QTimer poll;
        poll.setInterval(10);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (w.report.lblPausedDone->text() == QStringLiteral("Paused")) {
                QCOMPARE(TestSupport::shown(w.report.cmdStop->text()), QStringLiteral("Stop"));
                QVERIFY(!w.report.cmdClose->isVisibleTo(&w.report));
                QVERIFY(w.report.txbText->text().endsWith(QStringLiteral("\nOK so far ... ")));
                w.report.cmdStop->click();
            }
        });
        poll.start();
        answerDialog(*w.test, 4);
        w.doIt();
        QCOMPARE(w.doIts, 3);
        QVERIFY(!w.clock.isActive());
        QVERIFY(text(w).endsWith(QStringLiteral("OK so far ... ")));
        QVERIFY(w.report.cmdClose->isVisibleTo(&w.report));
        QVERIFY(MessageBox::history().isEmpty()); // to separate files nothing is half encrypted
    }

    // Declining the test lets "Do it!" go on with the operation; cancelling ends it.
    void declined() {
        MainWindow w;
        const QString folder = testFolder(threeFiles());
        setUp(w, folder, false);
        w.setup.strDirpath[1] = folder;
        answerDialog(*w.test, -1);
        w.doIt();
        QCOMPARE(w.doIts, 1);
        QVERIFY(QFile::exists(folder + "a.out"));
        QVERIFY(text(w).startsWith(QStringLiteral("Encrypting *.tst in ")));

        QTimer::singleShot(0, [&] { w.test->dialog().cmdCancel_Click(); });
        w.doIt();
        QVERIFY(!QFile::exists(folder + "a.enc"));
        QVERIFY(!w.ctx.blnPerformingReliabilityTest);
    }
};

QTEST_MAIN(TestReliabilityWindows)
#include "test_reliabilitywindows.moc"
