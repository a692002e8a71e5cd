// A run answers for every entry of a real folder: names that are bytes, names with wildcard characters, links,
// pipes and sockets, and trees of more folders than a process may have open files.
#include "support/CliProcess.h"
#include "support/TestSupport.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <climits>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using CliProcess::rawTree;
using CliProcess::writeRaw;

namespace {

const QByteArray kKey = "correct horse battery staple";

// Names a user's folder really holds: Latin-1 bytes, wildcard and separator characters of other systems,
// control characters.
const QList<QByteArray> kOddNames = {
    "caf\xe9.txt",
    "2024-01-01T10:30:00.log",
    "a:b.txt",
    "a?b.txt",
    "a*b.txt",
    "a\\b.txt",
    "report.2024.txt",
    "esc\x1b[2Jx.txt",
    "line\nbreak.txt",
    "d\xe9p\xf4t/inner.txt",
    "d\xe9p\xf4t/\xff\xfe.log",
};

bool makeSocket(const QByteArray& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (fd < 0 || size_t(path.size()) >= sizeof addr.sun_path)
        return false;
    memcpy(addr.sun_path, path.constData(), size_t(path.size()));
    const bool ok = ::bind(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0;
    ::close(fd);
    return ok;
}

} // namespace

class TestCliEntries : public QObject {
    Q_OBJECT

    QTemporaryDir m_home;
    int m_n = 0;

    QByteArray fresh() {
        const QByteArray dir = QFile::encodeName(m_home.path()) + "/t" + QByteArray::number(++m_n) + '/';
        ::mkdir(dir.constData(), 0700);
        return dir;
    }
    CliProcess::Outcome runOperation(const QByteArray& opn, QStringList extra = {},
                                     const std::function<void()>& childSetup = nullptr) {
        const QByteArray dir = fresh();
        writeRaw(dir + "op.opn", opn);
        writeRaw(dir + "k.key", kKey);
        extra << "--run" << QFile::decodeName(dir + "op.opn") << "--keyfile" << QFile::decodeName(dir + "k.key");
        return CliProcess::run(extra, QByteArray(), childSetup);
    }

private slots:
    void initTestCase() { TestSupport::prepareEnvironment(m_home); }
    void cleanupTestCase() { CliProcess::removeRaw(QFile::encodeName(m_home.path())); }

    // In place with subfolders: every regular file is encrypted under its exact bytes and comes back; a link, a
    // pipe and a socket that match get a line each and are left alone; no name reaches the terminal raw.
    void everyEntryOfAMessyFolderIsAnsweredFor() {
        const QByteArray in = fresh();
        for (const QByteArray& name : kOddNames)
            QVERIFY(writeRaw(in + name, "plaintext of " + name));
        QCOMPARE(::symlink("a:b.txt", (in + "link.txt").constData()), 0);
        QCOMPARE(::mkfifo((in + "fifo.txt").constData(), 0600), 0);
        QVERIFY(makeSocket(in + "sock.txt"));
        const QMap<QByteArray, QByteArray> original = rawTree(in);
        QCOMPARE(original.size(), kOddNames.size());

        const CliProcess::Outcome enc =
            runOperation(CliProcess::operationFileText(true, true, true, in, "*.*", in, "*.*"), {"--yes"});
        QVERIFY2(enc.status == 0, qPrintable(enc.out + enc.err));
        const QMap<QByteArray, QByteArray> encrypted = rawTree(in);
        QCOMPARE(encrypted.keys(), original.keys());
        for (auto it = encrypted.cbegin(); it != encrypted.cend(); ++it)
            QVERIFY2(it.value().startsWith("ZQ4E"), it.key().constData());
        QVERIFY(enc.out.contains("link.txt      a symbolic link: not followed\n"));
        QVERIFY(enc.out.contains("fifo.txt      not a regular file\n"));
        QVERIFY(enc.out.contains("sock.txt      not a regular file\n"));
        QVERIFY(enc.out.contains("caf\\xe9.txt"));
        QVERIFY(enc.out.contains("in " + QFile::decodeName(in) + "d\\xe9p\\xf4t/"));
        QVERIFY(enc.out.contains("esc\\x1b[2Jx.txt") && enc.out.contains("line\\nbreak.txt"));
        QVERIFY(!enc.out.contains(QChar(0x1b)) && !enc.out.contains(QChar(0xFFFD)));
        QCOMPARE(enc.out.count(" -> "), kOddNames.size());

        const CliProcess::Outcome dec =
            runOperation(CliProcess::operationFileText(false, true, true, in, "*.*", in, "*.*"), {"--yes"});
        QVERIFY2(dec.status == 0, qPrintable(dec.out + dec.err));
        QCOMPARE(rawTree(in), original);
    }

