// The command line as a user meets it: the real executable run as a process over real folders.
#include "support/CliProcess.h"
#include "support/TestSupport.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

const QByteArray kKey = "correct horse battery staple";

using Outcome = CliProcess::Outcome;

// Every file under a folder (relative path -> bytes).
QMap<QString, QByteArray> treeOf(const QString& folder) {
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files.insert(QDir(folder).relativeFilePath(path), TestSupport::readFile(path));
    }
    return files;
}

// Whether the process holds a file of `folder` open: a result being written shows there before it has a name.
bool writesInto(qint64 pid, const QString& folder) {
    const QByteArray fds = "/proc/" + QByteArray::number(pid) + "/fd/";
    for (const QString& fd : QDir(QFile::decodeName(fds)).entryList(QDir::AllEntries | QDir::System)) {
        char target[4096];
        const ssize_t n = ::readlink((fds + QFile::encodeName(fd)).constData(), target, sizeof target);
        if (n > 0 && QFile::decodeName(QByteArray(target, int(n))).startsWith(folder))
            return true;
    }
    return false;
}

QByteArray sha256Of(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(&file);
    return hash.result();
}

} // namespace

class TestCli : public QObject {
    Q_OBJECT

    QTemporaryDir m_home;
    int m_folder = 0;

    QString program() const { return CliProcess::program(); }
    QString tmp(const QString& rel) const { return QDir(m_home.path()).filePath(rel); }
    QString freshFolder() {
        const QString dir = tmp(QStringLiteral("t%1/").arg(++m_folder));
        QDir().mkpath(dir);
        return dir;
    }

    // An operation file of nine lines as the window saves it.
    QString operationFile(bool encrypt, bool same, bool subfolders, const QString& in, const QString& inSpec,
                          const QString& out, const QString& outSpec) {
        const QString path = tmp(QStringLiteral("op%1.opn").arg(++m_folder));
        auto flag = [](bool b) { return b ? QByteArray(" 1 ") : QByteArray(" 0 "); };
        const QByteArray text = "7.77\r\n" + flag(encrypt) + "\r\n 0 \r\n" + flag(same) + "\r\n" + flag(subfolders) +
                                "\r\n" + in.toUtf8() + "\r\n" + inSpec.toUtf8() + "\r\n" + out.toUtf8() + "\r\n" +
                                outSpec.toUtf8() + "\r\n";
        TestSupport::writeFile(path, text);
        return path;
    }
    QString keyfile(const QByteArray& bytes = kKey) {
        const QString path = tmp(QStringLiteral("key%1.bin").arg(++m_folder));
        TestSupport::writeFile(path, bytes);
        return path;
    }
    // A folder tree of text, binary, empty-looking and nested files.
    QString tree() {
        const QString dir = freshFolder();
        TestSupport::writeFile(dir + "letter.txt", QByteArray("Dear reader,\r\nthe key is not here.\r\n").repeated(40));
        TestSupport::writeFile(dir + "notes.txt", "short");
        TestSupport::writeFile(dir + "image.dat", TestSupport::pseudoRandomBytes(200000, 7));
        TestSupport::writeFile(dir + "deep/er/inner.txt", TestSupport::pseudoRandomBytes(70000, 8));
        TestSupport::writeFile(dir + "deep/side.txt", "side");
        return dir;
    }

    Outcome run(const QStringList& args, const QByteArray& input = QByteArray()) {
        return CliProcess::run(args, input);
    }
    // The run with the key given one way or the other.
    Outcome runWithKey(bool onStdin, QStringList args, const QByteArray& key = kKey) {
        if (onStdin)
            return run(args << QStringLiteral("--key-stdin"), key + "\n");
        return run(args << QStringLiteral("--keyfile") << keyfile(key));
    }

private slots:
    void initTestCase() {
        TestSupport::prepareEnvironment(m_home);
        QVERIFY2(QFileInfo(program()).isExecutable(), qPrintable(program()));
    }

