// Speed of whole runs through the report window, on this machine's disk, against the plain tools on the same data.
// Every case alternates the reference and our run (A B A B ...) for a number of rounds in this one process, drops
// the page cache before each timed run (as root; otherwise it only syncs) and prints the median of the per-round
// ratios with their spread, then the peak memory:
//   bench=batch case=<case> ratio=<median> spread=<min>-<max>
//   bench=batch case=peak_memory mib=<n>
// A ratio is our throughput over the reference's (higher is better). Per-round times go to standard error.
// Usage: bench_batch [scale] [--rounds N] [--dir FOLDER] [--case NAME]...
//   scale < 1 shrinks every data set (0.05 for a quick look); the data lives in a fresh folder under FOLDER
//   (default: the current folder); --case runs only the named cases.
//
// A case is one function of a Bench; add it to kCases in main.
#include "BenchRounds.h"

#include "batch/OperationSetup.h"
#include "batch/RunContext.h"
#include "batch/gui/ProgressPanel.h"
#include "batch/gui/frmReport.h"
#include "key/frmKeyFrom.h"
#include "platform/engine/Engine.h"
#include "platform/os/UnnamedFile.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cstdio>
#include <cstring>
#include <malloc.h>
#include <unistd.h>

namespace {

// What every case is given: the size of the run, a fresh folder of its own, and the report window with its setup.
struct Bench {
    double scale = 1.0;
    int rounds = 5;
    QString dir; // the case's own folder, removed after it
    OperationSetup& setup;
    frmKeyFrom& key;
    frmReport& report;

    qint64 count(qint64 files) const { return qMax<qint64>(1, qint64(double(files) * scale)); }
    qint64 size(qint64 bytes) const { return qMax<qint64>(1 << 20, qint64(double(bytes) * scale)); }

