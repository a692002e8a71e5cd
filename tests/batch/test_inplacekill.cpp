// An in-place encryption killed at random moments must never lose a file: afterwards each file is either
// its original or a complete encryption of it (under a temporary name at worst), and once the next run has put
// right what was left, each is that under its own name, with nothing else beside it. A run ended by a signal
// abandons its file cleanly: no half-written file anywhere, the input as it was.
#include "batch/BatchRun.h"
#include "batch/OperationSetup.h"
#include "batch/RunContext.h"
#include "batch/inplace/Leftovers.h"
#include "batch/inplace/WriteBack.h"
#include "key/frmKeyFrom.h"
#include "platform/engine/Engine.h"
#include "platform/filekit/FileKit.h"
#include "platform/os/QuitSignals.h"
#include "platform/os/UnnamedFile.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QThread>
#include <QtTest>

#include <atomic>
#include <csignal>
#include <unistd.h>

namespace {
const QByteArray kKey = QByteArray("KILLTESTKEY-0123").repeated(4);
const char* const kChildVar = "ZQ4_INPLACE_CHILD_FOLDER";
const char* const kSignalChildVar = "ZQ4_SIGNAL_CHILD_IN_PLACE";
const char* const kNewFilesChildVar = "ZQ4_NEW_FILES_CHILD"; // "enc": *.dat -> *.enc, "dec": *.enc -> *.out
// The child stops for good: "read" at the first read of an input (its result begun, nothing written), "write N"
// after the Nth write of a result (a write takes up to 4 MiB; each small file is one write), "hidden" once the
// first purged original has its random name, before it is removed, "purge N" before the Nth original is purged
// (a small one: before its result is written over it), "half" once half of a small result is written over its
// original.
const char* const kHoldChildVar = "ZQ4_HOLD_CHILD";
const char* const kNoUnnamedChildVar = "ZQ4_NO_UNNAMED_FILES"; // the child acts as on a file system without them

// Says "held", then holds the thread until the child is killed.
[[noreturn]] void holdForGood() {
    if (::write(STDOUT_FILENO, "held\n", 5) != 5)
        ::_exit(9);
    for (;;)
        ::pause();
}

std::atomic<int> g_writesToHold{0};
void holdAfterWrites(qint64) {
    if (g_writesToHold.fetch_sub(1) == 1)
        holdForGood();
}

void holdChild(const QString& when, RunContext& ctx) {
    if (when == QStringLiteral("hidden")) {
        filekit::set_purge_hidden_hook(holdForGood);
    } else if (when == QStringLiteral("half")) {
        WriteBack::setHalfWayHook(holdForGood);
    } else if (when.startsWith(QStringLiteral("purge "))) {
        ctx.beforePurge = [left = when.section(QLatin1Char(' '), 1).toInt()](const QString&) mutable {
            if (--left == 0)
                holdForGood();
        };
    } else if (when == QStringLiteral("read")) {
        zq4e::set_read_hook([](qint64) { holdForGood(); });
    } else {
        g_writesToHold = when.section(QLatin1Char(' '), 1).toInt();
        zq4e::set_write_hook(holdAfterWrites);
    }
}

int childMain(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (zq4e::allocate_buffers() == 0)
        return 2;
    UnnamedFile::setAvailable(!qEnvironmentVariableIsSet(kNoUnnamedChildVar));
    const bool signalled = qEnvironmentVariableIsSet(kSignalChildVar);
    const QString newFiles = qEnvironmentVariable(kNewFilesChildVar);
    const bool inPlace = newFiles.isEmpty() && (!signalled || qEnvironmentVariableIntValue(kSignalChildVar) != 0);
    OperationSetup setup;
    setup.blnEncrypt = newFiles != QStringLiteral("dec");
    setup.blnOutputFilesSame = inPlace;
    frmKeyFrom key;
    key.strKey = kKey;
    key.intKeyFrom = frmKeyFrom::FromKeyboard;
    RunContext ctx(setup, key);
    if (qEnvironmentVariableIsSet(kHoldChildVar))
        holdChild(qEnvironmentVariable(kHoldChildVar), ctx);
    BatchRun run(ctx);
    const QString folder = qEnvironmentVariable(kChildVar);
    if (signalled) {
        QuitSignals::install([&run] { run.requestStop(); });
        // The file is held after its first read until the signal has come, so the signal always lands mid-file.
        zq4e::set_read_hook([held = folder + QStringLiteral("../signal-held")](qint64) {
            static std::atomic<bool> once{false};
            if (once.exchange(true))
                return;
            TestSupport::writeFile(held, "held");
            for (int i = 0; i < 6000 && !zq4e::cancel_requested(); ++i)
                QThread::msleep(10);
        });
    }
    run.blnPerformingOperation = true;
    run.strInputDirpath = run.strOutputDirpath = folder;
    run.strInputFilespec = setup.blnEncrypt ? QStringLiteral("*.dat") : QStringLiteral("*.enc");
    run.strOutputFilespec = inPlace            ? QStringLiteral("*.dat")
                            : setup.blnEncrypt ? QStringLiteral("*.enc")
                                               : QStringLiteral("*.out");
    run.ProcessFiles();
    zq4e::deallocate_buffers();
    return signalled && zq4e::cancel_requested() ? 3 : run.intFilesProcessed > 0 ? 0 : 1;
}

// The plaintext of an encrypted file, or an empty array when it is not one of ours under the test key.
QByteArray decrypted(const QString& path, const QString& scratch) {
    QFile::remove(scratch);
    zq4e::operation_initialization(kKey, 0, QFileInfo(path).size(), 0);
    if (zq4e::decrypt_file(path, scratch) != 0)
        return {};
    const QByteArray plain = TestSupport::readFile(scratch);
    QFile::remove(scratch);
    return plain;
}
} // namespace