    // Encrypt and decrypt, to new files and in place, with a keyfile and with the key on standard input:
    // every byte comes back, and the report says what was done.
    void roundTrip_data() {
        QTest::addColumn<bool>("inPlace");
        QTest::addColumn<bool>("keyOnStdin");
        QTest::newRow("new files, keyfile") << false << false;
        QTest::newRow("new files, key on stdin") << false << true;
        QTest::newRow("in place with subfolders, keyfile") << true << false;
        QTest::newRow("in place with subfolders, key on stdin") << true << true;
    }
    void roundTrip() {
        QFETCH(bool, inPlace);
        QFETCH(bool, keyOnStdin);
        const QString in = tree();
        const QMap<QString, QByteArray> original = treeOf(in);
        const QString report = tmp(QStringLiteral("report%1.txt").arg(++m_folder));

        if (inPlace) {
            const Outcome enc = runWithKey(keyOnStdin, {"--run", operationFile(true, true, true, in, "*.*", in, "*.*"),
                                                        "--yes", "--report", report});
            QVERIFY2(enc.status == 0, qPrintable(enc.err));
            QVERIFY(enc.out.contains("Encrypting *.* in " + in + "\n"));
            QVERIFY(enc.out.contains("Encrypting *.* in " + in + "deep/er/\n"));
            QVERIFY(enc.out.contains("Number of files encrypted: 5\n"));
            QCOMPARE(TestSupport::readFile(report), enc.out.toUtf8());
            // The report names the files: it is as private as the umask allows, never more.
            QCOMPARE(QFileInfo(report).permissions() & (QFile::ReadGroup | QFile::ReadOther), QFile::Permissions());
            const QMap<QString, QByteArray> encrypted = treeOf(in);
            QCOMPARE(encrypted.keys(), original.keys());
            for (const QString& name : original.keys())
                QVERIFY2(encrypted[name] != original[name] && encrypted[name].startsWith("ZQ4E"), qPrintable(name));

            const Outcome dec = runWithKey(
                keyOnStdin, {"--run", operationFile(false, true, true, in, "*.*", in, "*.*"), "--yes", "--quiet"});
            QVERIFY2(dec.status == 0, qPrintable(dec.err));
            QCOMPARE(dec.out, QString());
            QCOMPARE(treeOf(in), original);
            return;
        }

        const QString enc = freshFolder();
        const QString dec = freshFolder();
        const Outcome e = runWithKey(
            keyOnStdin, {"--run", operationFile(true, false, false, in, "*.*", enc, "*.zq4"), "--report", report});
        QVERIFY2(e.status == 0, qPrintable(e.err));
        QVERIFY(e.out.contains("Number of files encrypted: 3\n"));
        QVERIFY(e.out.contains("letter.txt    1,440 bytes   -> letter.zq4  "));
        QCOMPARE(TestSupport::readFile(report), e.out.toUtf8());
        QCOMPARE(treeOf(in), original);
        QCOMPARE(treeOf(enc).keys(), QStringList({"image.zq4", "letter.zq4", "notes.zq4"}));

        const Outcome d =
            runWithKey(keyOnStdin, {"--run", operationFile(false, false, false, enc, "*.zq4", dec, "*.*")});
        QVERIFY2(d.status == 0, qPrintable(d.err));
        QVERIFY(d.out.contains("Decrypting *.zq4 in " + enc + "\n"));
        // The output file pattern *.* keeps the names: the files come back under their .zq4 names.
        const QMap<QString, QByteArray> back = treeOf(dec);
        QCOMPARE(back.size(), 3);
        QCOMPARE(back.value("letter.zq4"), original.value("letter.txt"));
        QCOMPARE(back.value("notes.zq4"), original.value("notes.txt"));
        QCOMPARE(back.value("image.zq4"), original.value("image.dat"));
    }

