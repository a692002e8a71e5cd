#include "app/LaunchChecks.h"
#include "app/LaunchSequence.h"
#include "batch/OperationSetup.h"
#include "files/FileProc.h"
#include "key/frmKeyFrom.h"
#include "platform/os/MessageBox.h"

#include <QtTest>

using namespace LaunchChecks;

class TestLaunchChecks : public QObject {
    Q_OBJECT
private slots:
    void spaceMessage_data() {
        QTest::addColumn<qint64>("total");
        QTest::addColumn<double>("free");
        QTest::addColumn<QString>("message");
        QTest::newRow("megabytes") << qint64(3145728) << 2097152.0
                                   << "Estimated space required on drive D: is 3 MB, but there is only 2 MB available.";
        QTest::newRow("kilobytes")
            << qint64(102400 + 500) << 51200.0
            << "Estimated space required on drive D: is 100 KB, but there is only 50 KB available.";
        // Required MB are cut to a whole number, available MB keep their fraction.
        QTest::newRow("fractions")
            << qint64(1024 * 1024 * 5 / 2) << 1572864.0
            << "Estimated space required on drive D: is 2 MB, but there is only 1.5 MB available.";
        QTest::newRow("nothing free")
            << qint64(4096) << 0.0 << "Estimated space required on drive D: is 4 KB, but there is only 0 KB available.";
    }
    void spaceMessage() {
        QFETCH(qint64, total);
        QFETCH(double, free);
        QFETCH(QString, message);
        QVERIFY(SpaceIsInsufficient(total, free));
        QCOMPARE(InsufficientSpaceMessage(QStringLiteral("D:"), total, free), message);
    }

    void insufficiencyThreshold_data() {
        QTest::addColumn<qint64>("total");
        QTest::addColumn<double>("free");
        QTest::addColumn<bool>("insufficient");
        QTest::newRow("100.4 KB into 100 KB") << qint64(102810) << 102400.0 << true;
        QTest::newRow("100.0 KB into 100 KB") << qint64(102400) << 102400.0 << false;
        QTest::newRow("free rounds up") << qint64(102400) << 102400.0 - 400 << false;
        QTest::newRow("half KB rounds to even, down") << qint64(100 * 1024 + 1) << 100.5 * 1024 << true;
        QTest::newRow("half KB rounds to even, up") << qint64(101 * 1024 + 600) << 101.5 * 1024 << false;
        QTest::newRow("over 2 GiB") << qint64(5) * 1024 * 1024 * 1024 << 4.0 * 1024 * 1024 * 1024 << true;
    }
    void insufficiencyThreshold() {
        QFETCH(qint64, total);
        QFETCH(double, free);
        QFETCH(bool, insufficient);
        QCOMPARE(SpaceIsInsufficient(total, free), insufficient);
    }

    void drivesAndSpaceCheckNeed() {
        QVERIFY(!NeedsSpaceCheck(QStringLiteral("/home/u/"), true));
        QVERIFY(NeedsSpaceCheck(QStringLiteral("A:\\docs\\"), true));
        QVERIFY(NeedsSpaceCheck(QStringLiteral("b:\\"), true));
        QVERIFY(NeedsSpaceCheck(QStringLiteral("/home/u/"), false));
        QCOMPARE(TargetDrive(true, QStringLiteral("/out/"), QStringLiteral("/")), QStringLiteral("/"));
        QCOMPARE(TargetDrive(false, QStringLiteral("/out/x/"), QStringLiteral("/")), QStringLiteral("/out/x/"));
        QCOMPARE(TargetDrive(false, QStringLiteral("D:\\out\\"), QStringLiteral("/")), QStringLiteral("D:"));
    }

    void keyStretch() {
        const QByteArray k16("ABCDEFGHIJKLMNOP");
        QCOMPARE(StretchedKey(k16), k16 + k16 + k16 + k16);
        const QByteArray k20("ABCDEFGHIJKLMNOPQRST");
        QCOMPARE(StretchedKey(k20), (k20 + k20 + k20 + k20).left(64));
        const QByteArray k64(64, 'Z');
        QCOMPARE(StretchedKey(k64), k64);
        QCOMPARE(StretchedKey(QByteArray()), QByteArray());
    }

    // Folders are the same by what they are on disk; only folders that do not exist are compared as text.
    void sameFolder_data() {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<bool>("same");
        QTest::newRow("one folder, with and without the final slash") << "Data/"
                                                                      << "Data" << true;
        QTest::newRow("one folder through a link") << "Data/"
                                                   << "link/" << true;
        QTest::newRow("names differing only in case") << "Data/"
                                                      << "data/" << false;
        QTest::newRow("neither exists, same text") << "gone/"
                                                   << "gone" << true;
        QTest::newRow("neither exists, case differs") << "gone/"
                                                      << "Gone/" << false;
        QTest::newRow("only one exists") << "Data/"
                                         << "gone/" << false;
    }
    void sameFolder() {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath("Data") && QDir(dir.path()).mkpath("data"));
        QVERIFY(QFile::link(dir.filePath("Data"), dir.filePath("link")));
        QTEST(LaunchSequence::SameFolder(dir.filePath(a), dir.filePath(b)), "same");
    }

    // An output name the file system cannot hold is refused before anything is touched, naming its input: the
    // run would otherwise report a result under a name it never got.
    void outputNamesTheFileSystemCannotHold_data() {
        QTest::addColumn<int>("length"); // of the input's name; the output adds ".enc"
        QTest::addColumn<bool>("inPlace");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("output name of 255 bytes") << 251 << false << true;
        QTest::newRow("output name of 256 bytes") << 252 << false << false;
        QTest::newRow("input of 255 bytes") << 255 << false << false;
        QTest::newRow("in place, the names stay") << 255 << true << true;
    }
    void outputNamesTheFileSystemCannotHold() {
        QFETCH(int, length);
        QFETCH(bool, inPlace);
        QTemporaryDir dir;
        const QString folder = dir.path() + '/', name = QString(length - 4, QLatin1Char('n')) + ".txt";
        QFile f(folder + name);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write("x") == 1);
        f.close();
        OperationSetup setup;
        setup.strDirpath[0] = setup.strDirpath[1] = folder;
        setup.strFilespec[0] = "*.txt";
        setup.strFilespec[1] = FileProc::AddedExtensionSpec("enc");
        setup.blnOutputFilesSame = inPlace;
        if (inPlace)
            setup.CopyInputToOutput();
        frmKeyFrom key;
        key.intKeyFrom = frmKeyFrom::FromKeyboard;
        MessageBox::reset();
        QFETCH(bool, accepted);
        QCOMPARE(LaunchSequence::CheckSetup(setup, key, {}), accepted);
        QCOMPARE(MessageBox::history().isEmpty(), accepted);
        if (!accepted)
            QVERIFY2(MessageBox::last().text.contains(name), qPrintable(MessageBox::last().text));
    }
};

QTEST_GUILESS_MAIN(TestLaunchChecks)
#include "test_launchchecks.moc"
