#include "platform/os/DiskProc.h"

#include <QDir>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QtTest>

namespace {
constexpr qint64 M = 1024 * 1024;
}

class TestDiskProc : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
    void clusterSizeTable_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<qint64>("total");
        QTest::addColumn<qint64>("reported");
        QTest::addColumn<qint64>("expected");
        QTest::newRow("FAT reported") << "FAT" << 100 * M << qint64(1024) << qint64(1024);
        QTest::newRow("FAT16 no report, small") << "FAT16" << 128 * M - 1 << qint64(-1) << qint64(2048);
        QTest::newRow("VFAT at 128 M") << "VFAT" << 128 * M << qint64(-2) << qint64(4096);
        QTest::newRow("FAT below 2048 M") << "FAT" << 2048 * M - 1 << qint64(-1) << qint64(32768);
        QTest::newRow("FAT at 2048 M ignores report") << "FAT" << 2048 * M << qint64(4096) << qint64(65536);
        QTest::newRow("FAT32 below 8192 M") << "FAT32" << 8192 * M - 1 << qint64(512) << qint64(4096);
        QTest::newRow("FAT32 at 8192 M") << "FAT32" << 8192 * M << qint64(512) << qint64(8192);
        QTest::newRow("FAT32 at 32768 M") << "FAT32" << 32768 * M << qint64(-1) << qint64(32768);
        QTest::newRow("NTFS at 512 M") << "NTFS" << 512 * M << qint64(4096) << qint64(512);
        QTest::newRow("NTFS at 2048 M") << "NTFS" << 2048 * M << qint64(4096) << qint64(2048);
        QTest::newRow("NTFS above 2048 M") << "NTFS" << 2048 * M + 1 << qint64(-1) << qint64(4096);
        QTest::newRow("NTFS5 at 32768 M") << "NTFS5" << 32768 * M << qint64(-1) << qint64(32768);
        QTest::newRow("NTFS5 huge") << "NTFS5" << 4096 * 1024 * M << qint64(-1) << qint64(65536);
        QTest::newRow("names are case-sensitive") << "ntfs" << 512 * M << qint64(-1) << qint64(4096);
        QTest::newRow("other name") << "ext4" << 512 * M << qint64(1024) << qint64(4096);
    }
    void clusterSizeTable() {
        QFETCH(QString, name);
        QFETCH(qint64, total);
        QFETCH(qint64, reported);
        QFETCH(qint64, expected);
        QCOMPARE(DiskProc::ClusterSizeForFileSystem(name, total, reported), expected);
    }

    void clusterSizeReadsThePathTextFirst_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<qint64>("expected");
        QTest::newRow("A drive") << "A:\\letter.txt" << qint64(512);
        QTest::newRow("b drive") << "b:" << qint64(512);
        QTest::newRow("single letter") << "a" << qint64(512);
        QTest::newRow("C drive does not exist here") << "C:\\" << qint64(4096);
        QTest::newRow("UNC") << "\\\\server\\share\\x" << qint64(4096);
        QTest::newRow("digit") << "1:\\x" << qint64(4096);
        QTest::newRow("empty") << "" << qint64(4096);
    }
    void clusterSizeReadsThePathTextFirst() {
        QFETCH(QString, path);
        QFETCH(qint64, expected);
        QCOMPARE(DiskProc::ClusterSize(path), expected);
    }

    void clusterSizeOfARealFolderIsThatOfItsFileSystem() {
        const QString missing = m_dir.path() + "/not/yet/there.txt";
        const qint64 size = DiskProc::ClusterSize(missing);
        QCOMPARE(size, DiskProc::ClusterSize(m_dir.path()));
        QVERIFY(size >= 512 && size <= 65536);
        QVERIFY(!DiskProc::FileSystemName(m_dir.path()).isEmpty());
        const qint64 perCluster = DiskProc::BytesPerCluster(m_dir.path());
        QVERIFY(perCluster >= 512 && perCluster <= 65536);
    }

    void fatWidthFollowsTheClusterCount() {
        QCOMPARE(DiskProc::FileSystemNameForType(0x4d44, 65524 * 4096LL, 4096), QStringLiteral("FAT"));
        QCOMPARE(DiskProc::FileSystemNameForType(0x4d44, 65525 * 4096LL, 4096), QStringLiteral("FAT32"));
        QCOMPARE(DiskProc::FileSystemNameForType(0x4d44, 0, -1), QStringLiteral("FAT"));
        QCOMPARE(DiskProc::FileSystemNameForType(0x5346544e, 0, 0), QStringLiteral("NTFS"));
        QCOMPARE(DiskProc::FileSystemNameForType(0x12345678, 0, 0), QStringLiteral("0x12345678"));
    }

    void diskSpaceOfTheTemporaryFolder() {
        qint64 freeBytes = -5;
        qint64 totalBytes = -5;
        QCOMPARE(DiskProc::DiskSpace(m_dir.path(), freeBytes, totalBytes), 0);
        QVERIFY(totalBytes > 0);
        QVERIFY(freeBytes >= 0 && freeBytes <= totalBytes);
        const QStorageInfo storage(m_dir.path());
        QCOMPARE(totalBytes, storage.bytesTotal());

        // A folder still to be created lies on the file system of its nearest existing parent.
        qint64 missingTotal = 0;
        QCOMPARE(DiskProc::DiskSpace(m_dir.path() + "/a/b/", freeBytes, missingTotal), 0);
        QCOMPARE(missingTotal, totalBytes);

        double freeDouble = 0;
        double totalDouble = 0;
        QCOMPARE(DiskProc::DiskSpace(m_dir.path(), freeDouble, totalDouble), 0);
        QCOMPARE(totalDouble, double(totalBytes));
        QVERIFY(DiskProc::DriveAccessible(m_dir.path()));
    }

    void driveLetterTextsNameNoDrive() {
        qint64 freeBytes = 7;
        qint64 totalBytes = 8;
        QCOMPARE(DiskProc::DiskSpace(QStringLiteral("c:"), freeBytes, totalBytes), -1);
        QCOMPARE(freeBytes, 7);
        QCOMPARE(totalBytes, 8);
        QCOMPARE(DiskProc::DiskSpace(QString(), freeBytes, totalBytes), -1);
        QVERIFY(!DiskProc::DriveAccessible(QStringLiteral("D:")));
        QCOMPARE(DiskProc::BytesPerCluster(QStringLiteral("C:")), -1);
        QCOMPARE(DiskProc::FirstFixedDrive(), QStringLiteral("/"));
    }
};

QTEST_GUILESS_MAIN(TestDiskProc)
#include "test_diskproc.moc"