    // Nothing is touched and the status is 2 when the operation file, the key, an option or a launch check is
    // wrong; the message is the window's.
    void refusals_data() {
        QTest::addColumn<QString>("situation");
        QTest::addColumn<QString>("message");
        QTest::newRow("broken operation file") << "broken"
                                               << "Error: Error when attempting to load setup from file ";
        QTest::newRow("missing operation file") << "no file"
                                                << " not found!";
        QTest::newRow("missing folder") << "no folder"
                                        << "Error: Input file(s) not specified.";
        QTest::newRow("in place without --yes")
            << "no yes"
            << ".opn: the operation works in place (each file is replaced by its result); give --yes to perform it.";
        QTest::newRow("no key") << "no key"
                                << "Encryption key not specified: Please specify the encryption key.";
        QTest::newRow("unsuitable keyfile") << "short keyfile"
                                            << " is not a suitable keyfile.";
        QTest::newRow("missing keyfile") << "no keyfile"
                                         << "nokey.bin: the keyfile cannot be read (no such file or directory).";
        QTest::newRow("short key on stdin") << "short key"
                                            << "zq4: the key needs at least 16 characters other than blanks.";
        QTest::newRow("key on stdin too long") << "long key"
                                               << "zq4: the key has more than 64 characters.";
        QTest::newRow("decryption in place without --yes")
            << "no yes, decrypting"
            << ".opn: the operation works in place (each file is replaced by its result); give --yes to perform it.";
        QTest::newRow("output that is another input") << "output is an input"
                                                      << "would replace the input file ";
        QTest::newRow("nothing matches")
            << "no match"
            << "Empty folder: The input folder contains no matching files and no subfolders.";
        QTest::newRow("duplicate output names")
            << "duplicates"
            << "produces duplicate output filenames!\n\na.txt and b.doc would both become same.enc.";
        QTest::newRow("unknown option") << "bad option"
                                        << "unknown option --colour (see zq4 --help).";
        QTest::newRow("two keys") << "two keys"
                                  << "either with --keyfile or with --key-stdin";
        QTest::newRow("no operation") << "no operation"
                                      << "give a command: zq4 encrypt, decrypt or verify, --run or --randomness";
        QTest::newRow("report cannot be written") << "bad report"
                                                  << "cannot write the report to ";
        QTest::newRow("output specification with a folder") << "spec with folder"
                                                            << "must not contain \"/\"";
    }
    void refusals() {
        QFETCH(QString, situation);
        QFETCH(QString, message);
        const QString in = freshFolder();
        TestSupport::writeFile(in + "a.txt", "alpha");
        TestSupport::writeFile(in + "b.doc", "bravo");
        const QString out = freshFolder();
        const QMap<QString, QByteArray> before = treeOf(in);
        QString op = operationFile(true, false, false, in, "*.*", out, "*.enc");
        QStringList args{"--run", op, "--keyfile", keyfile()};
        QByteArray input;
        if (situation == "broken") {
            TestSupport::writeFile(op, "7.77\r\n 1 \r\n 0 \r\n 0 \r\n 0 \r\n" + in.toUtf8() + "\r\n*.*\r\n");
        } else if (situation == "no file") {
            args[1] = tmp("missing.opn");
        } else if (situation == "no folder") {
            args[1] = operationFile(true, false, false, in + "gone/", "*.*", out, "*.enc");
        } else if (situation == "no yes") {
            args[1] = operationFile(true, true, false, in, "*.*", in, "*.*");
        } else if (situation == "no yes, decrypting") {
            args[1] = operationFile(false, true, false, in, "*.*", in, "*.*");
        } else if (situation == "output is an input") {
            // a.txt's output a.doc is the second input, b.doc, through a link in the output folder.
            QVERIFY(QFile::link(in + "b.doc", out + "a.doc"));
            args[1] = operationFile(true, false, false, in, "*.*", out, "*.doc");
            args << "--overwrite";
        } else if (situation == "no key") {
            args = QStringList{"--run", op};
        } else if (situation == "short keyfile") {
            args[3] = keyfile("fifteen chars!!");
        } else if (situation == "no keyfile") {
            args[3] = tmp("nokey.bin");
        } else if (situation == "short key" || situation == "long key") {
            args = QStringList{"--run", op, "--key-stdin"};
            input = situation == "short key" ? "ABCDEFGH IJKLMNO\n" : QByteArray(65, 'k') + "\n";
        } else if (situation == "no match") {
            args[1] = operationFile(true, false, false, in, "*.xls", out, "*.enc");
        } else if (situation == "duplicates") {
            args[1] = operationFile(true, false, false, in, "*.*", out, "same.enc");
        } else if (situation == "bad option") {
            args << "--colour";
        } else if (situation == "two keys") {
            args << "--key-stdin";
        } else if (situation == "spec with folder") {
            args[1] = operationFile(true, false, false, in, "*.*", out, "../*.x");
        } else if (situation == "bad report") {
            args << "--report" << in + "no/such/folder/report.txt";
        } else if (situation == "no operation") {
            args.removeFirst();
            args.removeFirst();
        }
        const Outcome o = run(args, input);
        QCOMPARE(o.status, 2);
        QVERIFY2(o.err.contains(message), qPrintable(o.err));
        QCOMPARE(o.out, QString());
        QCOMPARE(treeOf(in), before);
        QVERIFY(treeOf(out).isEmpty() || situation == "output is an input");
    }

