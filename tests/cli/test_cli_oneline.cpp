// "zq4 encrypt" and "zq4 decrypt" against the real program, without a display: round trips read back by the
// program itself, refusals that leave every file as it was, and a decryption with the wrong key.
#include "support/CliProcess.h"
#include "support/TestSupport.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using CliProcess::rawTree;
using CliProcess::writeRaw;
using Tree = QMap<QByteArray, QByteArray>;

namespace {

const QByteArray kKey = "correct horse battery staple";

// A folder as a user has it: two files that differ only in their extension, a name with wildcard characters and
// one that it would match, a name that is not UTF-8, subfolders.
const Tree kOriginals = {
    {"notes.txt", "the notes"},
    {"notes.odt", "the notes, formatted"},
    {"a*b.txt", "a star in the name"},
    {"axb.txt", "what a*b.txt would match"},
    {"caf\xe9.txt", "a Latin-1 name"},
    {"sub/deep.txt", "one folder down"},
    {"sub/sub2/deeper.dat", "two folders down"},
};

Tree topLevel(const Tree& tree) {
    Tree top;
    for (auto it = tree.cbegin(); it != tree.cend(); ++it)
        if (!it.key().contains('/'))
            top.insert(it.key(), it.value());
    return top;
}

// The names of a tree with ".enc" added.
QList<QByteArray> withExtension(const Tree& tree) {
    QList<QByteArray> names;
    for (const QByteArray& name : tree.keys())
        names << name + ".enc";
    std::sort(names.begin(), names.end());
    return names;
}

void noDisplay() {
    ::unsetenv("DISPLAY");
    ::unsetenv("WAYLAND_DISPLAY");
}

} // namespace

class TestCliOneLine : public QObject {
    Q_OBJECT

    QTemporaryDir m_home;
    int m_n = 0;
    QByteArray m_in, m_out, m_back;

    QByteArray fresh() {
        const QByteArray dir = QFile::encodeName(m_home.path()) + "/t" + QByteArray::number(++m_n);
        ::mkdir(dir.constData(), 0700);
        return dir;
    }
    // The arguments with IN, OUT and BACK put in for the folders of the test.
    QStringList expand(QStringList args) const {
        for (QString& a : args)
            a.replace("IN", QFile::decodeName(m_in))
                .replace("OUT", QFile::decodeName(m_out))
                .replace("BACK", QFile::decodeName(m_back));
        return args;
    }
    CliProcess::Outcome zq4(const QStringList& args, const QByteArray& key = kKey) {
        return CliProcess::run(expand(args), key.isNull() ? QByteArray("") : key + '\n', noDisplay);
    }

private slots:
    void initTestCase() { TestSupport::prepareEnvironment(m_home); }
    void cleanupTestCase() { CliProcess::removeRaw(QFile::encodeName(m_home.path())); }
    void init() {
        m_in = fresh(), m_out = fresh(), m_back = fresh();
        for (auto it = kOriginals.cbegin(); it != kOriginals.cend(); ++it)
            QVERIFY(writeRaw(m_in + '/' + it.key(), it.value()));
    }

