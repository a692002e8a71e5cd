// Speed of a batch run against two references on the same data: the engine alone, and the I/O that an
// in-place operation cannot avoid (a synced copy of each file, then a synced overwrite of the original).
// Usage: bench_batch [scale]   scale < 1 shrinks every data set (e.g. 0.1 for a quick look).
#include "app/OperationSetup.h"
#include "batch/RunContext.h"
#include "batch/gui/ProgressPanel.h"
#include "batch/gui/frmReport.h"
#include "key/frmKeyFrom.h"
#include "platform/engine/Engine.h"
#include "platform/os/MessageBox.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {
struct DataSet {
    const char* name;
    qint64 files;
    qint64 minSize, maxSize;
};

qint64 makeFiles(const QString& dir, const DataSet& set, double scale) {
    QDir().mkpath(dir);
    QRandomGenerator rng(42);
    const qint64 n = qMax<qint64>(1, qint64(set.files * (set.files > 1 ? scale : 1.0)));
    const qint64 maxSize = set.files == 1 ? qMax<qint64>(1 << 20, qint64(set.maxSize * scale)) : set.maxSize;
    const qint64 minSize = set.files == 1 ? maxSize : set.minSize;
    QByteArray chunk(1 << 20, Qt::Uninitialized);
    for (auto& c : chunk)
        c = char(rng.bounded(256));
    qint64 total = 0;
    for (qint64 i = 0; i < n; ++i) {
        const qint64 size = minSize + (maxSize > minSize ? qint64(rng.bounded(quint64(maxSize - minSize + 1))) : 0);
        QFile f(dir + QStringLiteral("f%1.dat").arg(i, 6, 10, QLatin1Char('0')));
        f.open(QIODevice::WriteOnly);
        for (qint64 left = size; left > 0; left -= chunk.size())
            f.write(chunk.constData(), qMin<qint64>(left, chunk.size()));
        total += size;
    }
    return total;
}

QStringList filesOf(const QString& dir) {
    QStringList out;
    for (const QString& f : QDir(dir).entryList({QStringLiteral("*.dat")}, QDir::Files, QDir::Name))
        out << dir + f;
    return out;
}

bool syncedCopy(const QString& from, const QString& to, QByteArray& buffer) {
    const int in = ::open(QFile::encodeName(from).constData(), O_RDONLY);
    const int out = ::open(QFile::encodeName(to).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    bool ok = in >= 0 && out >= 0;
    ssize_t n;
    while (ok && (n = ::read(in, buffer.data(), buffer.size())) > 0)
        ok = ::write(out, buffer.constData(), n) == n;
    ok = ok && ::fsync(out) == 0;
    if (in >= 0)
        ::close(in);
    if (out >= 0)
        ::close(out);
    return ok;
}

bool syncedOverwrite(const QString& path, QByteArray& buffer) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY);
    if (fd < 0)
        return false;
    qint64 left = QFileInfo(path).size();
    bool ok = true;
    while (ok && left > 0) {
        const qint64 n = qMin<qint64>(left, buffer.size());
        ok = ::write(fd, buffer.constData(), n) == n;
        left -= n;
    }
    ok = ok && ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

