// The randomness listing as the report window runs it: heading, lines, the count of files and the date.
#include "batch/BatchRun.h"
#include "batch/OperationSetup.h"
#include "batch/RunContext.h"
#include "key/frmKeyFrom.h"
#include "platform/os/MessageBox.h"
#include "support/TestSupport.h"

#include <QtTest>

class TestRandomnessBatch : public QObject {
    Q_OBJECT
    QTemporaryDir m_home;
    QTemporaryDir m_dir;
    OperationSetup m_setup;
    frmKeyFrom m_key;

    QString folder() const { return m_dir.path() + u'/'; }

private slots:
    void initTestCase() {
        TestSupport::prepareEnvironment(m_home);
        QByteArray text;
        while (text.size() < 3000)
            text += "Plain words in a plain file, line after line.\r\n";
        QVERIFY(TestSupport::writeFile(m_dir.filePath(QStringLiteral("Secret.ZQ4")),
                                       TestSupport::pseudoRandomBytes(4096, 5)));
        QVERIFY(TestSupport::writeFile(m_dir.filePath(QStringLiteral("plain.txt")), text));
        QVERIFY(TestSupport::writeFile(m_dir.filePath(QStringLiteral("small.txt")), QByteArray(255, 'q')));
        QVERIFY(TestSupport::writeFile(m_dir.filePath(QStringLiteral("sub/inner.txt")), text));
    }
    void init() { MessageBox::reset(); }

    void listingThroughSubfolders() {
        m_setup.blnSubdirectories = true;
        RunContext ctx(m_setup, m_key);
        BatchRun run(ctx);
        run.blnRandomnessReport = true;
        run.strNextDirPath = folder();
        run.strCurrentFileSpec = QStringLiteral("*.*");
        run.ProcessFiles();

        const QStringList lines = run.report().text().split(QStringLiteral("\r\n"));
        QCOMPARE(lines.value(0), folder());
        QVERIFY2(lines.value(1).contains(QStringLiteral("   plain.txt (")), qPrintable(lines.value(1)));
        QVERIFY(!lines.value(1).contains(u'*'));
        QVERIFY2(lines.value(2).contains(QStringLiteral(" * secret.zq4 (4,096 bytes)   ")), qPrintable(lines.value(2)));
        QCOMPARE(lines.value(3), QStringLiteral("        small.txt (255 bytes)   "));
        QCOMPARE(lines.value(4), QString());
        QCOMPARE(lines.value(5), folder() + QStringLiteral("sub/"));
        QVERIFY(run.report().text().contains(QStringLiteral("\r\nNumber of files processed: 4\r\n")));
        QVERIFY(!run.report().text().contains(QStringLiteral("Number of files encrypted")));
        QCOMPARE(run.intFilesAttempted, 4);
        QCOMPARE(run.strNextDirPath, folder() + QStringLiteral("sub"));
        QVERIFY(run.status().isEmpty()); // no file operation was performed
        QVERIFY(MessageBox::history().isEmpty());
    }

    void oneFileHasNoCount() {
        m_setup.blnSubdirectories = true;
        RunContext ctx(m_setup, m_key);
        BatchRun run(ctx);
        run.blnRandomnessReport = true;
        run.strNextDirPath = folder();
        run.strCurrentFileSpec = QStringLiteral("plain.txt");
        run.ProcessFiles();
        QCOMPARE(run.intFilesAttempted, 1);
        QVERIFY(!run.report().text().contains(QStringLiteral("Number of files processed")));
    }

    void fullReportEndsTheListing() {
        m_setup.blnSubdirectories = true;
        RunContext ctx(m_setup, m_key);
        BatchRun run(ctx);
        run.report().setCapacity(folder().size() + 2 + 60); // the heading and one line
        run.blnRandomnessReport = true;
        run.strNextDirPath = folder();
        run.strCurrentFileSpec = QStringLiteral("*.*");
        run.ProcessFiles();
        QVERIFY(run.blnStop);
        QCOMPARE(MessageBox::history().size(), 2);
        QCOMPARE(MessageBox::history().at(0).title, QStringLiteral("Error"));
        QCOMPARE(MessageBox::history().at(1).title, QStringLiteral("Report buffer full"));
        QVERIFY(run.report().text().contains(QStringLiteral("This randomness report was terminated at this point.")));
        QVERIFY(!run.report().text().contains(QStringLiteral("inner.txt")));
    }
};

QTEST_GUILESS_MAIN(TestRandomnessBatch)
#include "test_randomness_batch.moc"