    // Each way of naming inputs and outputs: the encrypted files are exactly the ones asked for, under their names
    // with ".enc" added (or their own names in place), and decrypting them gives back every byte.
    void roundTrips_data() {
        QTest::addColumn<QStringList>("encrypt");
        QTest::addColumn<QStringList>("decrypt");
        QTest::addColumn<QString>("encryptedIn"); // IN or OUT
        QTest::addColumn<QList<QByteArray>>("encrypted");
        QTest::addColumn<Tree>("back"); // what BACK (or IN, in place) holds at the end

        const Tree top = topLevel(kOriginals);
        QTest::newRow("one file") << QStringList{"--key-stdin", "-o", "OUT", "IN/notes.txt"}
                                  << QStringList{"--key-stdin", "-o", "BACK", "OUT/notes.txt.enc"} << "OUT"
                                  << QList<QByteArray>{"notes.txt.enc"} << Tree{{"notes.txt", "the notes"}};
        QTest::newRow("one file to a name of its own, and back")
            << QStringList{"--key-stdin", "-o", "OUT/secret.bin", "IN/notes.txt"}
            << QStringList{"--key-stdin", "-o", "BACK/notes.txt", "OUT/secret.bin"} << "OUT"
            << QList<QByteArray>{"secret.bin"} << Tree{{"notes.txt", "the notes"}};
        QTest::newRow("a name with wildcards is that file only")
            << QStringList{"--key-stdin", "-o", "OUT", "IN/a*b.txt"} << QStringList{"--key-stdin", "-o", "BACK", "OUT"}
            << "OUT" << QList<QByteArray>{"a*b.txt.enc"} << Tree{{"a*b.txt", "a star in the name"}};
        // (NOTES.txt is made for this row only: a folder holding both would be refused, see below.)
        QTest::newRow("letter case is part of the name")
            << QStringList{"--key-stdin", "-o", "OUT", "IN/NOTES.txt"}
            << QStringList{"--key-stdin", "-o", "BACK", "OUT"} << "OUT" << QList<QByteArray>{"NOTES.txt.enc"}
            << Tree{{"NOTES.txt", "the notes in capitals"}};
        QTest::newRow("several files, one named twice")
            << QStringList{"--key-stdin",
                           "-o",
                           "OUT",
                           "IN/notes.txt",
                           "IN/notes.odt",
                           "IN/../t"
                           "X/notes.txt"}
            << QStringList{"--key-stdin", "-o", "BACK", "OUT/notes.txt.enc", "OUT/notes.odt.enc"} << "OUT"
            << QList<QByteArray>{"notes.odt.enc", "notes.txt.enc"}
            << Tree{{"notes.txt", "the notes"}, {"notes.odt", "the notes, formatted"}};
        QTest::newRow("a folder's own files")
            << QStringList{"--key-stdin", "-o", "OUT", "IN"} << QStringList{"--key-stdin", "-o", "BACK", "OUT"} << "OUT"
            << withExtension(top) << top;
        Tree all = kOriginals;
        QList<QByteArray> allEncrypted = withExtension(kOriginals);
        QTest::newRow("subfolders, to the same subfolders of another folder")
            << QStringList{"--key-stdin", "-r", "-o", "OUT", "IN"}
            << QStringList{"--key-stdin", "-r", "-o", "BACK", "OUT"} << "OUT" << allEncrypted << all;
        QList<QByteArray> beside = allEncrypted + kOriginals.keys();
        std::sort(beside.begin(), beside.end());
        QTest::newRow("subfolders, beside each file")
            << QStringList{"--key-stdin", "-r", "IN"} << QStringList{"--key-stdin", "-r", "-o", "BACK", "IN"} << "IN"
            << beside << all;
        QTest::newRow("in place") << QStringList{"--key-stdin", "-r", "--in-place", "--yes", "IN"}
                                  << QStringList{"--key-stdin", "-r", "--in-place", "--yes", "--", "IN"} << "IN"
                                  << kOriginals.keys() << all;
    }
    void roundTrips() {
        QFETCH(QStringList, encrypt);
        QFETCH(QStringList, decrypt);
        QFETCH(QString, encryptedIn);
        QFETCH(QList<QByteArray>, encrypted);
        QFETCH(Tree, back);
        // "tX" is the input folder by another spelling.
        for (QString& a : encrypt)
            a.replace("tX", QFile::decodeName(m_in.mid(m_in.lastIndexOf('/') + 1)));
        if (QTest::currentDataTag() == QByteArray("letter case is part of the name"))
            QVERIFY(writeRaw(m_in + "/NOTES.txt", "the notes in capitals"));
        const Tree original = rawTree(m_in);

        const CliProcess::Outcome enc = zq4(QStringList{"encrypt"} + encrypt);
        QVERIFY2(enc.status == 0, qPrintable(enc.out + enc.err));
        // Standard error is no terminal here: no progress line, nothing else either.
        QCOMPARE(enc.err, QString());
        QCOMPARE(enc.out, QString());
        const bool inPlace = encrypt.contains("--in-place");
        const Tree made = rawTree(encryptedIn == "IN" ? m_in : m_out);
        QCOMPARE(made.keys(), encrypted);
        for (auto it = made.cbegin(); it != made.cend(); ++it)
            if (inPlace || it.key().endsWith(".enc"))
                QVERIFY2(it.value().startsWith("ZQ4E"), it.key().constData());

        const CliProcess::Outcome dec = zq4(QStringList{"decrypt"} + decrypt);
        QVERIFY2(dec.status == 0, qPrintable(dec.out + dec.err));
        QCOMPARE(rawTree(inPlace ? m_in : m_back), back);
        if (!inPlace && encryptedIn == "OUT")
            QCOMPARE(rawTree(m_in), original);
    }