    // A file that cannot be decrypted is not done: with a wrong key no output is left; a file that does not look
    // encrypted is skipped (the window's question answered No) and the run goes on. Status 1 for both.
    void filesNotDone_data() {
        QTest::addColumn<bool>("wrongKey");
        QTest::newRow("wrong key") << true;
        QTest::newRow("not encrypted") << false;
    }
    void filesNotDone() {
        QFETCH(bool, wrongKey);
        const QString in = freshFolder();
        TestSupport::writeFile(in + "a.txt", TestSupport::pseudoRandomBytes(5000, 1));
        const QString enc = freshFolder();
        QCOMPARE(runWithKey(false, {"--run", operationFile(true, false, false, in, "*.txt", enc, "*.enc")}).status, 0);
        if (!wrongKey)
            TestSupport::writeFile(enc + "0plain.enc", QByteArray("plain words, not a cipher. ").repeated(40));
        const QString dec = freshFolder();
        const Outcome o = runWithKey(true, {"--run", operationFile(false, false, false, enc, "*.enc", dec, "*.txt")},
                                     wrongKey ? "a different key entirely" : kKey);
        QCOMPARE(o.status, 1);
        if (wrongKey) {
            QVERIFY2(o.out.contains("a.enc         5,080 bytes   "), qPrintable(o.out));
            QVERIFY(!o.out.contains("Number of files decrypted: 1"));
            QVERIFY(treeOf(dec).isEmpty());
        } else {
            QVERIFY2(o.out.contains("0plain.enc    1,080 bytes   skipped (file seems not encrypted)\n"),
                     qPrintable(o.out));
            QVERIFY(o.err.contains(
                "Anomaly: This file appears NOT to be encrypted?\nAttempt to decrypt it anyway? [answered No]"));
            QVERIFY(o.err.contains("Abort?: Abort this decryption operation? [answered No]"));
            QCOMPARE(treeOf(dec).keys(), QStringList({"a.txt"}));
            QCOMPARE(treeOf(dec).value("a.txt"), TestSupport::readFile(in + "a.txt"));
        }
    }

    // The randomness listing tells encrypted from plain files.
    void randomnessListing() {
        const QString in = freshFolder();
        TestSupport::writeFile(in + "plain.txt", QByteArray("plain text, plainly. ").repeated(50));
        TestSupport::writeFile(in + "tiny.txt", "tiny");
        const QString enc = freshFolder();
        QCOMPARE(runWithKey(false, {"--run", operationFile(true, false, false, in, "plain.txt", enc, "*.enc")}).status,
                 0);
        QVERIFY(QFile::copy(enc + "plain.enc", in + "plain.enc"));
        const Outcome o = run({"--randomness", in});
        QCOMPARE(o.status, 0);
        QVERIFY2(o.out.startsWith(in + "\n"), qPrintable(o.out));
        QVERIFY(o.out.contains(" * plain.enc (1,130 bytes)"));
        QVERIFY(o.out.contains("        tiny.txt (4 bytes)"));
        QVERIFY(o.out.contains("Number of files processed: 3\n"));
        const QStringList plain = o.out.split('\n').filter("plain.txt");
        QCOMPARE(plain.size(), 1);
        QVERIFY(!plain.first().contains(" * "));

        const Outcome none = run({"--randomness", in, "*.xls"});
        QCOMPARE(none.status, 2);
        QVERIFY(none.err.contains("Randomness report: There are no files in " + in + " matching *.xls."));
    }

