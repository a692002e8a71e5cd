// A run answers for every file: nothing it writes replaces a file it should not, makes a file more readable
// than it was, or hides what happened; what a killed run left is put right by the next one.
#include "batch/BatchRun.h"
#include "batch/OperationSetup.h"
#include "batch/RunContext.h"
#include "batch/inplace/InPlaceJournal.h"
#include "batch/inplace/WriteBack.h"
#include "key/frmKeyFrom.h"
#include "platform/engine/Engine.h"
#include "platform/os/DiskTrace.h"
#include "platform/os/MessageBox.h"
#include "platform/os/UnnamedFile.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QtTest>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
const QByteArray kKey = QByteArray("SEALED-RUN-KEY-0").repeated(4);
const QString crlf = QStringLiteral("\r\n");

QByteArray native(const QString& path) {
    return QFile::encodeName(path);
}

// The immutable flag of ext4 and friends: a file nobody, root included, may write or remove.
bool setImmutable(const QString& path, bool on) {
    const int fd = ::open(native(path).constData(), O_RDONLY | O_NONBLOCK);
    if (fd < 0)
        return false;
    int flags = 0;
    bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
    ok = ok && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    ::close(fd);
    return ok;
}
// Rewrites the file, keeping its size, once a group's log is on the disk: after the file's result was checked and
// logged, before it is written over the file.
QString g_editWhenLogged;
void editWhenLogged(DiskTrace::Step step, const QString& path) {
    if (step != DiskTrace::Step::SyncFile || !path.contains(".zq4e-log") || g_editWhenLogged.isEmpty())
        return;
    QFile f(g_editWhenLogged);
    if (f.open(QIODevice::ReadWrite))
        f.write("EDITED");
    g_editWhenLogged.clear();
}
} // namespace

class TestSealedRun : public QObject {
    Q_OBJECT
    QTemporaryDir m_home;
    OperationSetup m_setup;
    frmKeyFrom m_key;
    std::unique_ptr<RunContext> m_ctx;
    std::unique_ptr<BatchRun> m_run;

    QString newFolder() {
        static int n = 0;
        const QString d = QDir(m_home.path()).filePath(QStringLiteral("f%1/").arg(++n));
        QDir().mkpath(d);
        return d;
    }
    void run(const QString& in, const QString& spec, const QString& out, const QString& outSpec, bool encrypt,
             bool same) {
        m_setup.blnEncrypt = encrypt;
        m_setup.blnOutputFilesSame = same;
        m_run->blnPerformingOperation = true;
        m_run->blnRandomnessReport = m_run->blnGettingInputFilesizes = false;
        m_run->strInputDirpath = in;
        m_run->strInputFilespec = spec;
        m_run->strOutputDirpath = out;
        m_run->strOutputFilespec = outSpec;
        m_run->ProcessFiles();
    }
    QString text() const { return m_run->report().text(); }
    static QStringList files(const QString& dir) { return QDir(dir).entryList(QDir::Files | QDir::Hidden); }
    QByteArray decrypted(const QString& path) const {
        const QString scratch = QDir(m_home.path()).filePath(QStringLiteral("scratch"));
        zq4e::operation_initialization(kKey, 0, 0, 0);
        const int rc = zq4e::decrypt_file(path, scratch);
        const QByteArray plain = rc == 0 ? TestSupport::readFile(scratch) : QByteArray();
        QFile::remove(scratch);
        return plain;
    }

private slots:
    void initTestCase() {
        TestSupport::prepareEnvironment(m_home);
        QVERIFY(zq4e::allocate_buffers() != 0);
        zq4e::set_sync_output(false);
        m_key.strKey = kKey;
        m_key.intKeyFrom = frmKeyFrom::FromKeyboard;
        m_ctx = std::make_unique<RunContext>(m_setup, m_key);
        m_ctx->programFilePath = QDir(m_home.path()).filePath(QStringLiteral("zq4"));
        TestSupport::writeFile(m_ctx->programFilePath, "the program");
        m_run = std::make_unique<BatchRun>(*m_ctx);
    }
    void init() {
        MessageBox::reset();
        m_key.strKey = kKey;
        m_key.intKeyFrom = frmKeyFrom::FromKeyboard;
        m_key.strKeyFile.clear();
        m_ctx->afterResultWritten = nullptr;
        m_ctx->afterResultChecked = nullptr;
        m_ctx->beforePurge = nullptr;
    }
    void cleanupTestCase() {
        m_run.reset();
        zq4e::deallocate_buffers();
    }