    // Encrypts every *.dat of the folder `in` through the report window: to `out` as *.enc, or in place when out
    // is empty. Returns the number of files processed.
    qint64 run(const QString& in, const QString& out, BatchRun* through = nullptr) {
        BatchRun& r = through ? *through : report;
        setup.blnEncrypt = true;
        setup.blnOutputFilesSame = out.isEmpty();
        r.blnPerformingOperation = true;
        r.blnGettingInputFilesizes = false;
        r.strInputDirpath = in;
        r.strInputFilespec = QStringLiteral("*.dat");
        r.strOutputDirpath = out.isEmpty() ? in : out;
        r.strOutputFilespec = out.isEmpty() ? QStringLiteral("*.dat") : QStringLiteral("*.enc");
        r.ProcessFiles();
        return r.intFilesProcessed;
    }
};

// n files of minSize..maxSize bytes in a new folder; returns their total size.
qint64 makeFiles(const QString& dir, qint64 n, qint64 minSize, qint64 maxSize) {
    QDir().mkpath(dir);
    QRandomGenerator rng(42);
    QByteArray chunk(1 << 20, Qt::Uninitialized);
    for (auto& c : chunk)
        c = char(rng.bounded(256));
    qint64 total = 0;
    for (qint64 i = 0; i < n; ++i) {
        const qint64 size = minSize + (maxSize > minSize ? qint64(rng.bounded(quint64(maxSize - minSize + 1))) : 0);
        QFile f(dir + QStringLiteral("/f%1.dat").arg(i, 6, 10, QLatin1Char('0')));
        if (!f.open(QIODevice::WriteOnly))
            return -1;
        for (qint64 left = size; left > 0; left -= chunk.size())
            f.write(chunk.constData(), qMin<qint64>(left, chunk.size()));
        total += size;
    }
    return total;
}

bool copyFolder(const QString& from, const QString& to) {
    return bench::runProgram(QStringLiteral("cp"), {QStringLiteral("-r"), from, to});
}

// 10,000 files of 1 KiB to new files: `cp -r` of the folder, then the run; the results wait for their names
// unnamed, or (where `unnamed` is off, as on a file system without unnamed files) under temporary names.
void smallNewCase(Bench& b, const char* name, bool unnamed) {
    const qint64 n = b.count(10000);
    const QString in = b.dir + QStringLiteral("/in"), copy = b.dir + QStringLiteral("/copy"),
                  out = b.dir + QStringLiteral("/out");
    bench::Rounds rounds("batch", name, n, makeFiles(in, n, 1024, 1024));
    UnnamedFile::setAvailable(unnamed);
    for (int i = 0; i < b.rounds; ++i) {
        bench::dropCaches();
        const double ref = bench::timed([&] { return copyFolder(in, copy); });
        QDir(copy).removeRecursively();
        QDir().mkpath(out);
        bench::dropCaches();
        const double ours = bench::timed([&] { return b.run(in + '/', out + '/') == n; });
        QDir(out).removeRecursively();
        rounds.add(ref, ours);
    }
    UnnamedFile::setAvailable(true);
    rounds.print();
}

void smallNew(Bench& b) {
    smallNewCase(b, "small_new", true);
}
void smallNewTemporaryNames(Bench& b) {
    smallNewCase(b, "small_new_temporary_names", false);
}

// What the window costs: 10,000 files of 1 KiB to new files through the report window, against the same run
// without a window, caches warm for both. Which of the two goes first is swapped every round: the run that follows
// another meets the disk still writing back the files just made and removed, which would otherwise always weigh
// on the same side. Three times the rounds: the difference looked for is small against the disk's swings.
void windowCost(Bench& b) {
    const qint64 n = b.count(10000);
    const QString in = b.dir + QStringLiteral("/in"), out = b.dir + QStringLiteral("/out");
    bench::Rounds rounds("batch", "window_cost", n, makeFiles(in, n, 1024, 1024));
    BatchRun plain(b.report.context());
    const auto timed = [&](bool window) {
        QDir().mkpath(out);
        const double t = bench::timed([&] { return b.run(in + '/', out + '/', window ? nullptr : &plain) == n; });
        QDir(out).removeRecursively();
        return t;
    };
    for (int i = 0; i < 3 * b.rounds; ++i)
        rounds.addInTurns([&] { return timed(false); }, [&] { return timed(true); });
    rounds.print();
}

// 2,000 files of 4-64 KiB in place, durable and checked, against an in-place tool that neither syncs nor checks,
// each over its own copy of the folder.
void smallInPlace(Bench& b) {
    if (!bench::haveProgram(QStringLiteral("ccrypt"))) {
        std::fprintf(stderr, "# small_inplace skipped: its reference, ccrypt, is not installed "
                             "(`make bench-deps` installs it as root)\n");
        return;
    }
    const qint64 n = b.count(2000);
    const QString src = b.dir + QStringLiteral("/src"), refDir = b.dir + QStringLiteral("/ref"),
                  ourDir = b.dir + QStringLiteral("/ours");
    bench::Rounds rounds("batch", "small_inplace", n, makeFiles(src, n, 4096, 65536));
    for (int i = 0; i < b.rounds; ++i) {
        if (!copyFolder(src, refDir) || !copyFolder(src, ourDir)) {
            rounds.add(-1, -1);
            break;
        }
        bench::dropCaches();
        const double ref = bench::timed([&] {
            return bench::runProgram(QStringLiteral("ccrypt"),
                                     {QStringLiteral("-e"), QStringLiteral("-r"), QStringLiteral("-f"),
                                      QStringLiteral("-q"), QStringLiteral("-K"), QStringLiteral("bench-key"), refDir});
        });
        bench::dropCaches();
        const double ours = bench::timed([&] { return b.run(ourDir + '/', QString()) == n; });
        QDir(refDir).removeRecursively();
        QDir(ourDir).removeRecursively();
        rounds.add(ref, ours);
    }
    rounds.print();
}

// 1 GiB to a new file, synced: `cp` then an fsync of the copy, against the run.
void largeNewSynced(Bench& b) {
    const qint64 size = b.size(qint64(1) << 30);
    const QString in = b.dir + QStringLiteral("/in"), copy = b.dir + QStringLiteral("/copy.dat"),
                  out = b.dir + QStringLiteral("/out");
    bench::Rounds rounds("batch", "large_new_synced", 1, makeFiles(in, 1, size, size));
    const QString big = in + QStringLiteral("/f000000.dat");
    for (int i = 0; i < b.rounds; ++i) {
        bench::dropCaches();
        const double ref = bench::timed([&] {
            return bench::runProgram(QStringLiteral("cp"), {big, copy}) && bench::fsyncFile(copy);
        });
        QFile::remove(copy);
        QDir().mkpath(out);
        bench::dropCaches();
        const double ours = bench::timed([&] { return b.run(in + '/', out + '/') == 1; });
        QDir(out).removeRecursively();
        rounds.add(ref, ours);
    }
    rounds.print();
}

// The report window's progress display against none: one large file, the display shown from its first moment
// (the most it can cost), encrypted to a new file with the display on and off in turn (the order swapped every
// pair, so that a drift of the machine falls on both sides). The disk is left out (memory-backed /dev/shm when
// there is one, no syncs): it only adds noise and time that the display does not touch, so the ratio is if
// anything low. Three times the rounds: the difference looked for is small.
void progressDisplay(Bench& b) {
    const QDir shm(QStringLiteral("/dev/shm"));
    QTemporaryDir tmp((shm.exists() ? shm : QDir(b.dir)).filePath(QStringLiteral("bench_progress_XXXXXX")));
    const QString in = tmp.filePath(QStringLiteral("in")), out = tmp.filePath(QStringLiteral("out"));
    const qint64 size = qMax<qint64>(256LL << 20, b.size(1LL << 30));
    bench::Rounds rounds("batch", "progress_display", 1, makeFiles(in, 1, size, size));
    rounds.setDecimals(4);
    frmReport& report = b.report;
    const auto timed = [&](bool on) {
        report.fraProgress->setDisplayOn(on);
        QDir(out).removeRecursively();
        QDir().mkpath(out);
        return bench::timed([&] { return b.run(in + '/', out + '/') == 1; });
    };
    const qint64 showAfter = report.fraProgress->intShowAfterMs;
    report.fraProgress->intShowAfterMs = 0;
    const bool syncing = zq4e::sync_output();
    zq4e::set_sync_output(false);
    for (int pair = 0; pair < 3 * b.rounds; ++pair)
        rounds.addInTurns([&] { return timed(false); }, [&] { return timed(true); });
    zq4e::set_sync_output(syncing);
    report.fraProgress->intShowAfterMs = showAfter;
    report.fraProgress->setDisplayOn(true);
    rounds.print();
}

qint64 residentBytes() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields.at(1).toLongLong() * ::sysconf(_SC_PAGESIZE) : 0;
}