class TestInPlaceKill : public QObject {
    Q_OBJECT
    QTemporaryDir m_home;
    QMap<QString, QByteArray> m_originals;
    QString m_folder;
    QString m_scratch;
    QString m_newFiles; // the new-file mode of the next child, empty for in place

    void restoreFolder() {
        QDir d(m_folder);
        for (const QString& f : d.entryList(QDir::Files | QDir::Hidden))
            QFile::remove(d.filePath(f));
        for (auto it = m_originals.cbegin(); it != m_originals.cend(); ++it)
            QVERIFY(TestSupport::writeFile(m_folder + it.key(), it.value()));
    }

    // Every original is found, as itself or encrypted, under its name or a temporary name beside it.
    void checkNothingLost(int round) {
        QDir d(m_folder);
        const QStringList present = d.entryList(QDir::Files | QDir::Hidden);
        for (auto it = m_originals.cbegin(); it != m_originals.cend(); ++it) {
            bool found = false;
            QStringList candidates{it.key()};
            for (const QString& f : present)
                if (f != it.key() && !m_originals.contains(f))
                    candidates << f;
            for (const QString& c : std::as_const(candidates)) {
                const QByteArray bytes = TestSupport::readFile(m_folder + c);
                if (QFileInfo::exists(m_folder + c) &&
                    (bytes == it.value() || decrypted(m_folder + c, m_scratch) == it.value())) {
                    found = true;
                    break;
                }
            }
            QVERIFY2(found, qPrintable(QStringLiteral("round %1: %2 lost; folder holds %3")
                                           .arg(round)
                                           .arg(it.key(), present.join(QLatin1Char(' ')))));
        }
    }

    // After recovery: every file under its own name, as itself or encrypted, and nothing else in the folder.
    void checkRecovered(int round) {
        const QStringList present = QDir(m_folder).entryList(QDir::Files | QDir::Hidden);
        QVERIFY2(
            present == QStringList(m_originals.keys()),
            qPrintable(QStringLiteral("round %1: folder holds %2").arg(round).arg(present.join(QLatin1Char(' ')))));
        for (auto it = m_originals.cbegin(); it != m_originals.cend(); ++it) {
            const QByteArray bytes = TestSupport::readFile(m_folder + it.key());
            QVERIFY2(bytes == it.value() || decrypted(m_folder + it.key(), m_scratch) == it.value(),
                     qPrintable(QStringLiteral("round %1: %2 not recovered").arg(round).arg(it.key())));
        }
    }

    // Runs a child on the folder, killed after killAfterMs unless it ends first, or once it is held (holdChild).
    qint64 runChild(int killAfterMs, const QString& hold = {}) {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QString::fromLatin1(kChildVar), m_folder);
        env.remove(QString::fromLatin1(kSignalChildVar));
        if (!m_newFiles.isEmpty())
            env.insert(QString::fromLatin1(kNewFilesChildVar), m_newFiles);
        if (!hold.isEmpty())
            env.insert(QString::fromLatin1(kHoldChildVar), hold);
        child.setProcessEnvironment(env);
        child.setProgram(QCoreApplication::applicationFilePath());
        QElapsedTimer timer;
        timer.start();
        child.start();
        if (!child.waitForStarted())
            return -1;
        QByteArray said;
        while (!hold.isEmpty() && !said.contains("held") && child.waitForReadyRead(120000))
            said += child.readAllStandardOutput();
        if (!hold.isEmpty() && !said.contains("held"))
            return -1;
        if ((killAfterMs >= 0 || !hold.isEmpty()) && !child.waitForFinished(qMax(killAfterMs, 0)))
            ::kill(static_cast<pid_t>(child.processId()), SIGKILL);
        child.waitForFinished(120000);
        return timer.elapsed();
    }