    // A signal during a large file stops the run like the Stop button: the file is finished, the next one
    // is not started, nothing half-written lies under an output name, and the status is 3. A second signal
    // abandons the file in progress instead, leaving no trace of it.
    void signalStopsAfterTheCurrentFile_data() {
        QTest::addColumn<bool>("inPlace");
        QTest::addColumn<bool>("twice"); // a second signal abandons the file in progress
        QTest::newRow("to new files") << false << false;
        QTest::newRow("in place") << true << false;
        QTest::newRow("to new files, signalled twice") << false << true;
        QTest::newRow("in place, signalled twice") << true << true;
    }
    void signalStopsAfterTheCurrentFile() {
        QFETCH(bool, inPlace);
        QFETCH(bool, twice);
        const QString in = freshFolder();
        const QString big = in + "a_big.dat";
        {
            QFile f(big);
            QVERIFY(f.open(QIODevice::WriteOnly));
            const QByteArray block = TestSupport::pseudoRandomBytes(1 << 20, 3);
            for (int i = 0; i < 300; ++i) {
                QByteArray b = block;
                b[0] = char(i);
                QCOMPARE(f.write(b), b.size());
            }
        }
        TestSupport::writeFile(in + "b_small.dat", "small");
        const QByteArray bigHash = sha256Of(big);
        const QString out = inPlace ? in : freshFolder();
        const QString op = inPlace ? operationFile(true, true, false, in, "*.dat", in, "*.dat")
                                   : operationFile(true, false, false, in, "*.dat", out, "*.enc");
        QProcess p;
        const QString reportPath = tmp(QStringLiteral("stopped%1.txt").arg(++m_folder));
        p.start(program(), {"--run", op, "--keyfile", keyfile(), "--yes", "--report", reportPath});
        QVERIFY(p.waitForStarted());
        // The run has started on the large file once its result is open, or a file appears beside it.
        const auto entries = [&out] { return QDir(out).entryList(QDir::Files | QDir::Hidden).size(); };
        const int entriesBefore = entries();
        QElapsedTimer waited;
        waited.start();
        while (entries() == entriesBefore && (inPlace || !writesInto(p.processId(), out)) &&
               p.state() == QProcess::Running && waited.elapsed() < 120000)
            QThread::msleep(2);
        QCOMPARE(p.state(), QProcess::Running);
        ::kill(pid_t(p.processId()), SIGTERM);
        if (twice) {
            QThread::msleep(50);
            ::kill(pid_t(p.processId()), SIGINT);
        }
        QVERIFY(p.waitForFinished(600000));
        const QString report = QString::fromUtf8(p.readAllStandardOutput());
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 3);
        QVERIFY(QString::fromUtf8(p.readAllStandardError()).contains("stopping after the current file"));
        QVERIFY(!report.contains("b_small.dat"));
        QCOMPARE(TestSupport::readFile(in + "b_small.dat"), QByteArray("small"));
        QVERIFY(TestSupport::readFile(reportPath)
                    .endsWith("\nThe run was stopped by a signal; 1 matching file was not reached.\n"));
        if (twice) {
            // Abandoned: the original as it was, no result and nothing left of it.
            QVERIFY2(!report.contains("a_big.dat     314,572,800 bytes   -> "), qPrintable(report));
            QCOMPARE(QDir(out).entryList(QDir::Files | QDir::Hidden),
                     inPlace ? QStringList({"a_big.dat", "b_small.dat"}) : QStringList());
            QCOMPARE(sha256Of(big), bigHash);
            return;
        }
        QVERIFY2(report.contains("a_big.dat     314,572,800 bytes   -> "), qPrintable(report));

