// Throughput of the cipher engine alone, in the page cache, against `cp` of the same data.
// Every case alternates the reference and our run (A B A B ...) for a number of rounds in this one process and
// prints the median of the per-round ratios with their spread, then the peak memory:
//   bench=engine case=<case> ratio=<median> spread=<min>-<max>
//   bench=engine case=session_key seconds=<s>      (the one scrypt of an engine session)
//   bench=engine case=derivation ratio=... ours=<s> reference=<s>   (our scrypt against the library's)
//   bench=engine case=peak_memory mib=<n>
// A ratio is our throughput over the reference's (higher is better). Per-round times go to standard error.
// Nothing is synced: the data is read into the page cache before the first round and every output is removed
// right after its run, before its writing back can compete with the next one.
// Usage: bench_engine [scale] [--rounds N] [--dir FOLDER] [--case NAME]...
//   scale < 1 shrinks every data set; the data lives in a fresh folder under FOLDER (default /tmp).
#include "BenchRounds.h"

#include "platform/engine/CipherHeader.h"
#include "platform/engine/Engine.h"
#include "platform/engine/Scrypt.h"
#include "platform/os/UnnamedFile.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>

#include <openssl/evp.h>

#include <cstdio>
#include <cstring>
#include <limits>

#include <unistd.h>

namespace {

const QByteArray kKey(64, 'K');

struct Bench {
    double scale = 1.0;
    int rounds = 5;
    QString dir; // the case's own folder, removed after it

    qint64 count(qint64 files) const { return qMax<qint64>(1, qint64(double(files) * scale)); }
    qint64 size(qint64 bytes) const { return qMax<qint64>(1 << 20, qint64(double(bytes) * scale)); }
};

void fillPseudoRandom(char* p, std::size_t n, std::uint64_t& state) {
    for (std::size_t i = 0; i + 8 <= n; i += 8) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        std::memcpy(p + i, &state, 8);
    }
}

bool writeDataFile(const QString& path, qint64 size, std::uint64_t seed) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    QByteArray buf(int(std::min<qint64>(size, 4 << 20)) + 8, Qt::Uninitialized);
    std::uint64_t state = seed | 1;
    for (qint64 left = size; left > 0;) {
        const qint64 n = std::min<qint64>(left, buf.size() - 8);
        fillPseudoRandom(buf.data(), std::size_t(n) + 8, state);
        if (f.write(buf.constData(), n) != n)
            return false;
        left -= n;
    }
    return true;
}

// Reads a file once so that the rounds find it in the page cache.
void warm(const QString& path) {
    QFile f(path);
    if (f.open(QIODevice::ReadOnly))
        while (!f.read(4 << 20).isEmpty()) {
        }
}

bool encrypt(const QString& in, const QString& out) {
    zq4e::operation_initialization(kKey, 1, QFileInfo(in).size(), 0);
    return zq4e::encrypt_file(in, out) == 0;
}

bool decrypt(const QString& in, const QString& out) {
    zq4e::operation_initialization(kKey, 0, QFileInfo(in).size(), 0);
    return zq4e::decrypt_file(in, out) == 0;
}

bool cp(const QStringList& args) {
    return bench::runProgram(QStringLiteral("cp"), args);
}

// One large file, `cp` against the engine's encryption or decryption.
void largeCase(Bench& b, const char* name, bool decrypting) {
    const qint64 size = b.size(qint64(1) << 30);
    const QString plain = b.dir + QStringLiteral("/big"), sealed = b.dir + QStringLiteral("/big.enc"),
                  out = b.dir + QStringLiteral("/out");
    if (!writeDataFile(plain, size, 42) || !encrypt(plain, sealed)) {
        std::fprintf(stderr, "# %s: cannot make its data\n", name);
        return;
    }
    const QString in = decrypting ? sealed : plain;
    warm(in);
    // The 2 GiB just made are written back before the first round: the writing back throttles whichever run
    // meets it, and cp, which writes fastest, met it most.
    ::sync();
    bench::Rounds rounds("engine", name, 1, size);
    const auto reference = [&] {
        const double t = bench::timed([&] { return cp({in, out}); });
        QFile::remove(out);
        return t;
    };
    int round = 0;
    const auto engine = [&] {
        const double cpu0 = bench::cpuSeconds();
        const double t = bench::timed([&] { return decrypting ? decrypt(in, out) : encrypt(in, out); });
        // Processor time over wall time: how much of the two cores the engine had.
        std::fprintf(stderr, "# %s round %d: ours used %.2f cores\n", name, ++round, (bench::cpuSeconds() - cpu0) / t);
        QFile::remove(out);
        return t;
    };
    for (int i = 0; i < b.rounds; ++i)
        rounds.addInTurns(reference, engine);
    rounds.print();
}

void largeEngine(Bench& b) {
    largeCase(b, "large_engine", false);
}
void largeEngineDecrypt(Bench& b) {
    largeCase(b, "large_engine_decrypt", true);
}

