// Speed of the file services on 1 GiB files: rating a file's randomness, comparing two identical files and
// purging one. Prints one line per figure. Usage: bench_filekit [folder for the 2 GiB of test files]
#include "platform/filekit/FileKit.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr qint64 kFileSize = qint64(1) << 30;
constexpr qint64 kBlock = 1 << 20;

// A fast generator is enough for test data that must merely look random.
quint64 next(quint64& s) {
    s ^= s << 13;
    s ^= s >> 7;
    s ^= s << 17;
    return s;
}

bool writeTwins(const QString& a, const QString& b) {
    QFile fa(a);
    QFile fb(b);
    if (!fa.open(QIODevice::WriteOnly) || !fb.open(QIODevice::WriteOnly))
        return false;
    std::vector<quint64> block(kBlock / 8);
    quint64 state = 0x9e3779b97f4a7c15ull;
    for (qint64 done = 0; done < kFileSize; done += kBlock) {
        for (quint64& w : block)
            w = next(state);
        const char* p = reinterpret_cast<const char*>(block.data());
        if (fa.write(p, kBlock) != kBlock || fb.write(p, kBlock) != kBlock)
            return false;
    }
    fa.flush();
    fb.flush();
    return ::fsync(fa.handle()) == 0 && ::fsync(fb.handle()) == 0;
}

// Drops the file's pages from the cache, so the next read comes from the disk.
void evict(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    if (fd >= 0) {
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
        ::close(fd);
    }
}

void report(const char* figure, double seconds, const QString& extra = {}) {
    std::printf("bench=filekit figure=%s seconds=%.4f%s\n", figure, seconds, qPrintable(extra));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir(argc > 1 ? QDir(QString::fromLocal8Bit(argv[1])).filePath("bench_filekit-XXXXXX")
                               : QDir::temp().filePath("bench_filekit-XXXXXX"));
    if (!dir.isValid()) {
        std::fprintf(stderr, "bench_filekit: cannot create a temporary folder\n");
        return 1;
    }
    const QString a = dir.filePath("a.bin");
    const QString b = dir.filePath("b.bin");
    if (!writeTwins(a, b)) {
        std::fprintf(stderr, "bench_filekit: cannot write two 1 GiB files in %s\n", qPrintable(dir.path()));
        return 1;
    }
    QElapsedTimer timer;

    evict(a);
    timer.start();
    double r = filekit::fr(a, 256);
    report("fr_1GiB_uncached", timer.nsecsElapsed() / 1e9, QStringLiteral(" value=%1").arg(r, 0, 'f', 4));
    timer.start();
    r = filekit::fr(a, 256);
    report("fr_1GiB_cached", timer.nsecsElapsed() / 1e9, QStringLiteral(" value=%1").arg(r, 0, 'f', 4));

    evict(a);
    evict(b);
    timer.start();
    const qint64 same = filekit::compare_files(a, b);
    double s = timer.nsecsElapsed() / 1e9;
    report("compare_files_2x1GiB", s,
           QStringLiteral(" result=%1 mib_per_second=%2").arg(same).arg(1024.0 / s, 0, 'f', 0));

    timer.start();
    const int purged = filekit::purge_file(b, 1000, 0, -1);
    s = timer.nsecsElapsed() / 1e9;
    report("purge_file_1GiB", s, QStringLiteral(" result=%1 mib_per_second=%2").arg(purged).arg(1024.0 / s, 0, 'f', 0));
    return 0;
}