        // Exactly the finished result, under its own name; the small file untouched.
        const QString result = inPlace ? big : out + "a_big.enc";
        QCOMPARE(QDir(out).entryList(QDir::Files | QDir::Hidden),
                 inPlace ? QStringList({"a_big.dat", "b_small.dat"}) : QStringList({"a_big.enc"}));
        const QString back = freshFolder();
        const Outcome d = runWithKey(false, {"--run", operationFile(false, false, false, QFileInfo(result).path() + "/",
                                                                    QFileInfo(result).fileName(), back, "a_big.dat")});
        QVERIFY2(d.status == 0, qPrintable(d.err));
        QCOMPARE(sha256Of(back + "a_big.dat"), bigHash);
    }

    // Another run holding the input or the output folder: status 4 and nothing touched.
    void heldFolderIsRefused_data() {
        QTest::addColumn<bool>("inPlace");
        QTest::addColumn<bool>("holdOutput");
        QTest::newRow("in place") << true << false;
        QTest::newRow("input of new files") << false << false;
        QTest::newRow("output of new files") << false << true;
    }
    void heldFolderIsRefused() {
        QFETCH(bool, inPlace);
        QFETCH(bool, holdOutput);
        const QString in = freshFolder(), out = inPlace ? in : freshFolder();
        TestSupport::writeFile(in + "a.txt", "alpha");
        const QString held = holdOutput ? out : in;
        const int fd = ::open(QFile::encodeName(held).constData(), O_RDONLY | O_DIRECTORY);
        QVERIFY(fd >= 0);
        QVERIFY(::flock(fd, LOCK_EX | LOCK_NB) == 0);
        const Outcome o =
            run({"--run", operationFile(true, inPlace, false, in, "*.txt", out, inPlace ? "*.txt" : "*.enc"), "--yes",
                 "--keyfile", keyfile()});
        ::close(fd);
        QCOMPARE(o.status, 4);
        QVERIFY2(o.err.contains("Another ZQ4 operation is using the folder " + held), qPrintable(o.err));
        QCOMPARE(treeOf(in), (QMap<QString, QByteArray>{{"a.txt", "alpha"}}));
        QCOMPARE(treeOf(out).size(), inPlace ? 1 : 0);
    }

    // The report never lands on a file of the run: not the operation file, not the keyfile, not a file in a
    // folder the run reads or writes (existing or not). Refused first, with status 2, and nothing changed.
    void reportWhereItWouldDestroyIsRefused_data() {
        QTest::addColumn<QString>("where");
        QTest::newRow("the keyfile") << "keyfile";
        QTest::newRow("the operation file") << "operation file";
        QTest::newRow("an input file") << "input";
        QTest::newRow("a new file in the output folder") << "output";
        QTest::newRow("a new file deep in an in-place tree") << "tree";
    }
    void reportWhereItWouldDestroyIsRefused() {
        QFETCH(QString, where);
        const QString in = freshFolder();
        TestSupport::writeFile(in + "a.txt", "alpha");
        TestSupport::writeFile(in + "sub/deeper/b.txt", "bravo");
        const QString out = freshFolder();
        const bool tree = where == "tree";
        const QString op = tree ? operationFile(true, true, true, in, "*.txt", in, "*.txt")
                                : operationFile(true, false, false, in, "*.txt", out, "*.enc");
        const QString key = keyfile();
        const QString report = where == "keyfile"          ? key
                               : where == "operation file" ? op
                               : where == "input"          ? in + "a.txt"
                               : where == "output"         ? out + "report.txt"
                                                           : in + "sub/deeper/report.txt";
        const QByteArray opBytes = TestSupport::readFile(op), keyBytes = TestSupport::readFile(key);
        const QMap<QString, QByteArray> before = treeOf(in);
        const Outcome o = run({"--run", op, "--keyfile", key, "--yes", "--report", report});
        QCOMPARE(o.status, 2);
        QVERIFY2(o.err.contains("the report file " + report), qPrintable(o.err));
        QCOMPARE(treeOf(in), before);
        QVERIFY(treeOf(out).isEmpty());
        QCOMPARE(TestSupport::readFile(op), opBytes);
        QCOMPARE(TestSupport::readFile(key), keyBytes);
    }

    // A report that was asked for and could not be written makes the status non-zero.
    void unwritableReportIsNotDone() {
        const QString in = freshFolder();
        TestSupport::writeFile(in + "a.txt", "alpha");
        const Outcome o = run({"--run", operationFile(true, false, false, in, "*.txt", freshFolder(), "*.enc"),
                               "--keyfile", keyfile(), "--report", "/dev/full"});
        QCOMPARE(o.status, 1);
        QVERIFY2(o.err.contains("cannot write the report to /dev/full"), qPrintable(o.err));
        QVERIFY(o.out.contains("a.txt         5 bytes   -> a.enc "));
    }

    // Originals are replaced only with --yes, however the output side is spelled: another spelling of the
    // folder, a link to it, or a pattern that names each input's own file (or only some of them). An operation
    // file asking for new files is not turned into one in place by its subfolders, --yes or not.
    void inPlaceIsAlwaysAskedFor_data() {
        QTest::addColumn<QString>("output"); // the output folder beside the input folder in/
        QTest::addColumn<QString>("inSpec");
        QTest::addColumn<QString>("outSpec");
        QTest::addColumn<bool>("subfolders");
        QTest::addColumn<QString>("message");
        const QString yes =
            "the operation works in place (each file is replaced by its result); give --yes to perform it.";
        QTest::newRow("another spelling") << "in/./"
                                          << "*.txt"
                                          << "*.*" << false << yes;
        QTest::newRow("a symbolic link") << "link/"
                                         << "*.txt"
                                         << "*.*" << false << yes;
        QTest::newRow("a pattern naming the inputs") << "in/"
                                                     << "*.txt"
                                                     << "*.*" << false << yes;
        QTest::newRow("a pattern naming some inputs") << "in/"
                                                      << "*.*"
                                                      << "*.txt" << false << yes;
        QTest::newRow("new files with subfolders")
            << "out/"
            << "*.txt"
            << "*.enc" << true << "asks for new output files with subfolders included";
    }
    void inPlaceIsAlwaysAskedFor() {
        QFETCH(QString, output);
        QFETCH(QString, inSpec);
        QFETCH(QString, outSpec);
        QFETCH(bool, subfolders);
        QFETCH(QString, message);
        const QString base = freshFolder();
        const QString in = base + "in/";
        TestSupport::writeFile(in + "a.txt", "alpha");
        TestSupport::writeFile(in + "c.doc", "charlie");
        TestSupport::writeFile(in + "sub/b.txt", "bravo");
        QDir().mkpath(base + "out");
        QVERIFY(QFile::link(in, base + "link"));
        const QMap<QString, QByteArray> before = treeOf(in);
        QStringList args{"--run", operationFile(true, false, subfolders, in, inSpec, base + output, outSpec),
                         "--keyfile", keyfile()};
        if (subfolders)
            args << "--yes";
        const Outcome o = run(args);
        QCOMPARE(o.status, 2);
        QVERIFY2(o.err.contains(message), qPrintable(o.err));
        QCOMPARE(treeOf(in), before);
        QVERIFY(treeOf(base + "out").isEmpty());
    }

    // Outputs that exist already are replaced only with --overwrite; without it the first few are named and
    // nothing is touched.
    void existingOutputsNeedOverwrite() {
        const QString in = freshFolder();
        const QString out = freshFolder();
        for (const char* name : {"a", "b", "c", "d"}) {
            TestSupport::writeFile(in + name + ".txt", QByteArray("new ") + name);
            TestSupport::writeFile(out + name + ".enc", QByteArray("old ") + name);
        }
        const QMap<QString, QByteArray> old = treeOf(out);
        const QString op = operationFile(true, false, false, in, "*.txt", out, "*.enc");
        const Outcome refused = run({"--run", op, "--keyfile", keyfile()});
        QCOMPARE(refused.status, 2);
        QVERIFY2(refused.err.contains("4 output files exist already and would be replaced (a.enc, b.enc, c.enc, ...); "
                                      "give --overwrite to replace them."),
                 qPrintable(refused.err));
        QCOMPARE(refused.out, QString());
        QCOMPARE(treeOf(out), old);
        const Outcome replaced = run({"--run", op, "--keyfile", keyfile(), "--overwrite"});
        QVERIFY2(replaced.status == 0, qPrintable(replaced.err));
        QVERIFY(TestSupport::readFile(out + "d.enc").startsWith("ZQ4E"));
    }

    // A key typed on a terminal for encryption is asked for twice; two different entries refuse the run with
    // nothing touched, and a first entry that breaks the key's rules ends it before the second is asked for. Only
    // standard input is the terminal; the prompts come on standard error.
    void typedKeyIsConfirmed_data() {
        QTest::addColumn<QByteArray>("first");
        QTest::addColumn<QByteArray>("second"); // empty: the second entry must not be asked for
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("message");
        QTest::newRow("the same key") << kKey << kKey << 0 << QByteArray("Checksum is ");
        QTest::newRow("a typo") << kKey << QByteArray("correct horse battery stable") << 2
                                << QByteArray("zq4: the key entries do not match.\n");
        QTest::newRow("too short, said at once")
            << QByteArray("short") << QByteArray() << 2 << QByteArray("zq4: the key needs at least 16 characters");
    }
    void typedKeyIsConfirmed() {
        QFETCH(QByteArray, first);
        QFETCH(QByteArray, second);
        QFETCH(int, status);
        QFETCH(QByteArray, message);
        const QString in = freshFolder();
        TestSupport::writeFile(in + "a.txt", "alpha");
        const QString out = freshFolder();
        const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
        QVERIFY(master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0);
        const QByteArray terminal = ::ptsname(master);
        QProcess p;
        p.setChildProcessModifier([terminal] {
            ::setsid();
            const int fd = ::open(terminal.constData(), O_RDWR);
            ::dup2(fd, STDIN_FILENO);
        });
        p.start(program(), {"--run", operationFile(true, false, false, in, "*.txt", out, "*.enc"), "--key-stdin"});
        QVERIFY(p.waitForStarted());
        p.setReadChannel(QProcess::StandardError);
        // Each entry is typed once its prompt is there (the echo is off by then): no waiting on the clock.
        QByteArray err;
        const auto typeAfter = [&](const QByteArray& prompt, const QByteArray& line) {
            while (!err.contains(prompt) && p.waitForReadyRead(60000))
                err += p.readAllStandardError();
            QVERIFY2(err.contains(prompt), err.constData());
            QCOMPARE(::write(master, line.constData(), size_t(line.size())), ssize_t(line.size()));
        };
        typeAfter("(which will not be displayed): ", first + "\n");
        if (!second.isEmpty())
            typeAfter("Re-enter the key exactly as above: ", second + "\n");
        QVERIFY(p.waitForFinished(120000));
        ::close(master);
        err += p.readAllStandardError();
        QCOMPARE(p.exitCode(), status);
        QVERIFY2(err.contains(message), err.constData());
        QCOMPARE(err.contains("Re-enter"), !second.isEmpty());
        QCOMPARE(TestSupport::readFile(out + "a.enc").startsWith("ZQ4E"), status == 0);
        if (status != 0)
            QVERIFY(treeOf(out).isEmpty());
        QCOMPARE(TestSupport::readFile(in + "a.txt"), QByteArray("alpha"));
    }

    void helpAndVersion() {
        const Outcome help = run({"--help"});
        QCOMPARE(help.status, 0);
        for (const char* option :
             {"--run", "--randomness", "--keyfile", "--key-stdin", "--yes", "--overwrite", "--report", "--quiet"})
            QVERIFY2(help.out.contains(QLatin1String(option)), option);
        // One style for the program and its commands, from one table of options, none of the toolkit's own.
        const Outcome encryptHelp = run({"encrypt", "--help"});
        QCOMPARE(encryptHelp.status, 0);
        for (const Outcome* o : {&help, &encryptHelp}) {
            QVERIFY2(o->out.startsWith("Usage: zq4 encrypt [options] PATH..."), qPrintable(o->out));
            QVERIFY(o->out.contains("\nOptions:\n  ") && !o->out.contains("help-all"));
        }
        const Outcome version = run({"--version"});
        QCOMPARE(version.status, 0);
        QCOMPARE(version.out, QStringLiteral("zq4 7.77\n"));
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "test_cli.moc"