    // The operation file, the keyfile and the report file are found by the bytes of their names, as the shell
    // passes them.
    void commandLinePathsAreBytes() {
        const QByteArray dir = fresh(), in = fresh();
        QVERIFY(writeRaw(in + "a.txt", "plaintext"));
        QVERIFY(
            writeRaw(dir + "op\xe9.opn", CliProcess::operationFileText(true, false, false, in, "*.txt", in, "*.enc")));
        QVERIFY(writeRaw(dir + "k\xe9.key", kKey));
        QProcess p;
        p.setWorkingDirectory(QFile::decodeName(dir));
        p.start("/bin/sh", {"-c",
                            "exec \"$0\" --run \"$(printf 'op\\351.opn')\" --keyfile \"$(printf 'k\\351.key')\" "
                            "--report \"$(printf 'r\\351p.txt')\"",
                            CliProcess::program()});
        QVERIFY(p.waitForFinished(60000));
        const QByteArray out = p.readAllStandardOutput();
        QVERIFY2(p.exitCode() == 0, p.readAllStandardError().constData());
        QVERIFY(out.contains("a.txt ") && out.contains("-> a.enc"));
        QCOMPARE(rawTree(dir).value("r\xe9p.txt"), out);
    }

    // To new files, output names are made from the input's bytes, and decrypting them gives back every byte.
    void newFilesKeepTheBytesOfTheirNames() {
        const QByteArray in = fresh(), mid = fresh(), out = fresh();
        const QList<QByteArray> names = {"caf\xe9.txt", "a?b.txt", "a*b.txt", "a\\b.txt", "report.2024.txt"};
        for (const QByteArray& name : names)
            QVERIFY(writeRaw(in + name, "text of " + name));
        const CliProcess::Outcome enc =
            runOperation(CliProcess::operationFileText(true, false, false, in, "*.txt", mid, "*.enc"));
        QVERIFY2(enc.status == 0, qPrintable(enc.out + enc.err));
        QList<QByteArray> expected;
        for (QByteArray name : names)
            expected << name.replace(".txt", ".enc");
        std::sort(expected.begin(), expected.end());
        QCOMPARE(rawTree(mid).keys(), expected);

        const CliProcess::Outcome dec =
            runOperation(CliProcess::operationFileText(false, false, false, mid, "*.enc", out, "*.txt"));
        QVERIFY2(dec.status == 0, qPrintable(dec.out + dec.err));
        QCOMPARE(rawTree(out), rawTree(in));
    }

    // A folder the run cannot read (here: its path is longer than the system allows) is named in the report and the
    // run does not say every file was done.
    void unreadableFolderIsNamedAndTheRunFails() {
        const QByteArray in = fresh();
        QVERIFY(writeRaw(in + "a.txt", "reachable"));
        // Folders of 255-byte names, nested until the path of the deepest is too long to be opened as a whole.
        const QByteArray part(255, 'd');
        int fd = ::open(in.constData(), O_RDONLY | O_DIRECTORY);
        QByteArray deepest = in;
        for (int depth = 0; deepest.size() <= PATH_MAX; ++depth) {
            QCOMPARE(::mkdirat(fd, part.constData(), 0700), 0);
            const int next = ::openat(fd, part.constData(), O_RDONLY | O_DIRECTORY);
            ::close(fd);
            fd = next;
            QVERIFY(fd >= 0);
            deepest += part + '/';
        }
        ::close(fd);
        const CliProcess::Outcome enc =
            runOperation(CliProcess::operationFileText(true, true, true, in, "*.*", in, "*.*"), {"--yes"});
        QCOMPARE(enc.status, 1);
        QVERIFY2(enc.out.contains("could not be read (File name too long); nothing in it was encrypted."),
                 qPrintable(enc.out.right(600)));
        QVERIFY(rawTree(in).value("a.txt").startsWith("ZQ4E"));
        QProcess::execute(QStringLiteral("rm"), {QStringLiteral("-rf"), QFile::decodeName(in)}); // too deep for QDir
    }

    // More than the process may have open files: 1,100 folders in place, every one of them done, or 1,100 files to
    // new files, whose results wait unnamed, each holding a descriptor, until their group names them.
    void moreThanTheOpenFilesAllowed_data() {
        QTest::addColumn<bool>("inPlace");
        QTest::newRow("folders, in place") << true;
        QTest::newRow("files, to new files") << false;
    }
    void moreThanTheOpenFilesAllowed() {
        QFETCH(bool, inPlace);
        const QByteArray in = fresh();
        const int count = 1100;
        for (int i = 0; i < count; ++i)
            QVERIFY(writeRaw(in + "f" + QByteArray::number(i) + (inPlace ? "/a.txt" : ".txt"), "x"));
        const CliProcess::Outcome enc = runOperation(
            CliProcess::operationFileText(true, inPlace, inPlace, in, "*.txt", in, inPlace ? "*.txt" : "*.enc"),
            {"--yes", "--quiet"}, [] {
                const rlimit limit{1024, 1024};
                ::setrlimit(RLIMIT_NOFILE, &limit);
            });
        QVERIFY2(enc.status == 0, qPrintable(enc.err.left(2000)));
        const QMap<QByteArray, QByteArray> tree = rawTree(in);
        QCOMPARE(tree.size(), inPlace ? count : 2 * count);
        for (auto it = tree.cbegin(); it != tree.cend(); ++it)
            QVERIFY2(it.value().startsWith(inPlace || it.key().endsWith(".enc") ? "ZQ4E" : "x"), it.key().constData());
    }
};

QTEST_GUILESS_MAIN(TestCliEntries)
#include "test_cli_entries.moc"
