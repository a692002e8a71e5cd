#include "files/FileProc.h"
#include "files/StrProc.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QtTest>

using namespace FileProc;
using namespace StrProc;

class TestTexts : public QObject {
    Q_OBJECT
    QTemporaryDir m_home;

private slots:
    void initTestCase() { TestSupport::prepareEnvironment(m_home); }

    void pathParts_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("extension");
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QString>("folder");
        // clang-format off
        QTest::newRow("plain") << "/home/u/Report.TXT" << "TXT" << "Report.TXT" << "/home/u/";
        QTest::newRow("two dots") << "/a/b.tar.GZ" << "GZ" << "b.tar.GZ" << "/a/";
        QTest::newRow("dot in folder only") << "/a.d/readme" << "" << "readme" << "/a.d/";
        QTest::newRow("folder path") << "/a/B/" << "" << "" << "/a/B/";
        QTest::newRow("no separator") << "name.Doc" << "Doc" << "" << "";
        QTest::newRow("trailing dot") << "/x/name." << "" << "name." << "/x/";
        QTest::newRow("hidden file") << "/x/.Profile" << "Profile" << ".Profile" << "/x/";
        QTest::newRow("drive-like relative path keeps its case") << "c:/Dir/File.Txt" << "Txt" << "File.Txt"
                                                                 << "c:/Dir/";
        QTest::newRow("empty") << "" << "" << "" << "";
        // clang-format on
    }
    void pathParts() {
        QFETCH(QString, path);
        QFETCH(QString, extension);
        QFETCH(QString, fileName);
        QFETCH(QString, folder);
        QCOMPARE(FileExtension(path, false), extension);
        QCOMPARE(FileExtension(path, true), extension.toLower());
        QCOMPARE(FileNamePart(path, false), fileName);
        QCOMPARE(FileNamePart(path, true), fileName.toLower());
        QCOMPARE(FolderPart(path), folder);
        // Case matters to this file system, so a path must never be re-cased.
        QCOMPARE(NormalizePathCase(path), path);
    }

    void shortenPath_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("maximum");
        QTest::addColumn<QString>("expected");
        const QString letter = QStringLiteral("C:/Documents/Finance/2003/Letters/to-bank.txt");
        // clang-format off
        QTest::newRow("cut at folders") << letter << 40 << "C:/Documents/.../Letters/to-bank.txt";
        QTest::newRow("exactly the maximum") << letter << int(letter.size()) << letter;
        QTest::newRow("one over") << letter << int(letter.size()) - 1 << "C:/Documents/Finance/.../Letters/to-bank.txt";
        QTest::newRow("root slash is no cut point") << "/abcdefghijklmnop" << 10 << "/abcd...lmnop";
        QTest::newRow("no separators, odd half to even") << "abcdefghijkl" << 9 << "abcd...ijkl";
        QTest::newRow("odd half up to even") << "abcdefghijkl" << 7 << "abcd...ijkl";
        QTest::newRow("odd half down to even") << "abcdefghijkl" << 5 << "ab...kl";
        QTest::newRow("zero") << "abc" << 0 << "...";
        QTest::newRow("negative") << "abc" << -4 << "...";
        // clang-format on
    }
    void shortenPath() {
        QFETCH(QString, path);
        QFETCH(int, maximum);
        QFETCH(QString, expected);
        QCOMPARE(ShortenPath(path, maximum), expected);
    }

    void timeTexts_data() {
        QTest::addColumn<qint64>("seconds");
        QTest::addColumn<QString>("longForm");
        QTest::addColumn<QString>("compact");
        // clang-format off
        QTest::newRow("0") << qint64(0) << "0 seconds" << "0s";
        QTest::newRow("1") << qint64(1) << "1 second" << "1s";
        QTest::newRow("45") << qint64(45) << "45 seconds" << "45s";
        QTest::newRow("60") << qint64(60) << "1 minute" << "1m";
        QTest::newRow("61") << qint64(61) << "1 minute and 1 second" << "1m 1s";
        QTest::newRow("120") << qint64(120) << "2 minutes" << "2m";
        QTest::newRow("3600") << qint64(3600) << "1 hour" << "1h";
        QTest::newRow("3903") << qint64(3903) << "1 hour and 5 minutes and 3 seconds" << "1h 5m 3s";
        QTest::newRow("86400") << qint64(86400) << "1 day" << "1d";
        QTest::newRow("1501 minutes") << qint64(1501 * 60) << "1 day and 1 hour and 1 minute" << "1d 1h 1m";
        QTest::newRow("1441 minutes") << qint64(1441 * 60) << "1 day and 1 minute" << "1d 1m";
        QTest::newRow("2 days 2 seconds") << qint64(2 * 86400 + 2) << "2 days and 2 seconds" << "2d 2s";
        QTest::newRow("beyond 32 bits") << qint64(100000) * 86400 << "100000 days" << "100000d";
        QTest::newRow("negative") << qint64(-5) << "0 seconds" << "0s";
        // clang-format on
    }
    void timeTexts() {
        QFETCH(qint64, seconds);
        QFETCH(QString, longForm);
        QFETCH(QString, compact);
        QCOMPARE(SecondsToText(seconds, true), longForm);
        QCOMPARE(SecondsToText(seconds, false), compact);
    }

    void minutesText() {
        QCOMPARE(MinutesToText(0, true), QStringLiteral("0 minutes"));
        QCOMPARE(MinutesToText(0, false), QStringLiteral("0m"));
        QCOMPARE(MinutesToText(120, true), QStringLiteral("2 hours"));
        QCOMPARE(MinutesToText(1501, false), QStringLiteral("1d 1h 1m"));
    }

    void byteCountText_data() {
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<int>("decimals");
        QTest::addColumn<QString>("expected");
        // clang-format off
        QTest::newRow("0") << qint64(0) << 3 << "0 bytes";
        QTest::newRow("1") << qint64(1) << 3 << "1 bytes";
        QTest::newRow("1023") << qint64(1023) << 3 << "1023 bytes";
        QTest::newRow("1024") << qint64(1024) << 3 << "1.000 KB";
        QTest::newRow("1536") << qint64(1536) << 3 << "1.500 KB";
        QTest::newRow("1536, one decimal") << qint64(1536) << 1 << "1.5 KB";
        QTest::newRow("just under a MB") << qint64(1048575) << 3 << "1023.999 KB";
        QTest::newRow("1 MB") << qint64(1048576) << 3 << "1.000 MB";
        QTest::newRow("5 GiB, no grouping") << qint64(5) * 1024 * 1024 * 1024 << 3 << "5120.000 MB";
        QTest::newRow("no decimals") << qint64(3) * 1048576 << 0 << "3 MB";
        // clang-format on
    }
    void byteCountText() {
        QFETCH(qint64, bytes);
        QFETCH(int, decimals);
        QFETCH(QString, expected);
        QCOMPARE(ByteCountText(bytes, decimals), expected);
    }

    void sizeTextUsesTheDecimalSeparatorOfTheUser() {
        const QLocale before;
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        const QString text = ByteCountText(qint64(5) * 1024 * 1024 * 1024, 3);
        QLocale::setDefault(before);
        QCOMPARE(text, QStringLiteral("5120,000 MB"));
    }

    void fileSizeText() {
        QTemporaryDir dir;
        const QString small = dir.filePath(QStringLiteral("small.bin"));
        QVERIFY(TestSupport::writeFile(small, QByteArray(1023, 'x')));
        QCOMPARE(FileSizeText(small, 3), QStringLiteral("1023 bytes"));

        // Sizes past 4 GiB (a sparse file costs no disk space).
        const QString large = dir.filePath(QStringLiteral("large.bin"));
        QFile file(large);
        QVERIFY(file.open(QIODevice::WriteOnly));
        if (!file.resize(qint64(5) * 1024 * 1024 * 1024))
            QSKIP("this file system cannot hold a 5 GiB sparse file");
        file.close();
        QCOMPARE(FileSizeText(large, 3), QStringLiteral("5120.000 MB"));

        QCOMPARE(FileSizeText(QString(), 3), QString());
        QCOMPARE(FileSizeText(dir.filePath(QStringLiteral("missing")), 3), QString());
        QCOMPARE(FileSizeText(dir.path(), 3), QString());
    }

    void antivirusWatchedTypes_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("watched");
        // clang-format off
        QTest::newRow("xls") << "C:/x/book.xls" << true;
        QTest::newRow("ovl") << "a.ovl" << true;
        QTest::newRow("xlsx") << "a.xlsx" << false;
        QTest::newRow("exe.bak") << "a.exe.bak" << false;
        QTest::newRow("EXE upper") << "/p/SETUP.EXE" << true;
        QTest::newRow("386") << "vxd.386" << true;
        QTest::newRow("doc") << "letter.doc" << true;
        QTest::newRow("txt") << "letter.txt" << false;
        QTest::newRow("two letters") << "a.xl" << false;
        QTest::newRow("no dot") << "/bin/exe" << false;
        QTest::newRow("empty") << "" << false;
        // clang-format on
    }
    void antivirusWatchedTypes() {
        QFETCH(QString, path);
        QFETCH(bool, watched);
        QCOMPARE(IsAntivirusWatchedType(path), watched);
    }
};

QTEST_GUILESS_MAIN(TestTexts)
#include "test_texts.moc"