    // Decrypting a damaged file onto a name in use keeps that file, and in place keeps the damaged original (a small
    // file's result, made in memory, included); the partial plaintext goes beside it. A free output name stays
    // free: only a complete result is found under it.
    void failedDecryptionKeepsTheFileAtItsOutputName_data() {
        QTest::addColumn<bool>("same");
        QTest::addColumn<bool>("free");
        QTest::newRow("to a new file") << false << false;
        QTest::newRow("to a new file, its name free") << false << true;
        QTest::newRow("in place") << true << false;
    }
    void failedDecryptionKeepsTheFileAtItsOutputName() {
        QFETCH(bool, same);
        QFETCH(bool, free);
        const QString d = newFolder();
        const QByteArray plain = TestSupport::pseudoRandomBytes(3 * 65536, 1);
        QVERIFY(TestSupport::writeFile(d + "a.txt", plain));
        run(d, "a.txt", d, "a.enc", true, false);
        QByteArray cipher = TestSupport::readFile(d + "a.enc");
        cipher[cipher.size() - 1] = char(cipher[cipher.size() - 1] ^ 1);
        QVERIFY(TestSupport::writeFile(d + "a.enc", cipher));
        const QByteArray kept = same ? cipher : QByteArray("the user's own file");
        QVERIFY(free ? QFile::remove(d + "a.txt") : TestSupport::writeFile(d + "a.txt", kept));
        run(d, same ? "a.txt" : "a.enc", d, "a.txt", false, same);
        QCOMPARE(QFileInfo::exists(d + "a.txt"), !free);
        if (!free)
            QCOMPARE(TestSupport::readFile(d + "a.txt"), kept);
        QCOMPARE(TestSupport::readFile(d + "a.txt1"), plain.left(2 * 65536));
        QVERIFY2(text().contains("Partial plaintext may be in " + QString(same ? d : "") + "a.txt1."),
                 qPrintable(text()));
    }