// What the report window holds for each line of a long report: resident memory before and after 100,000 lines of
// about 60 characters shown in it (brought up to date every 1,000 lines, as its clock does), against the two bytes a
// character that the report's text itself takes. Prints
//   bench=batch case=report_memory bytes_per_line=<n> text_bytes_per_line=<m>
void reportMemory(Bench& b) {
    frmReport& report = b.report;
    const qint64 lines = b.count(100000);
    const auto refresh = [&] {
        report.refreshText();
        QCoreApplication::processEvents();
    };
    // Emptied, and the window told so by a line of its own.
    const auto empty = [&] {
        report.report().clear();
        report.AddToReport(QStringLiteral("\r\n"));
        refresh();
    };
    empty();
    ::malloc_trim(0);
    const qint64 before = residentBytes();
    for (qint64 i = 0; i < lines; ++i) {
        report.AddToReport(QStringLiteral("%1 notes-2026-03-%2.txt   12,345 bytes   -> 12,425 bytes\r\n")
                               .arg(i, 6)
                               .arg(i % 28 + 1, 2, 10, QLatin1Char('0')),
                           true);
        if (i % 1000 == 999)
            refresh();
    }
    refresh();
    const qint64 after = residentBytes();
    const double textPerLine = 2.0 * double(report.report().size()) / double(lines);
    std::fprintf(stderr, "# report_memory: %lld lines, resident %.1f MiB before, %.1f MiB after\n",
                 static_cast<long long>(lines), double(before) / 1048576, double(after) / 1048576);
    std::printf("bench=batch case=report_memory bytes_per_line=%.0f text_bytes_per_line=%.0f\n",
                double(after - before) / double(lines), textPerLine);
    std::fflush(stdout);
    empty();
}

struct Case {
    const char* name;
    void (*run)(Bench&);
};

void quietSizeHints(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (!message.contains(QLatin1String("propagateSizeHints")))
        std::fprintf(stderr, "%s%s\n", type == QtWarningMsg ? "warning: " : "", qPrintable(message));
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(quietSizeHints);
    QApplication app(argc, argv);
    const Case kCases[] = {
        {"small_new", smallNew},
        {"small_new_temporary_names", smallNewTemporaryNames},
        {"small_inplace", smallInPlace},
        {"large_new_synced", largeNewSynced},
        {"progress_display", progressDisplay},
        {"window_cost", windowCost},
        {"report_memory", reportMemory},
    };

    const bench::Arguments args = bench::parseArguments(argc, argv, QDir::currentPath());
    const double scale = args.scale;
    const int rounds = args.rounds;
    const QString base = args.dir;
    if (scale <= 0 || zq4e::allocate_buffers() == 0) {
        std::fprintf(stderr, "usage: bench_batch [scale] [--rounds N] [--dir FOLDER] [--case NAME]...\n");
        return 1;
    }
    OperationSetup setup;
    frmKeyFrom key;
    key.strKey = QByteArray("BENCHMARK-KEY-01").repeated(4);
    key.intKeyFrom = frmKeyFrom::FromKeyboard;
    RunContext ctx(setup, key);
    frmReport report(ctx);
    report.show();

    // The one derivation of the session's master key, before any timing: a program session pays it once.
    QTemporaryDir warm(base + QStringLiteral("/bench_batch_XXXXXX"));
    if (!warm.isValid()) {
        std::fprintf(stderr, "bench_batch: cannot create a folder in %s\n", qPrintable(base));
        return 1;
    }
    QFile w(warm.filePath(QStringLiteral("w")));
    w.open(QIODevice::WriteOnly);
    w.write("warm");
    w.close();
    zq4e::operation_initialization(key.strKey, 1, 4, 0);
    // Only to derive the session's key before the rounds; the file itself is of no interest.
    if (zq4e::encrypt_file(w.fileName(), w.fileName() + QStringLiteral(".enc")) != 0)
        std::fprintf(stderr, "# warming the engine failed\n");
    std::fprintf(stderr, "# scale %g, %d rounds, data under %s\n", scale, rounds, qPrintable(base));

    for (const Case& c : kCases) {
        if (!args.wants(c.name))
            continue;
        QTemporaryDir tmp(base + QStringLiteral("/bench_batch_XXXXXX"));
        Bench b{scale, rounds, tmp.path(), setup, key, report};
        c.run(b);
    }
    zq4e::deallocate_buffers();
    bench::printPeakMemory("batch");
    return 0;
}
