#include "platform/filekit/FileKit.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using TestSupport::pseudoRandomBytes;
using TestSupport::readFile;
using TestSupport::writeFile;

namespace {

constexpr qint64 kMiB = 1 << 20;

QByteArray withByteChanged(QByteArray bytes, qsizetype at) {
    bytes[at] = static_cast<char>(bytes[at] ^ 0x5a);
    return bytes;
}

// Reads a file through a descriptor opened before it was purged, i.e. the contents its inode holds now.
QByteArray readAll(int fd) {
    QByteArray out;
    char buffer[65536];
    ssize_t got;
    ::lseek(fd, 0, SEEK_SET);
    while ((got = ::read(fd, buffer, sizeof buffer)) > 0)
        out.append(buffer, got);
    return out;
}

} // namespace

class TestFileKit : public QObject {
    Q_OBJECT
    QTemporaryDir m_home;
    QString m_dir;
    int m_case = 0;

    QString path(const QString& name) const { return QDir(m_dir).filePath(name); }
    QStringList entries() const {
        return QDir(m_dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    }

private slots:
    void initTestCase() { TestSupport::prepareEnvironment(m_home); }

    void init() {
        m_dir = QDir(m_home.path()).filePath(QStringLiteral("case%1").arg(++m_case));
        QVERIFY(QDir().mkpath(m_dir));
    }

    // --- fr: the conditions that come before any rating ---

    void fileRandomnessErrorCodes() {
        QVERIFY(writeFile(path("empty"), {}));
        QVERIFY(writeFile(path("short"), pseudoRandomBytes(255, 1)));
        QVERIFY(writeFile(path("exact"), pseudoRandomBytes(256, 2)));
        QVERIFY(QDir().mkpath(path("folder")));
        QCOMPARE(::mkfifo(QFile::encodeName(path("fifo")).constData(), 0600), 0);

        QCOMPARE(filekit::fr(path("missing"), 256), -11.0);
        QCOMPARE(filekit::fr(path("missing/inner"), 256), -11.0);
        QCOMPARE(filekit::fr(QString(), 256), -11.0);
        QCOMPARE(filekit::fr(path("folder"), 256), -12.0);
        QCOMPARE(filekit::fr(path("fifo"), 256), -12.0); // must not wait for a writer
        QCOMPARE(filekit::fr(path("empty"), 256), -14.0);
        QCOMPARE(filekit::fr(path("empty"), 0), -14.0);
        QCOMPARE(filekit::fr(path("short"), 256), -15.0);
        QVERIFY(filekit::fr(path("short"), 255) > 0.89);
        QVERIFY(filekit::fr(path("exact"), 256) > 0.89);
    }

    // Files above 4 MiB are sampled; the samples must come from the whole file, not just its start.
    void largeFilesAreSampledThroughout() {
        const QByteArray random = pseudoRandomBytes(9 * kMiB, 3);
        QVERIFY(writeFile(path("random"), random));
        QVERIFY(writeFile(path("randomThenZeros"), random.left(5 * kMiB) + QByteArray(4 * kMiB, '\0')));
        QVERIFY(writeFile(path("zerosThenRandom"), QByteArray(4 * kMiB, '\0') + random.left(5 * kMiB)));
        QVERIFY(writeFile(path("ramp"), [] {
            QByteArray b(6 * kMiB, Qt::Uninitialized);
            for (qsizetype i = 0; i < b.size(); ++i)
                b[i] = static_cast<char>(i * 7);
            return b;
        }()));
        QVERIFY(filekit::fr(path("random"), 256) > 0.99);
        QVERIFY(filekit::fr(path("randomThenZeros"), 256) < 0.8);
        QVERIFY(filekit::fr(path("zerosThenRandom"), 256) < 0.8);
        QVERIFY(filekit::fr(path("ramp"), 256) < 0.1);

        // A sparse file far beyond the buffer sizes reads as zeros.
        const QByteArray sparse = QFile::encodeName(path("sparse"));
        const int fd = ::open(sparse.constData(), O_WRONLY | O_CREAT, 0600);
        QVERIFY(fd >= 0);
        QCOMPARE(::ftruncate(fd, qint64(3) << 30), 0);
        ::close(fd);
        QCOMPARE(filekit::fr(path("sparse"), 256), 0.0);
    }

    // --- compare_files ---

    void compareFiles_data() {
        QTest::addColumn<QByteArray>("first");
        QTest::addColumn<QByteArray>("second");
        QTest::addColumn<qint64>("expected");
        const QByteArray big = pseudoRandomBytes(3 * kMiB + 5, 4);
        const QByteArray small = pseudoRandomBytes(1000, 5);
        QTest::newRow("identical small") << small << small << qint64(-1);
        QTest::newRow("identical over several buffers") << big << big << qint64(-1);
        QTest::newRow("one byte, identical") << QByteArray("x") << QByteArray("x") << qint64(-1);
        QTest::newRow("differ at first byte") << small << withByteChanged(small, 0) << qint64(0);
        QTest::newRow("differ at last byte") << small << withByteChanged(small, 999) << qint64(999);
        QTest::newRow("differ in second buffer") << big << withByteChanged(big, kMiB + 7) << qint64(kMiB + 7);
        QTest::newRow("differ at buffer boundary") << big << withByteChanged(big, kMiB) << qint64(kMiB);
        QTest::newRow("differ at very end") << big << withByteChanged(big, big.size() - 1) << big.size() - 1;
        QTest::newRow("first is prefix") << small.left(600) << small << qint64(600);
        QTest::newRow("second is prefix") << small << small.left(1) << qint64(1);
        QTest::newRow("prefix ending at a buffer end") << big.left(kMiB) << big << qint64(kMiB);
        QTest::newRow("prefix over buffers") << big << big.left(2 * kMiB + 3) << qint64(2 * kMiB + 3);
        QTest::newRow("first empty") << QByteArray() << small << qint64(-31);
        QTest::newRow("second empty") << small << QByteArray() << qint64(-32);
        QTest::newRow("both empty") << QByteArray() << QByteArray() << qint64(-31);
    }

    void compareFiles() {
        QFETCH(QByteArray, first);
        QFETCH(QByteArray, second);
        QFETCH(qint64, expected);
        QVERIFY(writeFile(path("a"), first));
        QVERIFY(writeFile(path("b"), second));
        QCOMPARE(filekit::compare_files(path("a"), path("b")), expected);
    }

    void compareFilesCannotOpenOrRead() {
        QVERIFY(writeFile(path("file"), "content"));
        QVERIFY(writeFile(path("empty"), {}));
        QVERIFY(QDir().mkpath(path("folder")));
        QCOMPARE(filekit::compare_files(path("missing"), path("file")), qint64(-11));
        QCOMPARE(filekit::compare_files(path("file"), path("missing")), qint64(-12));
        QCOMPARE(filekit::compare_files(path("missing"), path("missing")), qint64(-11));
        QCOMPARE(filekit::compare_files(QString(), path("file")), qint64(-11));
        QCOMPARE(filekit::compare_files(path("folder"), path("file")), qint64(-21));
        QCOMPARE(filekit::compare_files(path("file"), path("folder")), qint64(-22));
        // Opening comes before reading, reading before emptiness, the first file before the second; an empty
        // first file is reported whatever the second one is.
        QCOMPARE(filekit::compare_files(path("folder"), path("missing")), qint64(-12));
        QCOMPARE(filekit::compare_files(path("empty"), path("folder")), qint64(-31));
        QCOMPARE(filekit::compare_files(path("empty"), path("missing")), qint64(-31));
        QCOMPARE(filekit::compare_files(path("file"), path("file")), qint64(-1));
    }

    // --- purge_file ---

    void purgeOverwritesThenRemoves() {
        const QByteArray original = pseudoRandomBytes(2 * kMiB + 123, 6);
        QVERIFY(writeFile(path("plain.txt"), original));
        QVERIFY(writeFile(path("neighbour"), "stays"));
        // A descriptor opened before the purge still sees the inode, and so what was left in it.
        const int fd = ::open(QFile::encodeName(path("plain.txt")).constData(), O_RDONLY);
        QVERIFY(fd >= 0);
        QCOMPARE(filekit::purge_file(path("plain.txt"), 1000, 0, -1), 1);
        const QByteArray left = readAll(fd);
        ::close(fd);

        QVERIFY(!QFileInfo::exists(path("plain.txt")));
        QCOMPARE(entries(), QStringList{QStringLiteral("neighbour")});
        QCOMPARE(left.size(), original.size());
        for (qsizetype at = 0; at + 4096 <= left.size(); at += 4096)
            QVERIFY2(left.mid(at, 4096) != original.mid(at, 4096), qPrintable(QString::number(at)));
        QVERIFY(left.right(123) != original.right(123));
    }

    void purgeWithoutOverwriteOnlyRemoves() {
        QVERIFY(writeFile(path("cipher.bin"), "ciphertext"));
        const int fd = ::open(QFile::encodeName(path("cipher.bin")).constData(), O_RDONLY);
        QVERIFY(fd >= 0);
        QCOMPARE(filekit::purge_file(path("cipher.bin"), 0, 0, -1), 0);
        QCOMPARE(readAll(fd), QByteArray("ciphertext"));
        ::close(fd);
        QVERIFY(entries().isEmpty());
    }

    void purgeSpecialEntries() {
        QVERIFY(writeFile(path("target"), "the target"));
        QVERIFY(QFile::link(path("target"), path("link")));
        QCOMPARE(filekit::purge_file(path("link"), 1000, 0, -1), -1);
        QCOMPARE(readFile(path("target")), QByteArray("the target"));
        QCOMPARE(entries(), QStringList{QStringLiteral("target")});

        QVERIFY(QFile::link(path("nowhere"), path("dangling")));
        QCOMPARE(filekit::purge_file(path("dangling"), 1000, 0, -1), -1);
        QVERIFY(!QFileInfo(path("dangling")).isSymLink());
        QVERIFY(!QFileInfo::exists(path("nowhere")));

        QCOMPARE(::link(QFile::encodeName(path("target")).constData(), QFile::encodeName(path("second")).constData()),
                 0);
        QCOMPARE(filekit::purge_file(path("second"), 1000, 0, -1), -2);
        QCOMPARE(readFile(path("target")), QByteArray("the target"));

        QVERIFY(writeFile(path("readonly"), "read-only contents"));
        QVERIFY(QFile::setPermissions(path("readonly"), QFile::ReadOwner));
        QCOMPARE(filekit::purge_file(path("readonly"), 1000, 0, -1), 1);
        QVERIFY(writeFile(path("empty"), {}));
        QCOMPARE(filekit::purge_file(path("empty"), 1000, 0, -1), 1);
        QCOMPARE(entries(), QStringList{QStringLiteral("target")});
    }

    // The two halves of a purge of many files: the overwrite leaves the file in place, overwritten, and never
    // touches a file with other names or a link; the removal then takes the name away.
    void purgeInTwoSteps() {
        const QByteArray original = pseudoRandomBytes(70000, 9);
        QVERIFY(writeFile(path("plain"), original));
        QCOMPARE(filekit::purge_file(path("plain"), 1000, 0, -1, filekit::PurgeSteps::OverwriteUnsynced), 1);
        const QByteArray overwritten = readFile(path("plain"));
        QCOMPARE(overwritten.size(), original.size());
        QVERIFY(overwritten.left(4096) != original.left(4096) && overwritten.right(100) != original.right(100));
        QCOMPARE(filekit::purge_file(path("plain"), 1000, 0, -1, filekit::PurgeSteps::RemoveOverwritten), 1);
        QVERIFY(entries().isEmpty());
        QCOMPARE(filekit::purge_file(path("plain"), 1000, 0, -1, filekit::PurgeSteps::RemoveOverwritten), -11);

        QVERIFY(writeFile(path("target"), "the target"));
        QCOMPARE(::link(QFile::encodeName(path("target")).constData(), QFile::encodeName(path("second")).constData()),
                 0);
        QVERIFY(QFile::link(path("target"), path("link")));
        for (const char* name : {"second", "link"})
            QCOMPARE(filekit::purge_file(path(name), 1000, 0, -1, filekit::PurgeSteps::OverwriteUnsynced), 0);
        QCOMPARE(filekit::purge_file(path("target"), 0, 0, -1, filekit::PurgeSteps::OverwriteUnsynced), 0);
        QCOMPARE(readFile(path("target")), QByteArray("the target"));
    }

    void purgeFailures() {
        QVERIFY(QDir().mkpath(path("folder")));
        QVERIFY(writeFile(path("file"), "x"));
        QCOMPARE(filekit::purge_file(path("missing"), 1000, 0, -1), -11);
        QCOMPARE(filekit::purge_file(path("missing/deeper"), 0, 0, -1), -11);
        QCOMPARE(filekit::purge_file(path("folder"), 1000, 0, -1), -12);
        QCOMPARE(filekit::purge_file(path("folder"), 0, 0, -1), -12);
        QVERIFY(QFileInfo(path("folder")).isDir());
        QCOMPARE(filekit::purge_file(QString(), 1000, 0, -1), -4);
        QCOMPARE(filekit::purge_file(path("file"), -1, 0, -1), -4);
        QVERIFY(QFileInfo::exists(path("file")));
    }

    // --- new file names ---

    void newFilepathExtension() {
        const QString base = path("out.tmp");
        QCOMPARE(filekit::new_filepath_extension(base), qint64(1));
        QVERIFY(writeFile(base + "1", "x"));
        QVERIFY(QDir().mkpath(base + "2"));
        QVERIFY(QFile::link(path("nowhere"), base + "3"));
        QVERIFY(writeFile(base + "5", "x"));
        QCOMPARE(filekit::new_filepath_extension(base), qint64(4));
        QCOMPARE(filekit::new_filepath_extension(QString()), qint64(0));
    }

    void newFileCreatable() {
        QVERIFY(writeFile(path("existing"), "x"));
        QVERIFY(QFile::link(path("nowhere"), path("dangling")));
        QCOMPARE(filekit::new_file_creatable(path("fresh")), 1);
        QCOMPARE(filekit::new_file_creatable(path("existing")), 0);
        QCOMPARE(filekit::new_file_creatable(path("dangling")), 0);
        QCOMPARE(filekit::new_file_creatable(path("no/such/folder/file")), 0);
        QCOMPARE(filekit::new_file_creatable(QString()), 0);
        QCOMPARE(entries(), (QStringList{QStringLiteral("dangling"), QStringLiteral("existing")}));
    }
};

QTEST_GUILESS_MAIN(TestFileKit)
#include "test_filekit.moc"