// A folder of small files, `cp -r` against the engine file by file in a session whose key is derived.
void folderCase(Bench& b, const char* name, qint64 files, qint64 minSize, qint64 maxSize) {
    const qint64 n = b.count(files);
    const QString src = b.dir + QStringLiteral("/src"), out = b.dir + QStringLiteral("/out");
    QDir().mkpath(src);
    QStringList names;
    qint64 bytes = 0;
    std::uint64_t state = 7;
    for (qint64 i = 0; i < n; ++i) {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        const qint64 size = minSize + qint64((state >> 33) % std::uint64_t(maxSize - minSize + 1));
        names << QStringLiteral("f%1.dat").arg(i, 6, 10, QLatin1Char('0'));
        if (!writeDataFile(src + '/' + names.last(), size, state)) {
            std::fprintf(stderr, "# %s: cannot make its data\n", name);
            return;
        }
        bytes += size;
    }
    for (const QString& f : names)
        warm(src + '/' + f);
    bench::Rounds rounds("engine", name, n, bytes);
    for (int i = 0; i < b.rounds; ++i) {
        const double ref = bench::timed([&] { return cp({QStringLiteral("-r"), src, out}); });
        QDir(out).removeRecursively();
        QDir().mkpath(out);
        const double ours = bench::timed([&] {
            bool ok = true;
            for (const QString& f : names)
                ok = encrypt(src + '/' + f, out + '/' + f + QStringLiteral(".enc")) && ok;
            return ok;
        });
        QDir(out).removeRecursively();
        rounds.add(ref, ours);
    }
    rounds.print();
}

void smallEngine(Bench& b) {
    folderCase(b, "small_engine", 10000, 1024, 1024);
}
void smallEngineMixed(Bench& b) {
    folderCase(b, "small_engine_4_64KiB", 2000, 4096, 65536);
}

// What writing every result through a temporary file and a rename would cost: the reference encrypts 10,000
// small files to free names (written directly), ours onto names that exist (a temporary file, then a rename).
void temporaryNames(Bench& b) {
    const qint64 n = b.count(10000);
    const QString src = b.dir + QStringLiteral("/src"), out = b.dir + QStringLiteral("/out");
    QDir().mkpath(src);
    QStringList names;
    for (qint64 i = 0; i < n; ++i) {
        names << QStringLiteral("f%1.dat").arg(i, 6, 10, QLatin1Char('0'));
        if (!writeDataFile(src + '/' + names.last(), 1024, std::uint64_t(i) + 11))
            return;
    }
    const auto encryptAll = [&] {
        bool ok = true;
        for (const QString& f : names)
            ok = encrypt(src + '/' + f, out + '/' + f) && ok;
        return ok;
    };
    zq4e::set_direct_write_limit(std::numeric_limits<qint64>::max());
    bench::Rounds rounds("engine", "temporary_names", n, n * 1024);
    for (int i = 0; i < b.rounds; ++i) {
        QDir(out).removeRecursively();
        QDir().mkpath(out);
        const double direct = bench::timed(encryptAll);
        const double viaTemporary = bench::timed(encryptAll);
        rounds.add(direct, viaTemporary);
    }
    QDir(out).removeRecursively();
    zq4e::set_direct_write_limit(zq4e::kDefaultDirectWriteLimit);
    rounds.print();
}

// What writing a result to a free name anywhere but under its name costs against writing it straight under its
// name, for one size of file: the reference writes directly, ours through an unnamed file and a link, or (where
// `unnamed` is off, as on a file system without unnamed files) through a temporary name and a rename. The files
// of a run add up to about 64 MiB (at least 16 files), in the page cache. Only the encryptions are timed, not
// the removal of their results.
void freeNameCase(Bench& b, const char* name, qint64 size, bool unnamed) {
    const qint64 n = b.count(qMax<qint64>(16, (qint64(64) << 20) / size));
    const QString src = b.dir + QStringLiteral("/src"), out = b.dir + QStringLiteral("/out");
    QDir().mkpath(src);
    QStringList names;
    for (qint64 i = 0; i < qMin<qint64>(n, 64); ++i) {
        names << QStringLiteral("f%1.dat").arg(i, 6, 10, QLatin1Char('0'));
        if (!writeDataFile(src + '/' + names.last(), size, std::uint64_t(i) + 17))
            return;
        warm(src + '/' + names.last());
    }
    const auto encryptAll = [&](qint64 limit) {
        zq4e::set_direct_write_limit(limit);
        QDir(out).removeRecursively();
        QDir().mkpath(out);
        return bench::timed([&] {
            bool ok = true;
            for (qint64 i = 0; i < n; ++i)
                ok = encrypt(src + '/' + names[i % names.size()], out + QStringLiteral("/r%1.enc").arg(i)) && ok;
            return ok;
        });
    };
    UnnamedFile::setAvailable(unnamed);
    bench::Rounds rounds("engine", name, n, n * size);
    for (int i = 0; i < b.rounds; ++i)
        rounds.addInTurns([&] { return encryptAll(std::numeric_limits<qint64>::max()); },
                          [&] { return encryptAll(0); });
    QDir(out).removeRecursively();
    zq4e::set_direct_write_limit(zq4e::kDefaultDirectWriteLimit);
    UnnamedFile::setAvailable(true);
    rounds.print();
}

