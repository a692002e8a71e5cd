// Throughput of the cipher engine against a plain copy of the same data, in one run.
//   bench_engine [--dir FOLDER] [--sync] [--repeat N]
// Data lives in a fresh folder under FOLDER (default /tmp). Without --sync nothing is synced, so with enough
// memory every figure is a page-cache figure; --sync syncs every output file, ours and the copy's alike.
// Each figure is the best of N runs (default 3); the data is synced to disk before the first. One line per figure:
//   bench=engine figure=<name> key=value ...

#include "platform/engine/Engine.h"

#include <QByteArray>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QString>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace {

bool g_sync = false;
constexpr std::size_t kCopyBuffer = 4u << 20;

void fillPseudoRandom(char* p, std::size_t n, std::uint64_t& state) {
    for (std::size_t i = 0; i + 8 <= n; i += 8) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        std::memcpy(p + i, &state, 8);
    }
}

bool writeDataFile(const QString& path, qint64 size, std::uint64_t seed) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    std::vector<char> buf(std::min<qint64>(size, kCopyBuffer) + 8);
    std::uint64_t state = seed | 1;
    bool ok = true;
    for (qint64 left = size; left > 0 && ok;) {
        const std::size_t n = std::size_t(std::min<qint64>(left, qint64(buf.size() - 8)));
        fillPseudoRandom(buf.data(), n + 8, state);
        ok = ::write(fd, buf.data(), n) == ssize_t(n);
        left -= qint64(n);
    }
    return ::close(fd) == 0 && ok;
}