private slots:
    void initTestCase() {
        TestSupport::prepareEnvironment(m_home);
        QVERIFY(zq4e::allocate_buffers() != 0);
        m_folder = QDir(m_home.path()).filePath(QStringLiteral("data/"));
        m_scratch = QDir(m_home.path()).filePath(QStringLiteral("scratch.out"));
        QDir().mkpath(m_folder);
        const int sizes[] = {1, 100, 4000, 65536, 70000, 150000, 300000, 6 * 1024 * 1024};
        int k = 0;
        for (int round = 0; round < 2; ++round)
            for (int s : sizes) {
                const QString name = QStringLiteral("f%1.dat").arg(k, 2, 10, QLatin1Char('0'));
                m_originals[name] = TestSupport::pseudoRandomBytes(s, static_cast<quint32>(7 * k + s));
                ++k;
            }
        // First of the folder, so every kill below meets it in the log: a name with the wildcard and separator
        // characters of other systems and a control character, which the log and its recovery find again by its
        // exact bytes.
        m_originals[QStringLiteral("f00 a?b*c:d\\e\x01.dat")] = TestSupport::pseudoRandomBytes(3000, 99);
    }
    void cleanupTestCase() { zq4e::deallocate_buffers(); }

    // Results to new files are synced and named in groups: a kill at any moment leaves every original, and under
    // every output name nothing, the complete result, or (encrypting) a file every decryption refuses.
    void killedWhileWritingNewFiles_data() {
        QTest::addColumn<QString>("mode");
        QTest::newRow("encrypting") << "enc";
        QTest::newRow("decrypting") << "dec";
    }
    void killedWhileWritingNewFiles() {
        QFETCH(QString, mode);
        restoreFolder();
        if (mode == "dec")
            for (auto it = m_originals.cbegin(); it != m_originals.cend(); ++it) {
                zq4e::operation_initialization(kKey, 1, 0, 0);
                QCOMPARE(zq4e::encrypt_file(m_folder + it.key(), m_folder + QFileInfo(it.key()).baseName() + ".enc"),
                         0);
            }
        m_newFiles = mode;
        const auto outputOf = [&](const QString& name) {
            return m_folder + QFileInfo(name).baseName() + (mode == "enc" ? ".enc" : ".out");
        };
        const QDir dir(m_folder);
        for (const QString& f : dir.entryList({QStringLiteral("*.out")}, QDir::Files))
            QFile::remove(m_folder + f);
        const qint64 full = runChild(-1);
        QRandomGenerator rng(20261208);
        for (int round = 1; round <= 10; ++round) {
            for (const QString& f :
                 dir.entryList({mode == "enc" ? QStringLiteral("*.enc") : QStringLiteral("*.out")}, QDir::Files))
                QFile::remove(m_folder + f);
            runChild(int(rng.bounded(quint32(qMax<qint64>(full, 50)))));
            for (auto it = m_originals.cbegin(); it != m_originals.cend(); ++it) {
                QCOMPARE(TestSupport::readFile(m_folder + it.key()), it.value());
                const QString out = outputOf(it.key());
                if (!QFileInfo::exists(out))
                    continue;
                if (mode == "dec") {
                    QVERIFY2(TestSupport::readFile(out) == it.value(),
                             qPrintable(QStringLiteral("round %1: %2").arg(round).arg(out)));
                } else {
                    const QByteArray plain = decrypted(out, m_scratch);
                    QVERIFY2(plain.isEmpty() ? it.value().size() > 0 : plain == it.value(),
                             qPrintable(QStringLiteral("round %1: %2").arg(round).arg(out)));
                }
            }
            Leftovers::recover(m_folder, QStringLiteral("*.dat"));
            QCOMPARE(dir.entryList({QStringLiteral(".zq4e-*")}, QDir::Files | QDir::Hidden), QStringList());
        }
        m_newFiles.clear();
    }

    void signalEndsTheFileCleanly_data();
    void signalEndsTheFileCleanly();

    // Killed while a result to a new file is written, or once it is written but before its group has synced it
    // and given it its name: nothing lies under the output name (a crash of the machine could otherwise leave it
    // there empty or cut short), and the next run finds nothing to remove but what the file system has no
    // unnamed files for.
    void killedBeforeANewFileHasItsName_data() {
        QTest::addColumn<QList<int>>("sizes");
        QTest::addColumn<QString>("hold");
        QTest::addColumn<bool>("unnamedFiles");
        QTest::newRow("large, 8 MiB of it written") << QList<int>{24 << 20} << "write 2" << true;
        QTest::newRow("small, begun, nothing written") << QList<int>{100000} << "read" << true;
        QTest::newRow("small, written, its group not committed") << QList<int>{100000, 3000} << "write 2" << true;
        QTest::newRow("small, written, no unnamed files") << QList<int>{100000, 3000} << "write 2" << false;
    }
    void killedBeforeANewFileHasItsName() {
        QFETCH(QList<int>, sizes);
        QFETCH(QString, hold);
        QFETCH(bool, unnamedFiles);
        const QString folder = QDir(m_home.path()).filePath(QStringLiteral("held/"));
        QDir(folder).removeRecursively();
        QDir().mkpath(folder);
        QStringList inputs;
        QList<QByteArray> plains;
        for (int size : sizes) {
            inputs << QStringLiteral("f%1.dat").arg(inputs.size());
            plains << TestSupport::pseudoRandomBytes(size, quint32(size));
            QVERIFY(TestSupport::writeFile(folder + inputs.last(), plains.last()));
        }
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QString::fromLatin1(kChildVar), folder);
        env.insert(QString::fromLatin1(kNewFilesChildVar), QStringLiteral("enc"));
        env.insert(QString::fromLatin1(kHoldChildVar), hold);
        if (!unnamedFiles)
            env.insert(QString::fromLatin1(kNoUnnamedChildVar), QStringLiteral("1"));
        child.setProcessEnvironment(env);
        child.setProgram(QCoreApplication::applicationFilePath());
        child.start();
        QVERIFY(child.waitForStarted());
        QByteArray said;
        while (!said.contains("held") && child.waitForReadyRead(120000))
            said += child.readAllStandardOutput();
        QVERIFY2(said.contains("held"), said.constData());
        ::kill(static_cast<pid_t>(child.processId()), SIGKILL);
        QVERIFY(child.waitForFinished(60000));
        const QStringList left = QDir(folder).entryList(QDir::Files | QDir::Hidden);
        QVERIFY2(left.filter(QStringLiteral(".enc")).isEmpty(),
                 qPrintable(QStringLiteral("under an output name: ") + left.join(QLatin1Char(' '))));
        QCOMPARE(left.size() > inputs.size(), !unnamedFiles);
        Leftovers::recover(folder, QStringLiteral("*.enc"));
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), inputs);
        for (qsizetype i = 0; i < inputs.size(); ++i)
            QVERIFY(TestSupport::readFile(folder + inputs[i]) == plains[i]);
    }

    // Killed once an original, overwritten, has its random name and before it is removed: the next run removes
    // that file with the other leftovers, and every file is itself or encrypted under its own name.
    void killedWhileAnOriginalIsRemoved() {
        restoreFolder();
        QVERIFY(runChild(-1, QStringLiteral("hidden")) > 0);
        checkNothingLost(0);
        Leftovers::recover(m_folder, QStringLiteral("*.dat"));
        checkRecovered(0);
    }

    // Small results are logged, then written over their originals, then synced. Killed before the first is
    // written, half way through one, or with two written and not yet synced, the next run leaves each file itself
    // or encrypted, whole, under its own name; one the user edited after the kill keeps the edit, its result
    // beside it.
    void killedWhileResultsAreWrittenBack_data() {
        QTest::addColumn<QString>("hold");
        QTest::addColumn<QString>("after"); // what the user does to the first file after the kill
        QTest::newRow("logged, nothing written back") << "purge 1"
                                                      << "";
        QTest::newRow("half of a result written back") << "half"
                                                       << "";
        QTest::newRow("two written back, not synced") << "purge 3"
                                                      << "";
        QTest::newRow("half written back, then edited") << "half"
                                                        << "edit";
        QTest::newRow("half written back, then a link put there") << "half"
                                                                  << "link";
    }
    void killedWhileResultsAreWrittenBack() {
        QFETCH(QString, hold);
        QFETCH(QString, after);
        restoreFolder();
        QVERIFY(runChild(-1, hold) > 0);
        // The first file of the folder is the first of the group.
        const QString first = m_originals.firstKey();
        const QByteArray before = TestSupport::readFile(m_folder + first);
        const bool torn = hold == "half";
        QCOMPARE(before != m_originals.first() && decrypted(m_folder + first, m_scratch).isEmpty(), torn);
        const QString elsewhere = m_home.path() + QStringLiteral("/elsewhere");
        if (after == "edit")
            QVERIFY(TestSupport::writeFile(m_folder + first, "edited"));
        // The half-written file moved elsewhere and a link to it in its place: nothing is written through it.
        if (after == "link")
            QVERIFY(QFile::rename(m_folder + first, elsewhere) && QFile::link(elsewhere, m_folder + first));
        const Leftovers::Outcome found = Leftovers::recover(m_folder, QStringLiteral("*.dat"));
        QCOMPARE(found.restoredNames.contains(first), torn && after.isEmpty());
        if (after.isEmpty()) {
            checkRecovered(0);
            return;
        }
        // Left as it is (a link neither followed nor replaced), the result beside it.
        QCOMPARE(TestSupport::readFile(m_folder + first), after == "link" ? before : QByteArray("edited"));
        QCOMPARE(QFileInfo(m_folder + first).isSymLink(), after == "link");
        const QStringList aside = QDir(m_folder).entryList({first + ".recovered*"}, QDir::Files);
        QCOMPARE(aside.size(), 1);
        QCOMPARE(decrypted(m_folder + aside.first(), m_scratch), m_originals.first());
    }

    void killedAtRandomMoments() {
        restoreFolder();
        const qint64 full = runChild(-1);
        QVERIFY(full > 0);
        // A complete run encrypts every file in place.
        for (auto it = m_originals.cbegin(); it != m_originals.cend(); ++it)
            QCOMPARE(decrypted(m_folder + it.key(), m_scratch), it.value());
        QRandomGenerator rng(20240517);
        for (int round = 1; round <= 20; ++round) {
            restoreFolder();
            runChild(static_cast<int>(rng.bounded(static_cast<quint32>(qMax<qint64>(full, 50)))));
            checkNothingLost(round);
            if (QTest::currentTestFailed())
                return;
            Leftovers::recover(m_folder, QStringLiteral("*.dat"));
            checkRecovered(round);
            if (QTest::currentTestFailed())
                return;
        }
    }
};