    // Whatever is wrong is said, naming what it is about, before a key is used or any file touched: exit 2 and
    // every file as it was, the files of the other paths of the command included.
    void refusalsLeaveEverythingAsItWas_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<bool>("keyOnStdin");
        QTest::addColumn<QString>("message");
        QTest::newRow("a path that is not there")
            << QStringList{"encrypt", "--key-stdin", "IN/notes.txt", "IN/nothere.txt"} << true
            << "zq4: IN/nothere.txt: no such file or directory.\n";
        QTest::newRow("an output folder that is not there")
            << QStringList{"encrypt", "--key-stdin", "-o", "IN/none", "IN/notes.txt", "IN/axb.txt"} << true
            << "zq4: IN/none/: the output folder does not exist.\n";
        QTest::newRow("an output folder that is a file")
            << QStringList{"encrypt", "--key-stdin", "-o", "IN/notes.odt", "IN/notes.txt", "IN/axb.txt"} << true
            << "zq4: IN/notes.odt/: the output folder is not a folder.\n";
        QTest::newRow("the output inside the input, with subfolders")
            << QStringList{"encrypt", "--key-stdin", "-r", "-o", "IN/sub", "IN"} << true
            << "zq4: IN: the output folder IN/sub/ is inside the input folder IN/";
        QTest::newRow("an output that exists, after a path that is fine")
            << QStringList{"encrypt", "--key-stdin", "IN/notes.odt", "IN/notes.txt"} << true
            << "1 output file exists already and would be replaced (notes.txt.enc); give --overwrite to replace it.";
        QTest::newRow("two inputs for one output name")
            << QStringList{"encrypt", "--key-stdin", "-o", "OUT", "IN"} << true
            << "NOTES.txt and notes.txt would become NOTES.txt.enc and notes.txt.enc, names that differ only in "
               "letter case.";
        QTest::newRow("two paths for one output")
            << QStringList{"encrypt", "--key-stdin", "-o", "OUT", "IN/notes.txt", "IN/sub/notes.txt"} << true
            << "IN/notes.txt and IN/sub/notes.txt would both be written to OUT/notes.txt.enc; nothing was done.";
        QTest::newRow("in place without --yes")
            << QStringList{"encrypt", "--key-stdin", "--in-place", "IN/notes.txt"} << true
            << "zq4: IN/notes.txt: the operation works in place (each "
               "file is replaced by its result); give --yes to perform it.";
        QTest::newRow("no key, and no terminal to ask on")
            << QStringList{"encrypt", "IN/notes.odt"} << false << "no key: give --keyfile or --key-stdin";
        QTest::newRow("in place and -o") << QStringList{"decrypt", "--key-stdin", "--in-place", "-o", "OUT", "IN"}
                                         << true << "--in-place and -o exclude each other";
        QTest::newRow("an unknown option")
            << QStringList{"encrypt", "--key-stdin", "--shred", "IN"} << true << "unknown option --shred";
        QTest::newRow("a command written as an option") << QStringList{"--encrypt", "IN/notes.odt"} << true
                                                        << "unknown option --encrypt; did you mean zq4 encrypt?";
        QTest::newRow("a one-letter option for a command")
            << QStringList{"-e", "IN/notes.odt"} << true << "unknown option -e; did you mean zq4 encrypt?";
        QTest::newRow("a command misspelled") << QStringList{"chek", "IN/notes.odt"} << true
                                              << "unknown command chek; the commands are encrypt, decrypt and verify";
        QTest::newRow("an option misspelled") << QStringList{"encrypt", "--key-stdn", "IN"} << true
                                              << "unknown option --key-stdn; did you mean --key-stdin?";
        QTest::newRow("decrypting a name without .enc") << QStringList{"decrypt", "--key-stdin", "IN/notes.txt"} << true
                                                        << "zq4: IN/notes.txt: the name does not end in .enc, so it "
                                                           "has no name to be decrypted to; give -o FILE.\n";
        QTest::newRow("decrypting .enc alone") << QStringList{"decrypt", "--key-stdin", "IN/.enc"} << true
                                               << "zq4: IN/.enc: the name is .enc alone, so it has no name";
        QTest::newRow("a file of a named folder")
            << QStringList{"encrypt", "--key-stdin", "-o", "OUT", "IN", "IN/notes.odt"} << true
            << "zq4: IN/notes.odt: is inside the folder IN/, which this command takes as well; name each file once.";
        QTest::newRow("a subfolder of a folder taken with -r")
            << QStringList{"encrypt", "--key-stdin", "-r", "-o", "OUT", "IN/sub", "IN"} << true
            << "zq4: IN/sub: is inside the folder IN/, which this command takes as well";
        QTest::newRow("nothing named") << QStringList{"decrypt", "--key-stdin"} << true
                                       << "name the files or folders to decrypt";
    }
    void refusalsLeaveEverythingAsItWas() {
        QFETCH(QStringList, args);
        QFETCH(bool, keyOnStdin);
        QFETCH(QString, message);
        QVERIFY(writeRaw(m_in + "/notes.txt.enc", "an older result"));
        QVERIFY(writeRaw(m_in + "/NOTES.txt", "the notes in capitals"));
        QVERIFY(writeRaw(m_in + "/sub/notes.txt", "other notes"));
        QVERIFY(writeRaw(m_in + "/.enc", "a name that is an extension only"));
        const Tree before = rawTree(m_in);

        const CliProcess::Outcome o = zq4(args, keyOnStdin ? kKey : QByteArray());
        QCOMPARE(o.status, 2);
        QVERIFY2(o.err.contains(expand({message}).constFirst()), qPrintable(o.err));
        QCOMPARE(o.out, QString());
        QCOMPARE(rawTree(m_in), before);
        QCOMPARE(rawTree(m_out), Tree{});
    }

    // With the key to be typed on a terminal, a check that fails ends the command before the key is asked for.
    void theKeyIsAskedAfterTheChecks() {
        QVERIFY(writeRaw(m_in + "/notes.txt.enc", "an older result"));
        const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
        QVERIFY(master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0);
        const QByteArray terminal = ::ptsname(master);
        QProcess p;
        p.setChildProcessModifier([terminal] {
            noDisplay();
            ::setsid();
            const int fd = ::open(terminal.constData(), O_RDWR);
            ::dup2(fd, STDIN_FILENO);
        });
        p.start(CliProcess::program(), expand({"encrypt", "IN/notes.txt"}));
        // A prompt would wait for a key that never comes: the command must end on its own.
        const bool ended = p.waitForFinished(60000);
        if (!ended)
            p.kill(), p.waitForFinished();
        ::close(master);
        const QByteArray err = p.readAllStandardError();
        QVERIFY2(ended, err.constData());
        QCOMPARE(p.exitCode(), 2);
        QVERIFY2(err.contains("exists already") && !err.contains("Enter the"), err.constData());
    }

    // Success is quiet, on a terminal as through a pipe: nothing on standard output and nothing of the report on
    // the terminal either; -v gives the report, and a file not done is one line
    // on standard error naming it.
    void successIsQuiet() {
        const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
        QVERIFY(master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0);
        const QByteArray terminal = ::ptsname(master);
        const CliProcess::Outcome o =
            CliProcess::run(expand({"encrypt", "--key-stdin", "-o", "OUT", "IN/notes.txt"}), kKey + '\n', [terminal] {
                noDisplay();
                const int fd = ::open(terminal.constData(), O_RDWR | O_NOCTTY);
                if (fd >= 0)
                    ::dup2(fd, STDERR_FILENO);
            });
        QCOMPARE(o.status, 0);
        QByteArray shown(8192, '\0');
        ::fcntl(master, F_SETFL, O_NONBLOCK);
        const ssize_t n = ::read(master, shown.data(), size_t(shown.size()));
        ::close(master);
        shown.truncate(qMax<ssize_t>(0, n));
        // No piece of the report on the terminal: at most the progress of a file that took long (waiting for the
        // key's derivation on a busy machine), redrawn in place and cleared at the end.
        QVERIFY2(!shown.contains("9 bytes   ") && !shown.contains("->"), shown.constData());
        QVERIFY2(shown.isEmpty() || shown.endsWith("\r\x1b[K"), shown.constData());
        QCOMPARE(shown.count('\n'), 0);
        QCOMPARE(o.out, QString());
        QVERIFY(rawTree(m_out).contains("notes.txt.enc"));

        const CliProcess::Outcome verbose = zq4({"encrypt", "-v", "--key-stdin", "-o", "BACK", "IN/notes.txt"});
        QCOMPARE(verbose.status, 0);
        QVERIFY2(verbose.out.contains("notes.txt     9 bytes   -> notes.txt.enc"), qPrintable(verbose.out));
        QCOMPARE(verbose.err, QString());

        QVERIFY(writeRaw(m_in + "/damaged.enc", "ZQ4E but nothing more of a file of ours"));
        const CliProcess::Outcome failed = zq4({"decrypt", "-q", "--key-stdin", "-o", "BACK", "IN/damaged.enc"});
        QCOMPARE(failed.status, 1);
        QCOMPARE(failed.out, QString());
        QCOMPARE(failed.err.count('\n'), 2);
        QVERIFY2(failed.err.startsWith(expand({"zq4: IN/damaged.enc: "}).constFirst()), qPrintable(failed.err));
        QVERIFY2(failed.err.endsWith("zq4: 1 file was not done.\n"), qPrintable(failed.err));

        // A file of ours encrypted again is done, but most likely by mistake: said, and the status is 1.
        const CliProcess::Outcome twice = zq4({"encrypt", "--key-stdin", "-o", "BACK", "OUT/notes.txt.enc"});
        QCOMPARE(twice.status, 1);
        QVERIFY2(
            twice.err.contains(
                expand({"zq4: OUT/notes.txt.enc: this file was ZQ4-encrypted already; it is now encrypted twice.\n"})
                    .constFirst()),
            qPrintable(twice.err));
        QVERIFY(rawTree(m_back).contains("notes.txt.enc.enc"));
    }

    // A report that cannot reach standard output (a full device, a reader gone) is a run not done as asked.
    void anUnwritableStandardOutputIsNotDone_data() {
        QTest::addColumn<bool>("closedPipe");
        QTest::newRow("a full device") << false;
        QTest::newRow("a closed pipe") << true;
    }
    void anUnwritableStandardOutputIsNotDone() {
        QFETCH(bool, closedPipe);
        const CliProcess::Outcome o =
            CliProcess::run(expand({"encrypt", "-v", "--key-stdin", "-o", "OUT", "IN"}), kKey + '\n', [closedPipe] {
                noDisplay();
                int fd = -1;
                if (closedPipe) {
                    int ends[2];
                    if (::pipe(ends) == 0)
                        ::close(ends[0]), fd = ends[1];
                } else {
                    fd = ::open("/dev/full", O_WRONLY);
                }
                ::dup2(fd, STDOUT_FILENO);
            });
        QCOMPARE(o.status, 1);
        QVERIFY2(o.err.contains("zq4: standard output: the report could not be written ("), qPrintable(o.err));
        QCOMPARE(rawTree(m_out).size(), topLevel(kOriginals).size());
    }

    // Each path of a command is worked on as it stands when its run comes: a folder the run before wrote to is read
    // again, not taken as the launch checks saw it.
    void aRunSeesWhatTheRunBeforeItWrote() {
        QVERIFY(writeRaw(m_out + "/old.txt", "old"));
        const CliProcess::Outcome enc = zq4({"encrypt", "--key-stdin", "-o", "OUT", "IN/notes.txt", "OUT"});
        QCOMPARE(enc.status, 1);
        QVERIFY2(enc.err.contains("1 file was encrypted twice."), qPrintable(enc.err));
        QCOMPARE(rawTree(m_out).keys(),
                 QList<QByteArray>({"notes.txt.enc", "notes.txt.enc.enc", "old.txt", "old.txt.enc"}));
    }

    // What the recovery of a killed run removes before the run is not among the run's files.
    void aRunListsWhatTheRecoveryLeft() {
        QVERIFY(writeRaw(m_in + "/.zq4e-0123456789abcdef.tmp", "cut short"));
        const CliProcess::Outcome enc = zq4({"encrypt", "--key-stdin", "-v", "-r", "--in-place", "--yes", "IN"});
        QVERIFY2(enc.status == 0, qPrintable(enc.out + enc.err));
        QVERIFY(enc.out.contains("Removed the temporary file .zq4e-0123456789abcdef.tmp left by an interrupted"));
        QVERIFY2(!enc.out.contains(".zq4e-0123456789abcdef.tmp  "), qPrintable(enc.out));
        QCOMPARE(rawTree(m_in).keys(), kOriginals.keys());
    }

    // A decryption whose first three files do not open with the key stops there, says why and exits 1;
    // --keep-going tries every file. Either way the report (-v) says the key is probably the wrong one.
    void aWrongKeyIsSaidPlainlyOnce_data() {
        QTest::addColumn<bool>("keepGoing");
        QTest::newRow("stops after three") << false;
        QTest::newRow("--keep-going") << true;
    }
    void aWrongKeyIsSaidPlainlyOnce() {
        QFETCH(bool, keepGoing);
        const CliProcess::Outcome enc = zq4({"encrypt", "--key-stdin", "-o", "OUT", "IN"});
        QVERIFY2(enc.status == 0, qPrintable(enc.err));
        QStringList args{"decrypt", "--key-stdin", "-o", "BACK", "OUT"};
        if (keepGoing)
            args << "--keep-going";
        const CliProcess::Outcome dec = zq4(args, "not the key these were encrypted with");
        QCOMPARE(dec.status, 1);
        // One line on standard error for each file tried; the report only with -v.
        QCOMPARE(dec.err.count("decryption key is incorrect", Qt::CaseInsensitive),
                 keepGoing ? topLevel(kOriginals).size() : 3);
        QCOMPARE(dec.out, QString());
        QCOMPARE(dec.err.contains("so the run was stopped; give --keep-going to try every file."), !keepGoing);
        QCOMPARE(rawTree(m_back), Tree{});

        args << "-v";
        const CliProcess::Outcome report = zq4(args, "not the key these were encrypted with");
        QVERIFY(report.out.contains("No file could be decrypted with this key: it is probably not the key these "
                                    "files were encrypted with."));
        QCOMPARE(rawTree(m_back), Tree{});
    }
};

QTEST_GUILESS_MAIN(TestCliOneLine)
#include "test_cli_oneline.moc"