void temporaryName4KiB(Bench& b) {
    freeNameCase(b, "temporary_name_4KiB", 4 << 10, false);
}
void temporaryName64KiB(Bench& b) {
    freeNameCase(b, "temporary_name_64KiB", 64 << 10, false);
}
void temporaryName1MiB(Bench& b) {
    freeNameCase(b, "temporary_name_1MiB", 1 << 20, false);
}
void temporaryName16MiB(Bench& b) {
    freeNameCase(b, "temporary_name_16MiB", 16 << 20, false);
}
void unnamed4KiB(Bench& b) {
    freeNameCase(b, "unnamed_4KiB", 4 << 10, true);
}
void unnamed64KiB(Bench& b) {
    freeNameCase(b, "unnamed_64KiB", 64 << 10, true);
}

// One master key at the format's costs: our derivation against the library's whole scrypt, in turns.
void derivation(Bench& b) {
    const std::uint8_t salt[zq4e::kSaltSize] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    std::uint8_t ours[zq4e::kKeySize], reference[zq4e::kKeySize];
    const std::uint64_t n = std::uint64_t(1) << zq4e::kScryptLog2N;
    bench::Rounds rounds("engine", "derivation", 1, zq4e::scryptMemory(n, zq4e::kScryptR));
    rounds.setShowMedians(true);
    bool same = true;
    for (int i = 0; i < b.rounds; ++i) {
        rounds.addInTurns(
            [&] {
                return bench::timed([&] {
                    return EVP_PBE_scrypt(kKey.constData(), std::size_t(kKey.size()), salt, sizeof salt, n,
                                          zq4e::kScryptR, zq4e::kScryptP, 1ull << 30, reference, sizeof reference) == 1;
                });
            },
            [&] {
                return bench::timed([&] {
                    return zq4e::scrypt(kKey.constData(), std::size_t(kKey.size()), salt, sizeof salt,
                                        zq4e::kScryptLog2N, zq4e::kScryptR, zq4e::kScryptP, ours, sizeof ours);
                });
            });
        same = same && std::memcmp(ours, reference, sizeof ours) == 0;
    }
    if (!same) {
        std::fprintf(stderr, "# derivation: the two keys differ\n");
        std::printf("bench=engine case=derivation failed=1\n");
        return;
    }
    rounds.print();
}

struct Case {
    const char* name;
    void (*run)(Bench&);
};

} // namespace

int main(int argc, char** argv) {
    const Case kCases[] = {
        {"large_engine", largeEngine},
        {"large_engine_decrypt", largeEngineDecrypt},
        {"small_engine", smallEngine},
        {"small_engine_4_64KiB", smallEngineMixed},
        {"temporary_names", temporaryNames},
        {"temporary_name_4KiB", temporaryName4KiB},
        {"temporary_name_64KiB", temporaryName64KiB},
        {"temporary_name_1MiB", temporaryName1MiB},
        {"temporary_name_16MiB", temporaryName16MiB},
        {"unnamed_4KiB", unnamed4KiB},
        {"unnamed_64KiB", unnamed64KiB},
        {"derivation", derivation},
    };
    const bench::Arguments args = bench::parseArguments(argc, argv, QStringLiteral("/tmp"));
    const double scale = args.scale;
    const int rounds = args.rounds;
    const QString base = args.dir;
    QTemporaryDir work(base + QStringLiteral("/bench_engine_XXXXXX"));
    if (scale <= 0 || !work.isValid() || !zq4e::allocate_buffers()) {
        std::fprintf(stderr, "usage: bench_engine [scale] [--rounds N] [--dir FOLDER] [--case NAME]...\n");
        return 1;
    }
    // The cipher in the page cache: nothing synced, nothing handed to the disk as it is written.
    zq4e::set_sync_output(false);
    zq4e::set_write_behind(false);
    std::fprintf(stderr, "# scale %g, %d rounds, data under %s\n", scale, rounds, qPrintable(base));

    // The session's one scrypt, paid before any round.
    const QString tiny = work.filePath(QStringLiteral("tiny"));
    writeDataFile(tiny, 8, 1);
    const double keySeconds = bench::timed([&] { return encrypt(tiny, tiny + QStringLiteral(".enc")); });
    std::printf("bench=engine case=session_key seconds=%.3f\n", keySeconds);
    std::fflush(stdout);

    for (const Case& c : kCases) {
        if (!args.wants(c.name))
            continue;
        QTemporaryDir tmp(work.filePath(QStringLiteral("case_XXXXXX")));
        Bench b{scale, rounds, tmp.path()};
        c.run(b);
    }
    zq4e::deallocate_buffers();
    bench::printPeakMemory("engine");
    return 0;
}