// What the engine does minus the cryptography: read through a buffer, write a new file, sync when ours would.
int plainCopy(const QString& in, const QString& out) {
    static std::vector<char> buf(kCopyBuffer);
    const int src = ::open(QFile::encodeName(in).constData(), O_RDONLY | O_CLOEXEC);
    if (src < 0)
        return -3;
    const int dst = ::open(QFile::encodeName(out).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (dst < 0) {
        ::close(src);
        return -5;
    }
    int rc = 0;
    for (;;) {
        const ssize_t n = ::read(src, buf.data(), buf.size());
        if (n <= 0) {
            rc = n < 0 ? -6 : 0;
            break;
        }
        if (::write(dst, buf.data(), std::size_t(n)) != n) {
            rc = -7;
            break;
        }
    }
    if (rc == 0 && g_sync && ::fsync(dst) != 0)
        rc = -7;
    ::close(src);
    if (::close(dst) != 0 && rc == 0)
        rc = -7;
    return rc;
}

struct Timing {
    double seconds = 1e300; // best wall time
    double cpu = 1e300;     // user + system time of that best run
    bool ok = true;
};

double cpuSeconds() {
    rusage ru{};
    ::getrusage(RUSAGE_SELF, &ru);
    return double(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) + double(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

void measure(Timing& t, const std::function<bool()>& body) {
    const double cpu0 = cpuSeconds();
    QElapsedTimer clock;
    clock.start();
    const bool ok = body();
    const double s = double(clock.nsecsElapsed()) / 1e9;
    t.ok = t.ok && ok;
    if (s < t.seconds) {
        t.seconds = s;
        t.cpu = cpuSeconds() - cpu0;
    }
}

QStringList makeFolder(const QString& path, int count, qint64 minSize, qint64 maxSize, std::uint64_t seed) {
    QDir().mkpath(path);
    QStringList names;
    std::uint64_t state = seed;
    for (int i = 0; i < count; ++i) {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        const qint64 size = minSize + qint64((state >> 33) % std::uint64_t(maxSize - minSize + 1));
        const QString name = QStringLiteral("f%1.dat").arg(i, 5, 10, QLatin1Char('0'));
        if (!writeDataFile(path + '/' + name, size, state))
            return {};
        names << name;
    }
    return names;
}

void line(const char* figure, const QString& rest) {
    std::printf("bench=engine figure=%s %s\n", figure, qPrintable(rest));
    std::fflush(stdout);
}

QString num(double v, int decimals = 1) { return QString::number(v, 'f', decimals); }

// One figure: throughput, wall and processor time, and the ratio to the plain copy it is compared with.
void report(const QString& figure, const Timing& t, const Timing* copy, int files, double bytes) {
    QString s = files > 0 ? QStringLiteral("files_per_s=%1 ").arg(num(files / t.seconds)) : QString();
    s += QStringLiteral("mbps=%1 seconds=%2 cpu_seconds=%3")
             .arg(num(bytes / (1 << 20) / t.seconds), num(t.seconds, 3), num(t.cpu, 3));
    if (copy)
        s += QStringLiteral(" ratio=%1").arg(num(copy->seconds / t.seconds, 2));
    s += QStringLiteral(" ok=%1").arg(t.ok ? 1 : 0);
    std::printf("bench=engine figure=%s %s\n", qPrintable(figure), qPrintable(s));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    QString base = QStringLiteral("/tmp");
    int repeat = 3;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--sync"))
            g_sync = true;
        else if (!std::strcmp(argv[i], "--dir") && i + 1 < argc)
            base = QString::fromLocal8Bit(argv[++i]);
        else if (!std::strcmp(argv[i], "--repeat") && i + 1 < argc)
            repeat = std::max(1, std::atoi(argv[++i]));
    }
    QTemporaryDir work(base + QStringLiteral("/bench_engine_XXXXXX"));
    if (!work.isValid() || !zq4e::allocate_buffers()) {
        std::fprintf(stderr, "cannot set up in %s\n", qPrintable(base));
        return 1;
    }
    zq4e::set_sync_output(g_sync);
    const QString dir = work.path();
    line("setup", QStringLiteral("dir=%1 sync=%2 repeat=%3").arg(dir).arg(g_sync ? 1 : 0).arg(repeat));
    const QByteArray key(64, 'K');

    // The master key: one scrypt per key and engine session.
    QFile::remove(dir + "/tiny");
    writeDataFile(dir + "/tiny", 1, 1);
    QElapsedTimer clock;
    clock.start();
    zq4e::operation_initialization(key, 1, 1, 0);
    zq4e::encrypt_file(dir + "/tiny", dir + "/tiny.enc");
    const double scryptSeconds = double(clock.nsecsElapsed()) / 1e9;
    line("scrypt_session_key", QStringLiteral("seconds=%1").arg(num(scryptSeconds, 3)));

    // All data is made first and nothing is deleted until the end: a file system that has just freed many
    // inodes creates new files more slowly for a while, which would skew whichever figure came next.
    constexpr qint64 kBig = qint64(1) << 30;
    const QString big = dir + "/big", out = dir + "/big.out", enc = dir + "/big.enc";
    if (!writeDataFile(big, kBig, 42))
        return 1;
    struct FolderCase {
        const char* name;
        int count;
        qint64 minSize, maxSize;
        QStringList names;
        qint64 bytes = 0;
    };
    FolderCase cases[] = {{"2000_files_4_64KiB", 2000, 4096, 65536, {}}, {"10000_files_1KiB", 10000, 1024, 1024, {}}};
    for (FolderCase& c : cases) {
        c.names = makeFolder(dir + "/src_" + c.name, c.count, c.minSize, c.maxSize, 7);
        if (c.names.isEmpty())
            return 1;
        for (const QString& n : c.names)
            c.bytes += QFileInfo(dir + "/src_" + c.name + '/' + n).size();
    }

    // The data reaches the disk before anything is timed, so its writing does not compete with the figures.
    ::sync();

    // One large file. Copy, encryption and decryption take turns, so a busy machine hurts them alike.
    zq4e::operation_initialization(key, 1, kBig, 0);
    if (zq4e::encrypt_file(big, enc) != 0)
        return 1;
    Timing copy, encrypt, decrypt;
    for (int r = 0; r < repeat; ++r) {
        QFile::remove(out);
        measure(copy, [&] { return plainCopy(big, out) == 0; });
        QFile::remove(out);
        measure(encrypt, [&] {
            zq4e::operation_initialization(key, 1, kBig, 0);
            return zq4e::encrypt_file(big, out) == 0;
        });
        QFile::remove(out);
        measure(decrypt, [&] {
            zq4e::operation_initialization(key, 0, kBig, 0);
            return zq4e::decrypt_file(enc, out) == 0;
        });
    }
    QFile::remove(out);
    report("copy_1GiB", copy, nullptr, 0, double(kBig));
    report("encrypt_1GiB", encrypt, &copy, 0, double(kBig));
    report("decrypt_1GiB", decrypt, &copy, 0, double(kBig));

    // Folders of small files, file to file, one key and one engine session whose one derivation is part of
    // the run; every run writes into a folder of its own.
    for (const FolderCase& c : cases) {
        const QString src = dir + "/src_" + c.name;
        const QStringList& names = c.names;
        Timing folderCopy, folderEncrypt;
        for (int r = 0; r < repeat; ++r) {
            const QString copyDst = dir + QStringLiteral("/copy_%1_%2").arg(c.name).arg(r);
            const QString encDst = dir + QStringLiteral("/enc_%1_%2").arg(c.name).arg(r);
            QDir().mkpath(copyDst);
            QDir().mkpath(encDst);
            auto runCopy = [&] {
                measure(folderCopy, [&] {
                    bool ok = true;
                    for (const QString& n : names)
                        ok = plainCopy(src + '/' + n, copyDst + '/' + n) == 0 && ok;
                    return ok;
                });
            };
            auto runEncrypt = [&] {
                zq4e::deallocate_buffers(); // a fresh session
                zq4e::allocate_buffers();
                zq4e::set_sync_output(g_sync);
                measure(folderEncrypt, [&] {
                    bool ok = true;
                    for (const QString& n : names) {
                        zq4e::operation_initialization(key, 1, 0, 0);
                        ok = zq4e::encrypt_file(src + '/' + n, encDst + '/' + n + ".enc") == 0 && ok;
                    }
                    return ok;
                });
            };
            // Alternate which goes first.
            if (r % 2) {
                runEncrypt();
                runCopy();
            } else {
                runCopy();
                runEncrypt();
            }
        }
        // The same in a session whose key is already derived: the rate once the one scrypt is paid.
        Timing warmEncrypt;
        for (int r = 0; r < repeat; ++r) {
            const QString encDst = dir + QStringLiteral("/warm_%1_%2").arg(c.name).arg(r);
            QDir().mkpath(encDst);
            measure(warmEncrypt, [&] {
                bool ok = true;
                for (const QString& n : names) {
                    zq4e::operation_initialization(key, 1, 0, 0);
                    ok = zq4e::encrypt_file(src + '/' + n, encDst + '/' + n + ".enc") == 0 && ok;
                }
                return ok;
            });
        }
        report(QStringLiteral("copy_%1").arg(c.name), folderCopy, nullptr, c.count, double(c.bytes));
        report(QStringLiteral("encrypt_%1_warm_session").arg(c.name), warmEncrypt, &folderCopy, c.count,
               double(c.bytes));
        report(QStringLiteral("encrypt_%1_with_session_scrypt").arg(c.name), folderEncrypt, &folderCopy, c.count, double(c.bytes));
    }

    zq4e::deallocate_buffers();
    rusage ru{};
    ::getrusage(RUSAGE_SELF, &ru);
    line("peak_memory", QStringLiteral("mib=%1").arg(num(double(ru.ru_maxrss) / 1024.0)));
    return 0;
}