    void outputThatIsAnotherInputIsRefused_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("a hard link in another folder") << "hardlink";
        QTest::newRow("a symbolic link in another folder") << "symlink";
    }
    void outputThatIsAnotherInputIsRefused() {
        QFETCH(QString, how);
        const QString d = newFolder();
        const QByteArray second("second input, the first one's output leads to it");
        QVERIFY(TestSupport::writeFile(d + "a1.txt", "first input"));
        QVERIFY(TestSupport::writeFile(d + "b2.txt", second));
        const QString out = newFolder(), clash = out + "c1.txt";
        if (how == "hardlink")
            QVERIFY(::link(native(d + "b2.txt").constData(), native(clash).constData()) == 0);
        else
            QVERIFY(QFile::link(d + "b2.txt", clash));
        run(d, "*.txt", out, "c*.*", true, false);
        QCOMPARE(m_run->intOperationResult, -3);
        QCOMPARE(m_run->intFilesAttempted, 0);
        QCOMPARE(TestSupport::readFile(d + "b2.txt"), second);
        QCOMPARE(MessageBox::last().text, QStringLiteral("The output file ") + clash +
                                              QStringLiteral(" would replace the input file ") + d +
                                              QStringLiteral("b2.txt of the same operation.  Nothing was done in "
                                                             "this folder."));
    }

    // The keyfile and the program are known as files, whatever path leads to them.
    void ownFilesAreKnownByIdentity_data() {
        QTest::addColumn<QString>("spelling");
        QTest::addColumn<QString>("expected");
        QTest::newRow("keyfile, dot and double slash") << "dots"
                                                       << "This is the current keyfile.";
        QTest::newRow("keyfile, through a folder link") << "symlink"
                                                        << "This is the current keyfile.";
        QTest::newRow("program, a hard link to it") << "program"
                                                    << "This is the ZQ4 executable.";
    }
    void ownFilesAreKnownByIdentity() {
        QFETCH(QString, spelling);
        QFETCH(QString, expected);
        const QString d = newFolder();
        QVERIFY(TestSupport::writeFile(d + "key.bin", QByteArray("K").repeated(64)));
        QString folder = d;
        m_key.intKeyFrom = frmKeyFrom::FromKeyfile;
        m_key.strKeyFile = d + "key.bin";
        if (spelling == "dots") {
            m_key.strKeyFile = d + ".//key.bin";
        } else if (spelling == "symlink") {
            folder = d.chopped(1) + "-link/";
            QVERIFY(QFile::link(d.chopped(1), folder.chopped(1)));
        } else {
            QFile::remove(d + "key.bin");
            QVERIFY(::link(native(m_ctx->programFilePath).constData(), native(d + "key.bin").constData()) == 0);
        }
        const QByteArray before = TestSupport::readFile(d + "key.bin");
        run(folder, "key.bin", folder, "key.bin", true, true);
        QVERIFY2(text().contains(expected), qPrintable(text()));
        QCOMPARE(TestSupport::readFile(d + "key.bin"), before);
    }

    // In place, a file with other names would keep its plaintext under them: it is left alone, and said so.
    void hardLinkedFilesAreLeftAlone() {
        const QString d = newFolder();
        QVERIFY(TestSupport::writeFile(d + "a.txt", "shared contents"));
        QVERIFY(::link(native(d + "a.txt").constData(), native(d + "other name").constData()) == 0);
        run(d, "a.txt", d, "a.txt", true, true);
        QVERIFY2(text().contains("This file has other names (hard links) that would keep its contents.  Encryption not "
                                 "performed."),
                 qPrintable(text()));
        QCOMPARE(TestSupport::readFile(d + "a.txt"), QByteArray("shared contents"));
        QCOMPARE(m_run->intFilesProcessed, 0);
    }

    // The result is never readable by more people than the original, and in place keeps its owner and group.
    void inPlaceKeepsOwnerGroupAndMode() {
        if (::geteuid() != 0)
            QSKIP("needs root to give the file another owner");
        const QString d = newFolder();
        QVERIFY(TestSupport::writeFile(d + "small.txt", "a small file"));
        QVERIFY(TestSupport::writeFile(d + "large.txt", TestSupport::pseudoRandomBytes(3 << 20, 2)));
        for (const char* f : {"small.txt", "large.txt"}) {
            QVERIFY(::chown(native(d + f).constData(), 4321, 4322) == 0);
            QVERIFY(::chmod(native(d + f).constData(), 0640) == 0);
        }
        run(d, "*.txt", d, "*.txt", true, true);
        QCOMPARE(m_run->intFilesProcessed, 2);
        for (const char* f : {"small.txt", "large.txt"}) {
            struct stat st {};
            QVERIFY(::stat(native(d + f).constData(), &st) == 0);
            QCOMPARE(int(st.st_uid), 4321);
            QCOMPARE(int(st.st_gid), 4322);
            QCOMPARE(int(st.st_mode & 07777), 0640);
        }
    }

    // The check before the purge is proven: a result that does not read back, or an original edited after its
    // result was written, leaves the original byte for byte, no temporary file, a line that says so, no count.
    void originalSurvivesWhenTheResultCannotBeTrusted_data() {
        QTest::addColumn<bool>("encrypt");
        QTest::addColumn<int>("size");
        QTest::addColumn<QString>("seam");
        QTest::addColumn<QString>("line");
        const QString writeError = QStringLiteral("Write error.");
        const QString changed = QStringLiteral(" operation and was left as it is.");
        for (const bool encrypt : {true, false})
            for (const int size : {5000, 3 << 20})
                for (const QString& seam : {QStringLiteral("corrupt result"), QStringLiteral("edit original"),
                                            QStringLiteral("edit after the check")}) {
                    const QString name = QStringLiteral("%1, %2, %3")
                                             .arg(encrypt ? "encrypting" : "decrypting")
                                             .arg(size > 1000000 ? "on its own" : "in a group")
                                             .arg(seam);
                    QTest::newRow(qPrintable(name))
                        << encrypt << size << seam << (seam.startsWith("corrupt") ? writeError : changed);
                }
    }
    void originalSurvivesWhenTheResultCannotBeTrusted() {
        QFETCH(bool, encrypt);
        QFETCH(int, size);
        QFETCH(QString, seam);
        QFETCH(QString, line);
        const QString d = newFolder();
        QByteArray original = TestSupport::pseudoRandomBytes(size, quint32(size));
        QVERIFY(TestSupport::writeFile(d + "x.dat", original));
        if (!encrypt) {
            run(d, "x.dat", d, "x.dat", true, true);
            original = TestSupport::readFile(d + "x.dat");
        }
        const auto edit = [seam](const QString& path, const QString& result) {
            QFile f(seam.startsWith("corrupt") ? result : path);
            QVERIFY(f.open(QIODevice::ReadWrite));
            if (seam.startsWith("corrupt")) {
                f.seek(f.size() / 2);
                const char c = f.peek(1).at(0);
                f.write(QByteArray(1, char(c ^ 0x20)));
            } else {
                f.seek(f.size());
                f.write("an edit");
            }
        };
        // The last edit comes after the result was read back and found right, just before the original would go.
        if (seam == "edit after the check")
            m_ctx->afterResultChecked = [edit](const QString& path) { edit(path, QString()); };
        else
            m_ctx->afterResultWritten = edit;
        if (seam.startsWith("edit"))
            original += "an edit";
        run(d, "x.dat", d, "x.dat", encrypt, true);
        QCOMPARE(TestSupport::readFile(d + "x.dat"), original);
        QCOMPARE(files(d), QStringList{QStringLiteral("x.dat")});
        QVERIFY2(text().contains(line), qPrintable(text()));
        QCOMPARE(m_run->intFilesProcessed, 0);
    }

    // The size on a result line is the size of the result on disk, also when the group of new files has given it
    // its name before the line was written (every 1,024th file).
    void resultLinesGiveTheSizeOnDisk() {
        const QString in = newFolder(), mid = newFolder(), out = newFolder();
        for (int i = 0; i < 1030; ++i)
            QVERIFY(TestSupport::writeFile(in + QStringLiteral("f%1.txt").arg(i, 4, 10, QLatin1Char('0')),
                                           QByteArray(i % 7 + 1, 'x')));
        run(in, "*.txt", mid, "*.enc", true, false);
        run(mid, "*.enc", out, "*.txt", false, false);
        QCOMPARE(m_run->intFilesProcessed, 1030);
        static const QRegularExpression line(QStringLiteral("-> (f\\d+\\.txt)  (\\d+) bytes"));
        int lines = 0;
        for (auto it = line.globalMatch(text()); it.hasNext(); ++lines) {
            const QRegularExpressionMatch m = it.next();
            QCOMPARE(m.captured(2).toLongLong(), QFileInfo(out + m.captured(1)).size());
        }
        QCOMPARE(lines, 1030);
    }

    // What a line says happened is what happened.
    void linesSayWhatHappened_data() {
        QTest::addColumn<bool>("same");
        QTest::addColumn<QString>("seam");
        QTest::addColumn<QString>("line");
        const QString changed = "This file changed during the encryption operation and was left as it is.";
        const QString twice =
            crlf + QString(14, ' ') + "This file was ZQ4-encrypted already; it is now encrypted twice.";
        QTest::newRow("edited while encrypted to a new file") << false << "edit" << changed;
        QTest::newRow("encrypted twice, to a new file") << false << "encrypted" << twice;
        QTest::newRow("encrypted twice, in place") << true << "encrypted" << twice;
        QTest::newRow("edited in place once logged, same size") << true << "edit logged" << changed;
        QTest::newRow("a file appeared at the output name meanwhile") << false << "appeared"
                                                                      << "Error when renaming temporary output file. ";
        QTest::newRow("a file appeared meanwhile, no unnamed files") << false << "appeared, no unnamed files"
                                                                     << "Error when renaming temporary output file. ";
        // The file's one line says what became of it, and never names a result it did not get.
        QTest::newRow("a file appeared meanwhile: its one line")
            << false << "appeared" << QString(crlf + "x.dat         5,000 bytes   Error when renaming temporary output "
                                              "file. The result of the encryption operation is in the file ");
    }
    void linesSayWhatHappened() {
        QFETCH(bool, same);
        QFETCH(QString, seam);
        QFETCH(QString, line);
        const QString d = newFolder(), out = same ? d : newFolder();
        QByteArray plain = TestSupport::pseudoRandomBytes(5000, 9);
        QVERIFY(TestSupport::writeFile(d + "x.dat", plain));
        UnnamedFile::setAvailable(!seam.endsWith("no unnamed files"));
        if (seam == "encrypted") {
            run(d, "x.dat", d, "x.dat", true, true);
            plain = TestSupport::readFile(d + "x.dat");
        } else if (seam == "edit logged") {
            g_editWhenLogged = d + "x.dat";
            DiskTrace::setRecorder(editWhenLogged);
            plain.replace(0, 6, "EDITED");
        } else if (seam.startsWith("appeared")) {
            m_ctx->afterResultWritten = [out](const QString&, const QString&) {
                QVERIFY(TestSupport::writeFile(out + "x.dat", "someone else's"));
            };
        } else {
            m_ctx->afterResultWritten = [](const QString& path, const QString&) {
                QFile f(path);
                QVERIFY(f.open(QIODevice::Append));
                f.write("an edit");
            };
            plain += "an edit";
        }
        run(d, "x.dat", out, "x.dat", true, same);
        UnnamedFile::setAvailable(true);
        DiskTrace::setRecorder(nullptr);
        QVERIFY2(text().contains(line), qPrintable(text()));
        if (seam == "edit logged") {
            QCOMPARE(TestSupport::readFile(d + "x.dat"), plain);
            QCOMPARE(m_run->intFilesProcessed, 0);
        } else if (seam == "edit") {
            QCOMPARE(files(out), QStringList());
            QCOMPARE(TestSupport::readFile(d + "x.dat"), plain);
            QCOMPARE(m_run->intFilesProcessed, 0);
        } else if (seam.startsWith("appeared")) {
            QVERIFY2(!text().contains("->"), qPrintable(text()));
            QCOMPARE(TestSupport::readFile(out + "x.dat"), QByteArray("someone else's"));
            QCOMPARE(decrypted(out + "x.dat1"), plain);
            QCOMPARE(files(out), QStringList({"x.dat", "x.dat1"}));
            QCOMPARE(m_run->intFilesProcessed, 0); // not at its name: not done
        } else {
            QCOMPARE(decrypted(out + "x.dat"), plain);
        }
    }

    // Results reach the disk before they take their names (new files) and before any original goes (in place):
    // the order of the syncs, renames and purges as they happen.
    void resultsAreSyncedBeforeTheyAreNamedOrOriginalsGo_data() {
        QTest::addColumn<bool>("same");
        QTest::addColumn<bool>("encrypt");
        QTest::addColumn<int>("size");
        QTest::newRow("new files, decrypting") << false << false << 5000;
        QTest::newRow("new files, a small encryption") << false << true << 5000;
        QTest::newRow("new files, a large encryption") << false << true << (3 << 20);
        QTest::newRow("in place, a group, encrypting") << true << true << 5000;
        QTest::newRow("in place, a group, decrypting") << true << false << 5000;
        QTest::newRow("in place, one large file") << true << true << (3 << 20);
    }
    void resultsAreSyncedBeforeTheyAreNamedOrOriginalsGo() {
        QFETCH(bool, same);
        QFETCH(bool, encrypt);
        QFETCH(int, size);
        const QString d = newFolder(), out = same ? d : newFolder();
        for (const char* name : {"a.dat", "b.dat", "c.dat"})
            QVERIFY(TestSupport::writeFile(d + name, TestSupport::pseudoRandomBytes(size, quint32(name[0]))));
        if (!encrypt)
            run(d, "*.dat", d, "*.dat", true, true);
        // A rename onto one of our own temporary names is no change the user sees.
        static QList<DiskTrace::Step> steps;
        steps.clear();
        DiskTrace::setRecorder([](DiskTrace::Step step, const QString& path) {
            if (step != DiskTrace::Step::Rename || !path.contains(QLatin1String("/.zq4e-")))
                steps << step;
        });
        zq4e::set_sync_output(true);
        run(d, "*.dat", out, same ? "*.dat" : "*.enc", encrypt, same);
        zq4e::set_sync_output(false);
        DiskTrace::setRecorder(nullptr);
        QCOMPARE(m_run->intFilesProcessed, 3);
        using DiskTrace::Step;
        const auto firstOf = [](std::initializer_list<Step> kinds) {
            for (qsizetype i = 0; i < steps.size(); ++i)
                if (std::find(kinds.begin(), kinds.end(), steps[i]) != kinds.end())
                    return i;
            return qsizetype(-1);
        };
        const qsizetype firstSync = firstOf({Step::SyncFile, Step::SyncFileSystem});
        const qsizetype firstChange = firstOf({Step::Rename, Step::Purge});
        QVERIFY(firstChange >= 0);
        QString order;
        for (const Step s : std::as_const(steps))
            order += QString::number(int(s));
        QVERIFY2(firstSync >= 0 && firstSync < firstChange, qPrintable(order));
    }

    // A purge that fails says the original may be damaged and where the complete result is.
    void failedPurgeIsReported() {
        if (::geteuid() != 0)
            QSKIP("needs root to make a file immutable");
        const QString d = newFolder();
        const QByteArray plain = TestSupport::pseudoRandomBytes(3 << 20, 5);
        QVERIFY(TestSupport::writeFile(d + "x.dat", plain));
        bool immutable = false;
        m_ctx->beforePurge = [&](const QString& path) { immutable = setImmutable(path, true); };
        run(d, "x.dat", d, "x.dat", true, true);
        setImmutable(d + "x.dat", false);
        if (!immutable)
            QSKIP("this file system has no immutable files");
        QVERIFY2(text().contains("Error when purging the original file; it may be damaged. The result of the "
                                 "encryption operation is in the file " +
                                 d + "x.dat1."),
                 qPrintable(text()));
        QCOMPARE(decrypted(d + "x.dat1"), plain);
        QCOMPARE(m_run->intFilesProcessed, 0);
    }

    // A group of small files is final, and its lines written, before a file too large for the group is started.
    void groupIsFinalBeforeALargeFile() {
        const QString d = newFolder();
        QVERIFY(TestSupport::writeFile(d + "a.dat", "small one"));
        QVERIFY(TestSupport::writeFile(d + "b.dat", "small two"));
        QVERIFY(TestSupport::writeFile(d + "c.dat", TestSupport::pseudoRandomBytes(3 << 20, 6)));
        bool checked = false;
        m_ctx->afterResultWritten = [&](const QString& path, const QString&) {
            if (!path.endsWith("c.dat"))
                return;
            checked = true;
            QCOMPARE(decrypted(d + "a.dat"), QByteArray("small one"));
            QCOMPARE(decrypted(d + "b.dat"), QByteArray("small two"));
            QVERIFY(
                text().contains(QRegularExpression("a\\.dat +9 bytes   -> .*\r\nb\\.dat +9 bytes   -> .*\r\nc\\.dat")));
        };
        run(d, "*.dat", d, "*.dat", true, true);
        QVERIFY(checked);
        QCOMPARE(m_run->intFilesProcessed, 3);
    }

    // A 255-byte name works in place: the temporary name does not grow from it.
    void longestNamesWorkInPlace() {
        const QString d = newFolder();
        const QString name = QString(251, QLatin1Char('n')) + QStringLiteral(".txt");
        QVERIFY(TestSupport::writeFile(d + name, "long named"));
        run(d, "*.txt", d, "*.txt", true, true);
        QVERIFY2(m_run->intFilesProcessed == 1, qPrintable(text()));
        QCOMPARE(decrypted(d + name), QByteArray("long named"));
        run(d, "*.txt", d, "*.txt", false, true);
        QCOMPARE(TestSupport::readFile(d + name), QByteArray("long named"));
        QCOMPARE(files(d), QStringList{name});
    }

    // A disk that fills up during an in-place run costs no original: the file that does not fit stays as it was,
    // also when the disk fills while its result is being written over it (the original is put back from memory).
    void fullDiskKeepsTheOriginal_data() {
        QTest::addColumn<bool>("halfWay");
        QTest::addColumn<bool>("alone"); // the file that does not fit is the folder's only one: no log is ever written
        QTest::newRow("no room for the result") << false << false;
        QTest::newRow("no room for the result, nor for a log") << false << true;
        QTest::newRow("full half way through writing it over the original") << true << false;
    }
    void fullDiskKeepsTheOriginal() {
        QFETCH(bool, halfWay);
        QFETCH(bool, alone);
        if (::geteuid() != 0)
            QSKIP("needs root to mount a small tmpfs");
        const QString d = newFolder();
        if (::mount("tmpfs", native(d).constData(), "tmpfs", 0, "size=1m") != 0)
            QSKIP("cannot mount a tmpfs here");
        // Half way: 125 pages of 4 KiB, whose result needs a 126th; the log has room, and then nothing has.
        const QByteArray large = TestSupport::pseudoRandomBytes(halfWay ? 125 * 4096 : 700 * 1024, 8);
        const bool written =
            (alone || TestSupport::writeFile(d + "a.dat", "fits")) && TestSupport::writeFile(d + "b.dat", large);
        static QString filler;
        filler = d + "filler";
        if (halfWay)
            WriteBack::setHalfWayHook([] {
                QFile f(filler);
                if (f.exists() || !f.open(QIODevice::WriteOnly))
                    return;
                const QByteArray page(4096, 'f');
                while (f.write(page) == page.size() && f.flush()) {
                }
            });
        if (written)
            run(d, "*.dat", d, "*.dat", true, true);
        WriteBack::setHalfWayHook(nullptr);
        const QByteArray b = TestSupport::readFile(d + "b.dat"), a = decrypted(d + "a.dat");
        QStringList left = files(d);
        left.removeOne(QStringLiteral("filler"));
        ::umount(native(d).constData());
        QVERIFY(written);
        QCOMPARE(b, large);
        QCOMPARE(a, alone ? QByteArray() : QByteArray("fits"));
        // Nothing of ours left behind, not even a log that could not be written.
        QCOMPARE(left, alone ? QStringList{QStringLiteral("b.dat")}
                             : (QStringList{QStringLiteral("a.dat"), QStringLiteral("b.dat")}));
        QVERIFY2(text().contains("b.dat") && text().contains("Write error: disk full."), qPrintable(text()));
        QCOMPARE(m_run->intFilesProcessed, alone ? 0 : 1);
    }

    // A folder another run holds is not touched, and the user is told.
    void secondRunKeepsOff() {
        const QString d = newFolder();
        QVERIFY(TestSupport::writeFile(d + "a.txt", "busy"));
        const int fd = ::open(native(d).constData(), O_RDONLY | O_DIRECTORY);
        QVERIFY(fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0);
        run(d, "*.txt", d, "*.txt", true, true);
        ::close(fd);
        QCOMPARE(m_run->intOperationResult, -2);
        QCOMPARE(m_run->intFilesAttempted, 0);
        QCOMPARE(TestSupport::readFile(d + "a.txt"), QByteArray("busy"));
        QCOMPARE(MessageBox::last().text,
                 QStringLiteral("Another ZQ4 operation is using the folder ") + d + "." + "  Nothing was done in it.");
        // Once it is free, the folder is processed as usual.
        run(d, "*.txt", d, "*.txt", true, true);
        QCOMPARE(m_run->intFilesProcessed, 1);
    }

    // What a killed run left: a partial temporary file goes, a complete result whose original is gone comes back
    // under the original's name (and is not processed again), and the report says so.
    void leftoversArePutRight() {
        const QString d = newFolder();
        QVERIFY(TestSupport::writeFile(d + "plain.txt", "still to do"));
        QVERIFY(TestSupport::writeFile(d + "done.txt", "already encrypted"));
        QVERIFY(TestSupport::writeFile(d + ".zq4e-0123456789abcdef.tmp", "partial"));
        const QString temp = d + ".zq4e-fedcba9876543210.tmp";
        zq4e::operation_initialization(kKey, 1, 0, 0);
        QCOMPARE(zq4e::encrypt_file(d + "done.txt", temp), 0);
        InPlaceJournal::Entry e;
        e.tempName = QFileInfo(temp).fileName();
        e.name = QStringLiteral("done.txt");
        e.resultSize = QFileInfo(temp).size();
        e.originalSize = 17;
        QVERIFY(InPlaceJournal::write(d, {e}, true));
        QFile::remove(d + "done.txt"); // purged just before the kill
        run(d, "*.txt", d, "*.txt", true, true);
        QVERIFY2(text().contains("Found the complete result of an interrupted operation on done.txt and put it back "
                                 "under that name."),
                 qPrintable(text()));
        QVERIFY(
            text().contains("Removed the temporary file .zq4e-0123456789abcdef.tmp left by an interrupted operation."));
        QCOMPARE(m_run->intFilesAttempted, 1);
        QCOMPARE(decrypted(d + "done.txt"), QByteArray("already encrypted"));
        QCOMPARE(decrypted(d + "plain.txt"), QByteArray("still to do"));
        QCOMPARE(files(d), (QStringList{QStringLiteral("done.txt"), QStringLiteral("plain.txt")}));
    }
};

QTEST_GUILESS_MAIN(TestSealedRun)
#include "test_sealedrun.moc"
