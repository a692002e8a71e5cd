#include "app/SetupFile.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QtTest>

#include <sys/stat.h>

class TestSetupFile : public QObject {
    Q_OBJECT
    QTemporaryDir m_home;
    QString path(const QString& name) const { return QDir(m_home.path()).filePath(name); }

    static SetupFileContents sample() {
        SetupFileContents c;
        c.version = QStringLiteral("7.77");
        c.blnEncrypt = false;
        c.blnConfirmFiles = true;
        c.blnOutputFilesSame = true;
        c.blnSubdirectories = false;
        c.strDirpath = {QStringLiteral("/data/a, b/"), QStringLiteral("/out/ü/")};
        c.strFilespec = {QStringLiteral("*.txt"), QStringLiteral("x,y.enc")};
        return c;
    }

private slots:
    void initTestCase() { TestSupport::prepareEnvironment(m_home); }

    void writesNineCrLfLinesWithBlankedFlags() {
        QVERIFY(SetupFile::SaveSetupFile(path("a.opn"), sample()));
        QCOMPARE(
            TestSupport::readFile(path("a.opn")),
            QByteArray("7.77\r\n 0 \r\n 1 \r\n 1 \r\n 0 \r\n/data/a, b/\r\n*.txt\r\n/out/\xc3\xbc/\r\nx,y.enc\r\n"));
    }

    void roundTripKeepsCommasAndNonLatinNames() {
        QVERIFY(SetupFile::SaveSetupFile(path("b.opn"), sample()));
        SetupFileContents back;
        QVERIFY(SetupFile::LoadSetupFile(path("b.opn"), back));
        const SetupFileContents s = sample();
        QCOMPARE(back.version, s.version);
        QCOMPARE(back.blnEncrypt, s.blnEncrypt);
        QCOMPARE(back.blnConfirmFiles, s.blnConfirmFiles);
        QCOMPARE(back.blnOutputFilesSame, s.blnOutputFilesSame);
        QCOMPARE(back.blnSubdirectories, s.blnSubdirectories);
        QCOMPARE(back.strDirpath, s.strDirpath);
        QCOMPARE(back.strFilespec, s.strFilespec);
    }

    void emptyTextsRoundTrip() {
        SetupFileContents empty;
        empty.version = QStringLiteral("7.77");
        QVERIFY(SetupFile::SaveSetupFile(path("c.opn"), empty));
        QCOMPARE(TestSupport::readFile(path("c.opn")),
                 QByteArray("7.77\r\n 1 \r\n 0 \r\n 0 \r\n 0 \r\n\r\n\r\n\r\n\r\n"));
        SetupFileContents back = sample();
        QVERIFY(SetupFile::LoadSetupFile(path("c.opn"), back));
        QCOMPARE(back.strDirpath, (std::array<QString, 2>{}));
        QCOMPARE(back.strFilespec, (std::array<QString, 2>{}));
        QVERIFY(back.blnEncrypt);
    }

    void badFilesAreRejectedAndChangeNothing_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("eight lines") << QByteArray("7.77\r\n 1 \r\n 0 \r\n 0 \r\n 0 \r\n/a/\r\n*.*\r\n/a/\r\n");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("flag not a number") << QByteArray("7.77\r\nyes\r\n 0 \r\n 0 \r\n 0 \r\n\r\n\r\n\r\n\r\n");
        QTest::newRow("flag out of range") << QByteArray("7.77\r\n 2 \r\n 0 \r\n 0 \r\n 0 \r\n\r\n\r\n\r\n\r\n");
    }
    void badFilesAreRejectedAndChangeNothing() {
        QFETCH(QByteArray, bytes);
        QVERIFY(TestSupport::writeFile(path("bad.opn"), bytes));
        SetupFileContents c = sample();
        QVERIFY(!SetupFile::LoadSetupFile(path("bad.opn"), c));
        QCOMPARE(c.strDirpath, sample().strDirpath);
        QCOMPARE(c.blnEncrypt, sample().blnEncrypt);
    }

    void lastLineWithoutTerminatorAndLfOnlyAreRead() {
        QVERIFY(TestSupport::writeFile(path("lf.opn"), "7.77\n1\n0\n1\n1\n/in/\n*.*\n/out/\nlast"));
        SetupFileContents c;
        QVERIFY(SetupFile::LoadSetupFile(path("lf.opn"), c));
        QVERIFY(c.blnEncrypt && c.blnOutputFilesSame && c.blnSubdirectories && !c.blnConfirmFiles);
        QCOMPARE(c.strDirpath[1], QStringLiteral("/out/"));
        QCOMPARE(c.strFilespec[1], QStringLiteral("last"));

        // Byte-order marks before the version are an editor's, not the version's.
        QVERIFY(TestSupport::writeFile(path("bom.opn"), "\xEF\xBB\xBF\xEF\xBB\xBF" "7.77\n1\n0\n1\n1\n/in/\n*.*\n/out/\nx\n"));
        QVERIFY(SetupFile::LoadSetupFile(path("bom.opn"), c));
        QCOMPARE(c.version, QStringLiteral("7.77"));
    }

    void missingFileOrFolderFails() {
        SetupFileContents c;
        QVERIFY(!SetupFile::LoadSetupFile(path("nothing.opn"), c));
        QVERIFY(!SetupFile::SaveSetupFile(path("no/such/folder/x.opn"), sample()));
        // A folder where the file should be cannot be written either.
        QVERIFY(QDir(m_home.path()).mkpath("dir.opn"));
        QVERIFY(!SetupFile::SaveSetupFile(path("dir.opn"), sample()));
        QVERIFY(!SetupFile::LoadSetupFile(path("dir.opn"), c));
        // A pipe is refused at once rather than waited on.
        QVERIFY(::mkfifo(QFile::encodeName(path("pipe.opn")).constData(), 0600) == 0);
        QVERIFY(!SetupFile::LoadSetupFile(path("pipe.opn"), c));
        // A source that never ends is refused, not read until memory runs out.
        QVERIFY(!SetupFile::LoadSetupFile(QStringLiteral("/dev/zero"), c));
    }

    void lineBreakInANameIsRefusedAndKeepsTheOldFile() {
        QVERIFY(SetupFile::SaveSetupFile(path("keep.opn"), sample()));
        const QByteArray before = TestSupport::readFile(path("keep.opn"));
        SetupFileContents c = sample();
        c.strFilespec[0] = QStringLiteral("evil\nname");
        QVERIFY(!SetupFile::SaveSetupFile(path("keep.opn"), c));
        QCOMPARE(TestSupport::readFile(path("keep.opn")), before);
    }
};

QTEST_GUILESS_MAIN(TestSetupFile)
#include "test_setupfile.moc"