// A signal during a large file: the file is abandoned, nothing half-written is left, the input stays.
void TestInPlaceKill::signalEndsTheFileCleanly_data() {
    QTest::addColumn<int>("sig");
    QTest::addColumn<bool>("inPlace");
    QTest::newRow("SIGTERM, to a new file") << int(SIGTERM) << false;
    QTest::newRow("SIGINT, in place") << int(SIGINT) << true;
    QTest::newRow("SIGHUP, to a new file") << int(SIGHUP) << false;
}

void TestInPlaceKill::signalEndsTheFileCleanly() {
    QFETCH(int, sig);
    QFETCH(bool, inPlace);
    const QString folder = QDir(m_home.path()).filePath(QStringLiteral("signalled/"));
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    const QByteArray big = TestSupport::pseudoRandomBytes(160 << 20, 99);
    QVERIFY(TestSupport::writeFile(folder + "big.dat", big));
    const QString held = folder + "../signal-held";
    QFile::remove(held);
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(kChildVar), folder);
    env.insert(QString::fromLatin1(kSignalChildVar), inPlace ? QStringLiteral("1") : QStringLiteral("0"));
    child.setProcessEnvironment(env);
    child.setProgram(QCoreApplication::applicationFilePath());
    child.start();
    QVERIFY(child.waitForStarted());
    // Signalled while the engine holds the file after its first read.
    QVERIFY(QTest::qWaitFor([&] { return QFile::exists(held) || child.state() == QProcess::NotRunning; }, 60000));
    QVERIFY(QFile::exists(held));
    ::kill(static_cast<pid_t>(child.processId()), sig);
    QVERIFY(child.waitForFinished(60000));
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    const QStringList left = QDir(folder).entryList(QDir::Files | QDir::Hidden);
    QCOMPARE(child.exitCode(), 3);
    QCOMPARE(left, QStringList{QStringLiteral("big.dat")});
    QVERIFY(TestSupport::readFile(folder + "big.dat") == big);
}

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsSet(kChildVar))
        return childMain(argc, argv);
    QCoreApplication app(argc, argv);
    TestInPlaceKill test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "test_inplacekill.moc"
