#pragma once

// What the benchmarks share: rounds that alternate a reference and our run in one process, the median of the
// per-round ratios with their spread, a cold page cache for the figures that measure the disk, and the peak
// memory. A ratio is our throughput over the reference's on the same work (the reference's time over ours),
// so higher is better and 1.00 is a tie.

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace bench {

// Syncs, then drops the page cache so that the next timed run starts from the disk. Without the right to
// drop it (not root) only the sync happens, which the first call says.
inline void dropCaches() {
    ::sync();
    const int fd = ::open("/proc/sys/vm/drop_caches", O_WRONLY | O_CLOEXEC);
    const bool dropped = fd >= 0 && ::write(fd, "3\n", 2) == 2;
    if (fd >= 0)
        ::close(fd);
    static bool told = false;
    if (!dropped && !told) {
        std::fprintf(stderr, "# the page cache cannot be dropped (root only): disk figures start from a synced, "
                             "warm cache\n");
        told = true;
    }
}

// Wall seconds of body, or a negative value when it reports a failure.
inline double timed(const std::function<bool()>& body) {
    QElapsedTimer clock;
    clock.start();
    const bool ok = body();
    const double s = double(clock.nsecsElapsed()) / 1e9;
    return ok ? std::max(s, 1e-9) : -1.0;
}

inline bool haveProgram(const QString& name) {
    return !QStandardPaths::findExecutable(name).isEmpty();
}

// Runs a program to its end; true when it exits with 0.
inline bool runProgram(const QString& program, const QStringList& args) {
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.setStandardOutputFile(QProcess::nullDevice());
    p.start(program, args);
    return p.waitForFinished(-1) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

inline bool fsyncFile(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    const bool ok = fd >= 0 && ::fsync(fd) == 0;
    if (fd >= 0)
        ::close(fd);
    return ok;
}

// Processor time of this process so far, user and system, over all its threads.
inline double cpuSeconds() {
    rusage ru{};
    ::getrusage(RUSAGE_SELF, &ru);
    return double(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) + double(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

inline double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n == 0 ? 0.0 : n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// The rounds of one case: add() each pair of times, then print() the case's line.
class Rounds {
public:
    // files and bytes: the work of one run, for the throughputs on standard error.
    Rounds(const char* benchName, const char* caseName, qint64 files, qint64 bytes)
        : m_bench(benchName), m_case(caseName), m_files(files), m_bytes(bytes) {}

    void setDecimals(int decimals) { m_decimals = decimals; }

    // The line also gives both median times (ours=, reference=) in seconds.
    void setShowMedians(bool show) { m_showMedians = show; }

    // The time of a plain copy of the same data in this round, for scale: the line gives copy_ratio=, the
    // median of the copy's time over ours per round (what a copy alone would score).
    void addCopy(double seconds) {
        if (seconds > 0)
            m_copy.push_back(seconds);
    }

    // One round of the two runs, each giving its time, which going first swapped every round: a drift of the
    // machine, or what a run leaves the disk still to write, then falls on both sides alike.
    void addInTurns(const std::function<double()>& reference, const std::function<double()>& ours) {
        double referenceSeconds = 0, oursSeconds = 0;
        if (m_turn++ % 2 == 0) {
            referenceSeconds = reference();
            oursSeconds = ours();
        } else {
            oursSeconds = ours();
            referenceSeconds = reference();
        }
        add(referenceSeconds, oursSeconds);
    }

    void add(double referenceSeconds, double oursSeconds) {
        if (referenceSeconds <= 0 || oursSeconds <= 0) {
            m_failed = true;
            std::fprintf(stderr, "# %s round %zu: the %s run failed\n", m_case, m_ref.size() + 1,
                         referenceSeconds <= 0 ? "reference" : "our");
            return;
        }
        m_ref.push_back(referenceSeconds);
        m_ours.push_back(oursSeconds);
        std::fprintf(stderr, "# %s round %zu: reference %.3f s, ours %.3f s, ratio %.2f\n", m_case, m_ref.size(),
                     referenceSeconds, oursSeconds, referenceSeconds / oursSeconds);
    }

    void print() const {
        if (m_failed || m_ref.empty()) {
            std::printf("bench=%s case=%s failed=1\n", m_bench, m_case);
            std::fflush(stdout);
            return;
        }
        std::vector<double> ratios;
        for (std::size_t i = 0; i < m_ref.size(); ++i)
            ratios.push_back(m_ref[i] / m_ours[i]);
        const auto [lo, hi] = std::minmax_element(ratios.begin(), ratios.end());
        const double r = median(m_ref), o = median(m_ours);
        std::printf("bench=%s case=%s ratio=%.*f spread=%.*f-%.*f", m_bench, m_case, m_decimals, median(ratios),
                    m_decimals, *lo, m_decimals, *hi);
        if (m_showMedians)
            std::printf(" ours=%.3f reference=%.3f", o, r);
        if (!m_copy.empty()) {
            std::vector<double> copyRatios;
            for (std::size_t i = 0; i < m_copy.size() && i < m_ours.size(); ++i)
                copyRatios.push_back(m_copy[i] / m_ours[i]);
            std::printf(" copy=%.3f copy_ratio=%.*f", median(m_copy), m_decimals, median(copyRatios));
        }
        std::printf("\n");
        std::fflush(stdout);
        std::fprintf(stderr,
                     "# %s: %lld files, %.1f MiB; median reference %.3f s (%.0f files/s, %.0f MiB/s), "
                     "ours %.3f s (%.0f files/s, %.0f MiB/s)\n",
                     m_case, static_cast<long long>(m_files), m_bytes / 1048576.0, r, m_files / r,
                     m_bytes / 1048576.0 / r, o, m_files / o, m_bytes / 1048576.0 / o);
    }

private:
    const char* m_bench;
    const char* m_case;
    qint64 m_files, m_bytes;
    std::vector<double> m_ref, m_ours, m_copy;
    bool m_failed = false;
    bool m_showMedians = false;
    int m_decimals = 2;
    int m_turn = 0;
};

// The arguments every benchmark takes: [scale] [--rounds N] [--dir FOLDER] [--case NAME]...
struct Arguments {
    double scale = 1.0;
    int rounds = 5;
    QString dir;
    QStringList cases; // empty: every case
    bool wants(const char* name) const { return cases.isEmpty() || cases.contains(QLatin1String(name)); }
};

inline Arguments parseArguments(int argc, char** argv, const QString& defaultDir) {
    Arguments a;
    a.dir = defaultDir;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--rounds") && i + 1 < argc)
            a.rounds = std::max(1, std::atoi(argv[++i]));
        else if (!std::strcmp(argv[i], "--dir") && i + 1 < argc)
            a.dir = QString::fromLocal8Bit(argv[++i]);
        else if (!std::strcmp(argv[i], "--case") && i + 1 < argc)
            a.cases << QString::fromLatin1(argv[++i]);
        else
            a.scale = QString::fromLatin1(argv[i]).toDouble();
    }
    return a;
}

inline void printPeakMemory(const char* benchName) {
    rusage ru{};
    ::getrusage(RUSAGE_SELF, &ru);
    std::printf("bench=%s case=peak_memory mib=%lld\n", benchName,
                static_cast<long long>((ru.ru_maxrss + 1023) / 1024));
    std::fflush(stdout);
}

} // namespace bench