void print(const char* set, const char* what, qint64 files, qint64 bytes, qint64 ms) {
    const double s = qMax<qint64>(ms, 1) / 1000.0;
    std::printf("bench_batch set=%s case=%s files=%lld bytes=%lld seconds=%.3f files_per_s=%.1f mb_per_s=%.2f\n", set,
                what, static_cast<long long>(files), static_cast<long long>(bytes), s, files / s,
                bytes / 1048576.0 / s);
    std::fflush(stdout);
}
// The report window's progress display against none: one large file, the display shown from its first moment
// (the most it can cost), encrypted to a new file with the display on and off in turn (the order swapped every pair, so
// that a drift of the machine falls on both sides). The disk is left out (memory-backed /dev/shm when there is one, no
// syncs): it only adds noise and time that the display does not touch, so the ratio is if anything high.
void progressDisplay(frmReport& report, OperationSetup& setup, double scale) {
    const QDir shm(QStringLiteral("/dev/shm"));
    QTemporaryDir tmp((shm.exists() ? shm : QDir::current()).filePath(QStringLiteral("bench_progress_XXXXXX")));
    const QString in = tmp.filePath(QStringLiteral("in/"));
    const QString out = tmp.filePath(QStringLiteral("out/"));
    QDir().mkpath(out);
    const qint64 size = qMax<qint64>(256LL << 20, qint64((1024LL << 20) * scale));
    makeFiles(in, {"progress", 1, size, size}, 1.0);
    setup.blnEncrypt = true;
    setup.blnOutputFilesSame = false;
    report.blnPerformingOperation = true;
    report.blnGettingInputFilesizes = false;
    report.strInputDirpath = in;
    report.strInputFilespec = QStringLiteral("*.dat");
    report.strOutputDirpath = out;
    report.strOutputFilespec = QStringLiteral("*.enc");
    const auto timed = [&](bool on) {
        report.fraProgress->setDisplayOn(on);
        QDir(out).removeRecursively();
        QDir().mkpath(out);
        QElapsedTimer t;
        t.start();
        report.ProcessFiles();
        return double(qMax<qint64>(t.nsecsElapsed(), 1));
    };
    const qint64 showAfter = report.fraProgress->intShowAfterMs;
    report.fraProgress->intShowAfterMs = 0;
    const bool syncing = zq4e::sync_output();
    zq4e::set_sync_output(false);
    QList<double> ratios;
    for (int pair = 0; pair < 15; ++pair) {
        double with = 0, without = 0;
        if (pair % 2 == 0) {
            with = timed(true);
            without = timed(false);
        } else {
            without = timed(false);
            with = timed(true);
        }
        ratios << with / without;
    }
    zq4e::set_sync_output(syncing);
    report.fraProgress->intShowAfterMs = showAfter;
    report.fraProgress->setDisplayOn(true);
    std::sort(ratios.begin(), ratios.end());
    std::printf("bench=batch case=progress_display ratio=%.4f spread=%.4f-%.4f\n", ratios[ratios.size() / 2],
                ratios.first(), ratios.last());
    std::fflush(stdout);
}
} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const double scale = argc > 1 ? QString::fromLatin1(argv[1]).toDouble() : 1.0;
    if (zq4e::allocate_buffers() == 0)
        return 1;
    OperationSetup setup;
    frmKeyFrom key;
    key.strKey = QByteArray("BENCHMARK-KEY-01").repeated(4);
    key.intKeyFrom = frmKeyFrom::FromKeyboard;
    RunContext ctx(setup, key);
    frmReport report(ctx);
    report.show();

    // One derivation of the master key before any timing: every run of the program pays it once.
    QTemporaryDir warm;
    QFile w(warm.filePath(QStringLiteral("w")));
    w.open(QIODevice::WriteOnly);
    w.write("warm");
    w.close();
    zq4e::operation_initialization(key.strKey, 1, 4, 0);
    zq4e::encrypt_file(w.fileName(), w.fileName() + QStringLiteral(".enc"));

    const DataSet sets[] = {
        {"10000x1KiB", 10000, 1024, 1024},
        {"2000x4-64KiB", 2000, 4096, 65536},
        {"1x1GiB", 1, 1LL << 30, 1LL << 30},
    };
    QByteArray buffer(1 << 20, 'z');
    for (const DataSet& set : sets) {
        QTemporaryDir tmp(QDir::current().filePath(QStringLiteral("bench_batch_XXXXXX")));
        const QString in = tmp.filePath(QStringLiteral("in/"));
        const QString out = tmp.filePath(QStringLiteral("out/"));
        QDir().mkpath(out);
        const qint64 bytes = makeFiles(in, set, scale);
        const QStringList files = filesOf(in);
        QElapsedTimer t;

        // Engine alone, to new files.
        t.start();
        for (const QString& f : files) {
            zq4e::operation_initialization(key.strKey, 1, QFileInfo(f).size(), 0);
            zq4e::encrypt_file(f, out + QFileInfo(f).fileName() + QStringLiteral(".e"));
        }
        print(set.name, "engine_only", files.size(), bytes, t.elapsed());
        QDir(out).removeRecursively();
        QDir().mkpath(out);

        // The run, to new files.
        setup.blnEncrypt = true;
        setup.blnOutputFilesSame = false;
        report.blnPerformingOperation = true;
        report.blnGettingInputFilesizes = false;
        report.strInputDirpath = in;
        report.strInputFilespec = QStringLiteral("*.dat");
        report.strOutputDirpath = out;
        report.strOutputFilespec = QStringLiteral("*.enc");
        t.start();
        report.ProcessFiles();
        print(set.name, "run_to_new_files", report.intFilesProcessed, report.lngTotalBytesProcessed, t.elapsed());
        QDir(out).removeRecursively();
        QDir().mkpath(out);

        // What in place cannot avoid: a synced copy, then a synced overwrite of the original.
        t.start();
        for (const QString& f : files) {
            const QString copy = out + QFileInfo(f).fileName();
            syncedCopy(f, copy, buffer);
            syncedOverwrite(f, buffer);
        }
        print(set.name, "unavoidable_io", files.size(), bytes, t.elapsed());
        for (const QString& f : files)
            QFile::rename(out + QFileInfo(f).fileName(), out + QFileInfo(f).fileName() + QStringLiteral(".x")),
                QFile::remove(out + QFileInfo(f).fileName() + QStringLiteral(".x"));

        // The run, in place.
        setup.blnOutputFilesSame = true;
        report.strOutputDirpath = in;
        report.strOutputFilespec = QStringLiteral("*.dat");
        t.start();
        report.ProcessFiles();
        print(set.name, "run_in_place", report.intFilesProcessed, report.lngTotalBytesProcessed, t.elapsed());
    }
    progressDisplay(report, setup, scale);
    zq4e::deallocate_buffers();
    return 0;
}
