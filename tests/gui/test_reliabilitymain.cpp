#include "app/gui/MenuButton.h"
#include "app/gui/frmMain.h"
#include "batch/gui/ReliabilityTestWindows.h"
#include "batch/gui/ReportView.h"
#include "batch/gui/frmReliabilityTest.h"
#include "batch/gui/frmReport.h"
#include "key/frmKeyFrom.h"
#include "platform/engine/Engine.h"
#include "platform/filekit/Language2.h"
#include "platform/os/MessageBox.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QDir>
#include <QFrame>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

// The reliability test as the main window runs it: "Do it!" on a test setup, the dialog, the passes paced by
// the window's clock, and the window as it was afterwards.
class TestReliabilityMain : public QObject {
    Q_OBJECT
    QTemporaryDir m_home;
    int m_folders = 0;

    QString testFolder() {
        const QString d = QDir(m_home.path()).filePath(QStringLiteral("m%1/zq4test/").arg(++m_folders));
        QDir().mkpath(d);
        TestSupport::writeFile(d + "one.tst", TestSupport::pseudoRandomBytes(5000, 7));
        TestSupport::writeFile(d + "two.tst", QByteArray("plain words ").repeated(300));
        return d;
    }
    // Answers the reliability test dialog with the number of passes once it is open.
    static void answer(qint64 passes) {
        QTimer::singleShot(0, [passes] {
            auto* d = qobject_cast<frmReliabilityTest*>(QApplication::activeModalWidget());
            QVERIFY(d);
            d->txbNumTests->setText(QString::number(passes));
            d->cmdContinue_Click();
        });
    }

private slots:
    void initTestCase() {
        TestSupport::prepareEnvironment(m_home);
        QVERIFY(Language2::ReadProgramText(QStringLiteral("zq4_text.dat")) >= 1);
        QVERIFY(zq4e::allocate_buffers() != 0);
    }
    void cleanupTestCase() { zq4e::deallocate_buffers(); }
    void init() { MessageBox::reset(); }

    void passes_data() {
        QTest::addColumn<bool>("inPlace");
        QTest::addColumn<qint64>("passes");
        QTest::addColumn<QString>("firstLine");
        QTest::addColumn<QString>("firstComparison");
        QTest::addColumn<QString>("times");
        QTest::newRow("separate, once") << false << qint64(1) << "2 test files in "
                                        << "one.tst, one.dec: identical"
                                        << "once";
        QTest::newRow("in place, twice") << true << qint64(2) << "Reliability test #2 of 2"
                                         << "one.bak, one.tst: identical"
                                         << "twice";
    }
    void passes() {
        QFETCH(bool, inPlace);
        QFETCH(qint64, passes);
        QFETCH(QString, firstLine);
        QFETCH(QString, firstComparison);
        QFETCH(QString, times);
        frmMain w;
        w.intFirstClockInterval = 30;
        w.intClockInterval = 10;
        w.Clock->setInterval(30);
        const QString folder = testFolder();
        w.setup.blnEncrypt = true;
        w.setup.blnOutputFilesSame = inPlace;
        w.setup.strDirpath = {folder, inPlace ? folder : QString()};
        w.setup.strFilespec = {QStringLiteral("*.tst"), inPlace ? QStringLiteral("*.tst") : QString()};
        w.key.intKeyFrom = frmKeyFrom::FromKeyboard;
        w.key.strKey = w.key.strKeyAsInput = QByteArray("ANOTHER TEST KEY");
        w.ShowAllFileStatus();

        bool labelShown = false;
        bool menuDisabled = false, quitReachable = true, doItStayedOff = true;
        int reportLines = 0;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            labelShown = labelShown || w.lblPerformingReliabilityTest->isVisibleTo(&w);
            // The menu is closed to the test's setup, but the program can still be ended.
            if (w.context.blnPerformingReliabilityTest) {
                // Do it! too, between the test's runs: another operation must not start inside the test.
                menuDisabled = menuDisabled || (!w.cmdDoIt->isEnabled() && !w.cmdFunction->isEnabled());
                doItStayedOff = doItStayedOff && !w.cmdDoIt->isEnabled();
                quitReachable = quitReachable && w.cmdQuit->isEnabled();
            }
        });
        watch.start(5);
        answer(passes);
        w.cmdDoIt_MouseUp(Qt::LeftButton);

        const QString text = w.reportWindow().report().text();
        QVERIFY2(text.startsWith(firstLine), qPrintable(text));
        QVERIFY(text.contains(QStringLiteral("\r\n\r\n") + firstComparison + QStringLiteral("\r\n")));
        QVERIFY(text.endsWith(QStringLiteral("The reliability test was performed ") + times +
                              QStringLiteral(".\r\nAll decrypted files were found to be identical with the "
                                             "original files.")));
        QVERIFY(MessageBox::history().isEmpty());
        QVERIFY(labelShown);
        QVERIFY(menuDisabled);
        QVERIFY(quitReachable);
        QVERIFY(doItStayedOff);
        QVERIFY(w.cmdDoIt->isEnabled());
        // The comparison is shown in a window tall enough to read it.
        QVERIFY(w.reportWindow().blnComparisonReport);
        w.reportWindow().layout()->activate();
        reportLines = w.reportWindow().txbText->height() / w.reportWindow().txbText->fontMetrics().height();
        QVERIFY2(reportLines >= 12, qPrintable(QString::number(reportLines)));
        QVERIFY(!w.lblPerformingReliabilityTest->isVisibleTo(&w));
        QVERIFY(w.fraMenu->isEnabled());
        QVERIFY(!w.Clock->isActive());
        QVERIFY(!w.context.blnPerformingReliabilityTest);
        QVERIFY(w.setup.blnEncrypt);
        QCOMPARE(w.setup.blnOutputFilesSame, inPlace);
        QCOMPARE(w.key.strKeyAsInput, QByteArray("ANOTHER TEST KEY"));
        if (!inPlace)
            QCOMPARE(w.setup.strFilespec[1], QString());
    }
};

QTEST_MAIN(TestReliabilityMain)
#include "test_reliabilitymain.moc"
