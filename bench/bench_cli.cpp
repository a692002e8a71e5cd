// Whole runs of the program as a user starts them from a shell, against the limit a durable password-protected
// copy cannot go below: every timed run is a process of its own, from its start to its exit, so ours includes
// what a user waits for (starting the program, reading the keyfile, deriving the key, the launch checks, the
// report). The reference of a case is one scrypt derivation at the format's costs (`openssl kdf ... SCRYPT`), the
// copy (`cp -r`, or in place `ccrypt -r`) and `sync -f` on what it wrote. Each timed command, ours and the
// reference, writes to an ext4 file system made fresh for it (FreshFileSystem.h; without root, a fresh folder),
// its input warm in the page cache; the two alternate, the order swapped every round. A line gives the median of
// the per-round ratios with their spread, both median times in seconds and, for the cases to new files, a plain
// copy and its sync for scale (copy_ratio=, the copy's time over ours):
//   bench=cli case=<case> ratio=<median> spread=<min>-<max> ours=<s> reference=<s> [copy=<s> copy_ratio=<r>]
//   bench=cli case=cli_launch_many files=<n> seconds=<median> spread=<min>-<max>
//   bench=cli case=memory_per_file bytes=<n>
// A ratio is the reference's time over ours (higher is better). Per-round times go to standard error.
// Usage: bench_cli [--scale S] [--rounds N] [--dir FOLDER] [--case NAME]... [--program PATH]
//   --scale < 1 shrinks every data set (0.05 for a quick look); the data lives in a fresh folder under FOLDER
//   (default: the current folder, which should be on the disk a user's files are on, not in memory); --program
//   is the program to time (default: zq4 beside this benchmark).
//
// A case is one function of a Bench; add it to kCases in main.
#include "BenchRounds.h"
#include "FreshFileSystem.h"

#include "app/SetupFile.h"
#include "platform/Version.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <iterator>
#include <poll.h>
#include <spawn.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/statfs.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

// One process run to its end: its exit status (-1 when it did not exit normally), its wall time from before it
// was started to after it was reaped, its peak resident memory and what it wrote on standard error.
struct Ran {
    int status = -1;
    double seconds = -1;
    qint64 peakBytes = 0;
    QByteArray err;
    bool ok() const { return status == 0; }
};

// A program's name and arguments as the NUL-ended array posix_spawnp takes; the bytes live as long as this.
struct Argv {
    Argv(const QString& program, const QStringList& args) {
        bytes.push_back(QFile::encodeName(program));
        for (const QString& a : args)
            bytes.push_back(QFile::encodeName(a));
        for (QByteArray& b : bytes)
            pointers.push_back(b.data());
        pointers.push_back(nullptr);
    }
    char* const* data() { return pointers.data(); }
    std::vector<QByteArray> bytes;
    std::vector<char*> pointers;
};

// Starts program (looked up in PATH when it has no slash) with standard output discarded and standard error kept
// in errPath, and waits for it with wait4, which gives the child's own peak memory rather than the largest of
// all the children so far.
Ran spawn(const QString& program, const QStringList& args, const QString& errPath) {
    Ran ran;
    Argv argv(program, args);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    const QByteArray err = QFile::encodeName(errPath);
    posix_spawn_file_actions_addopen(&actions, 2, err.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);

    QElapsedTimer clock;
    clock.start();
    pid_t pid = -1;
    const int started = posix_spawnp(&pid, argv.data()[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (started != 0) {
        ran.err = QByteArray("cannot start ") + argv.data()[0] + ": " + std::strerror(started);
        return ran;
    }
    int status = 0;
    rusage usage{};
    while (::wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    ran.seconds = std::max(double(clock.nsecsElapsed()) / 1e9, 1e-9);
    ran.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    ran.peakBytes = qint64(usage.ru_maxrss) * 1024;
    QFile errFile(errPath);
    if (errFile.open(QIODevice::ReadOnly))
        ran.err = errFile.readAll();
    return ran;
}

// What every case is given: the size of the run, a fresh folder of its own, the program, a keyfile, and whether
// the page cache is dropped before each timed run.
struct Bench {
    double scale = 1.0;
    int rounds = 5;
    QString dir; // the case's own folder, removed after it
    QString program;
    QString keyfile;
    bool cold = false;

    qint64 count(qint64 files) const { return qMax<qint64>(1, qint64(double(files) * scale)); }
    qint64 size(qint64 bytes) const { return qMax<qint64>(1 << 20, qint64(double(bytes) * scale)); }
    QString path(const QString& rel) const { return dir + QLatin1Char('/') + rel; }

    // Before a timed run: what earlier runs left to write reaches the disk first and, for a cold case, the next
    // run reads from the disk.
    void settle() const {
        if (cold)
            bench::dropCaches();
        else
            ::sync();
    }

    // A run's time when it exited with 0, otherwise -1 with its standard error shown.
    static double seconds(const Ran& ran, const QString& prog) {
        if (ran.ok())
            return ran.seconds;
        std::fprintf(stderr, "# %s exited with %d: %s\n", qPrintable(QFileInfo(prog).fileName()), ran.status,
                     ran.err.trimmed().constData());
        return -1;
    }
    Ran run(const QString& prog, const QStringList& args) const {
        return spawn(prog, args, path(QStringLiteral("stderr.txt")));
    }
    double time(const QString& prog, const QStringList& args) const { return seconds(run(prog, args), prog); }

    // Our run of an operation file, as a user types it (in place needs --yes).
    Ran runOperation(const QString& operationFile, bool inPlace = false) const {
        QStringList args{QStringLiteral("--run"), operationFile, QStringLiteral("--keyfile"), keyfile,
                         QStringLiteral("--quiet")};
        if (inPlace)
            args << QStringLiteral("--yes");
        return run(program, args);
    }
    double timeOperation(const QString& operationFile, bool inPlace = false) const {
        return seconds(runOperation(operationFile, inPlace), program);
    }

    // An operation file of `name` in the case's folder; folders end in a slash.
    QString operationFile(const QString& name, bool encrypt, const QString& in, const QString& inSpec,
                          const QString& out, const QString& outSpec) const {
        SetupFileContents c;
        c.version = ProgramVersion();
        c.blnEncrypt = encrypt;
        c.blnOutputFilesSame = in == out && inSpec == outSpec;
        c.strDirpath = {in + QLatin1Char('/'), out + QLatin1Char('/')};
        c.strFilespec = {inSpec, outSpec};
        const QString file = path(name);
        return SetupFile::SaveSetupFile(file, c) ? file : QString();
    }
};

QByteArray randomBytes(QRandomGenerator& rng, qint64 size) {
    QByteArray bytes(size, Qt::Uninitialized);
    rng.fillRange(reinterpret_cast<quint32*>(bytes.data()), size / 4);
    for (qint64 i = size & ~qint64(3); i < size; ++i)
        bytes[i] = char(rng.bounded(256));
    return bytes;
}

// Lines of words, as a letter or a log file reads.
QByteArray textBytes(QRandomGenerator& rng, qint64 size) {
    static const char* const words[] = {"the",   "report", "of",      "a",     "file",   "encrypted", "and",
                                        "key",   "folder", "invoice", "March", "total",  "meeting",   "to",
                                        "draft", "notes",  "2026",    "page",  "client", "reference", "is"};
    QByteArray text;
    text.reserve(size + 16);
    while (text.size() < size) {
        text += words[rng.bounded(int(std::size(words)))];
        text += rng.bounded(10) == 0 ? "\r\n" : " ";
    }
    text.truncate(size);
    return text;
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// The folder of the i-th of a data set's files: dir itself, or with folders > 1 one of that many subfolders
// (d000, d001, ...), the files dealt out in turn.
QString folderOf(const QString& dir, qint64 i, int folders) {
    const QString sub = folders > 1 ? dir + QStringLiteral("/d%1").arg(i % folders, 3, 10, QLatin1Char('0')) : dir;
    if (folders > 1 && i < folders)
        QDir().mkpath(sub);
    return sub;
}

// n files of 4-64 KiB in a new folder (or dealt out to `folders` subfolders of it), every other one text (*.txt)
// and the rest random bytes (*.dat); returns their total size.
qint64 makeMixedFiles(const QString& dir, qint64 n, int folders = 1) {
    QDir().mkpath(dir);
    QRandomGenerator rng(42);
    qint64 total = 0;
    for (qint64 i = 0; i < n; ++i) {
        const qint64 size = 4096 + qint64(rng.bounded(60 * 1024 + 1));
        const bool text = i % 2 == 0;
        const QString name = QStringLiteral("/f%1.%2").arg(i, 6, 10, QLatin1Char('0')).arg(text ? "txt" : "dat");
        if (!writeFile(folderOf(dir, i, folders) + name, text ? textBytes(rng, size) : randomBytes(rng, size)))
            return -1;
        total += size;
    }
    return total;
}

// n files of random bytes of minSize..maxSize (*.dat) in a new folder (or dealt out to `folders` subfolders of
// it); returns their total size.
qint64 makeRandomFiles(const QString& dir, qint64 n, qint64 minSize, qint64 maxSize, int folders = 1) {
    QDir().mkpath(dir);
    QRandomGenerator rng(7);
    qint64 total = 0;
    for (qint64 i = 0; i < n; ++i) {
        const qint64 size = minSize + (maxSize > minSize ? qint64(rng.bounded(quint64(maxSize - minSize + 1))) : 0);
        if (!writeFile(folderOf(dir, i, folders) + QStringLiteral("/f%1.dat").arg(i, 6, 10, QLatin1Char('0')),
                       randomBytes(rng, size)))
            return -1;
        total += size;
    }
    return total;
}

// One large file of random bytes, written a MiB at a time.
qint64 makeLargeFile(const QString& path, qint64 size) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return -1;
    QRandomGenerator rng(3);
    for (qint64 left = size; left > 0; left -= 1 << 20) {
        const QByteArray chunk = randomBytes(rng, qMin<qint64>(left, 1 << 20));
        if (f.write(chunk) != chunk.size())
            return -1;
    }
    return size;
}

// The same names with the same contents in both folders (no subfolders).
bool sameFiles(const QString& a, const QString& b) {
    const QStringList names = QDir(a).entryList(QDir::Files, QDir::Name);
    if (names != QDir(b).entryList(QDir::Files, QDir::Name))
        return false;
    for (const QString& name : names) {
        QFile fa(a + QLatin1Char('/') + name), fb(b + QLatin1Char('/') + name);
        if (!fa.open(QIODevice::ReadOnly) || !fb.open(QIODevice::ReadOnly) || fa.readAll() != fb.readAll())
            return false;
    }
    return true;
}

void freshFolder(const QString& dir) {
    QDir(dir).removeRecursively();
    QDir().mkpath(dir);
}

const char* caseName(const char* warm, const char* cold, const Bench& b) {
    return b.cold ? cold : warm;
}

// The reference's key: one scrypt derivation at the format's costs (N 2^17, r 8, p 1), which every run of ours
// does once and no password-protected copy can do without.
bool deriveKey(const Bench& b) {
    return b.time(QStringLiteral("openssl"),
                  {QStringLiteral("kdf"), QStringLiteral("-keylen"), QStringLiteral("32"), QStringLiteral("-kdfopt"),
                   QStringLiteral("pass:bench-key"), QStringLiteral("-kdfopt"), QStringLiteral("salt:0123456789abcdef"),
                   QStringLiteral("-kdfopt"), QStringLiteral("n:131072"), QStringLiteral("-kdfopt"),
                   QStringLiteral("r:8"), QStringLiteral("-kdfopt"), QStringLiteral("p:1"), QStringLiteral("SCRYPT")}) >
           0;
}

// Reads every file under path (a file or a folder), so that a warm run finds its input in the page cache.
void warm(const QString& path) {
    QStringList files{path};
    if (QFileInfo(path).isDir()) {
        files.clear();
        QDirIterator it(path, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            files << it.next();
    }
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    for (const QString& f : files) {
        QFile file(f);
        if (file.open(QIODevice::ReadOnly))
            while (file.read(buffer.data(), buffer.size()) > 0) {
            }
    }
}

// The image a case's runs write to: room for two copies of its data, a block and an inode for every file.
qint64 imageBytes(qint64 files, qint64 bytes) {
    return (qint64(256) << 20) + 2 * bytes + files * 16384;
}

// The time of one timed command on a file system of its own: fresh() makes it and returns its root, prepare()
// readies the run there (untimed), then the cache settles and body() is timed.
double onFreshFileSystem(const Bench& b, bench::FreshFileSystem& fs, const QString& input,
                         const std::function<bool(const QString&)>& prepare,
                         const std::function<bool(const QString&)>& body) {
    const QString root = fs.make();
    if (root.isEmpty() || !prepare(root))
        return -1;
    if (!b.cold)
        warm(input);
    b.settle();
    return bench::timed([&] { return body(root); });
}

// Encrypting `in` (a folder with -r, or one file) to a new folder, the command line as a user types it
// (`zq4 encrypt -r -o OUT IN`), against one derivation, `cp -r` and `sync -f` on the copy; the plain copy and its
// sync alone for scale.
void toNewFiles(Bench& b, const char* name, const QString& in, qint64 files, qint64 bytes) {
    if (bytes < 0) {
        std::printf("bench=cli case=%s failed=1\n", name);
        return;
    }
    const bool folder = QFileInfo(in).isDir();
    bench::FreshFileSystem fs(b.dir, imageBytes(files, bytes));
    bench::Rounds rounds("cli", name, files, bytes);
    rounds.setShowMedians(true);
    const auto none = [](const QString&) { return true; };
    const auto copy = [&](const QString& root) {
        const QString to = root + QStringLiteral("/copy");
        return b.time(QStringLiteral("cp"), {QStringLiteral("-r"), in, to}) > 0 &&
               b.time(QStringLiteral("sync"), {QStringLiteral("-f"), to}) > 0;
    };
    const auto reference = [&] {
        return onFreshFileSystem(b, fs, in, none, [&](const QString& root) { return deriveKey(b) && copy(root); });
    };
    const auto ours = [&] {
        return onFreshFileSystem(
            b, fs, in, [](const QString& root) { return QDir().mkpath(root + QStringLiteral("/out")); },
            [&](const QString& root) {
                QStringList args{QStringLiteral("encrypt"), QStringLiteral("--keyfile"), b.keyfile,
                                 QStringLiteral("--quiet")};
                if (folder)
                    args << QStringLiteral("-r");
                return b.time(b.program, args << QStringLiteral("-o") << root + QStringLiteral("/out") << in) > 0;
            });
    };
    for (int i = 0; i < b.rounds; ++i) {
        rounds.addInTurns(reference, ours);
        rounds.addCopy(onFreshFileSystem(b, fs, in, none, copy));
    }
    rounds.print();
}

// 2,000 files of 4-64 KiB in 20 folders, half text and half random bytes.
void smallNew(Bench& b) {
    const qint64 n = b.count(2000);
    const QString in = b.path(QStringLiteral("in"));
    toNewFiles(b, caseName("cli_small_new", "cli_small_new_cold", b), in, n, makeMixedFiles(in, n, 20));
}

// 20,000 files of 0.5-1 KiB in 200 folders: what a file costs beyond the copy.
void manyNew(Bench& b) {
    const qint64 n = b.count(20000);
    const QString in = b.path(QStringLiteral("in"));
    toNewFiles(b, "cli_many_new", in, n, makeRandomFiles(in, n, 512, 1024, int(qMin<qint64>(200, n))));
}

// One file of 1 GiB of random bytes.
void largeNew(Bench& b) {
    const QString big = b.path(QStringLiteral("in/large.dat"));
    toNewFiles(b, caseName("cli_large_new", "cli_large_new_cold", b), big, 1,
               makeLargeFile(big, b.size(qint64(1) << 30)));
}

// The 2,000 files of cli_small_new encrypted in place (`zq4 encrypt -r --in-place --yes`), against one
// derivation, `ccrypt -r -e` (which overwrites each file where it lies and does not sync) and `sync -f`, each
// side over a fresh copy of the plain files on a file system of its own.
void smallInPlace(Bench& b) {
    const char* name = caseName("cli_small_inplace", "cli_small_inplace_cold", b);
    if (!bench::haveProgram(QStringLiteral("ccrypt"))) {
        std::printf("bench=cli case=%s skipped=ccrypt is not installed (make bench-deps)\n", name);
        std::fflush(stdout);
        return;
    }
    const qint64 n = b.count(2000);
    const QString src = b.path(QStringLiteral("src"));
    const qint64 bytes = makeMixedFiles(src, n, 20);
    bench::FreshFileSystem fs(b.dir, imageBytes(n, bytes));
    bench::Rounds rounds("cli", name, n, bytes);
    rounds.setShowMedians(true);
    const auto freshCopy = [&](const QString& root) {
        return bench::runProgram(QStringLiteral("cp"), {QStringLiteral("-r"), src, root + QStringLiteral("/files")});
    };
    const auto reference = [&] {
        return onFreshFileSystem(b, fs, src, freshCopy, [&](const QString& root) {
            const QString files = root + QStringLiteral("/files");
            return deriveKey(b) &&
                   b.time(QStringLiteral("ccrypt"),
                          {QStringLiteral("-r"), QStringLiteral("-e"), QStringLiteral("-f"), QStringLiteral("-q"),
                           QStringLiteral("-K"), QStringLiteral("bench-key"), files}) > 0 &&
                   b.time(QStringLiteral("sync"), {QStringLiteral("-f"), files}) > 0;
        });
    };
    const auto ours = [&] {
        return onFreshFileSystem(b, fs, src, freshCopy, [&](const QString& root) {
            return b.time(b.program, {QStringLiteral("encrypt"), QStringLiteral("--keyfile"), b.keyfile,
                                      QStringLiteral("--quiet"), QStringLiteral("-r"), QStringLiteral("--in-place"),
                                      QStringLiteral("--yes"), root + QStringLiteral("/files")}) > 0;
        });
    };
    for (int i = 0; i < b.rounds; ++i)
        rounds.addInTurns(reference, ours);
    rounds.print();
}

// Seconds from the start of `program args` to the first open of a file (not a folder) in `watched`, the process
// then killed; -1 when it never opened one or ended first.
double untilFirstOpen(const QString& program, const QStringList& args, const QString& watched) {
    const int fd = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    if (fd < 0 || ::inotify_add_watch(fd, QFile::encodeName(watched).constData(), IN_OPEN) < 0) {
        if (fd >= 0)
            ::close(fd);
        return -1;
    }
    Argv argv(program, args);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    QElapsedTimer clock;
    clock.start();
    pid_t pid = -1;
    const bool started = posix_spawn(&pid, argv.data()[0], &actions, nullptr, argv.data(), environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    double seconds = -1;
    alignas(inotify_event) char events[64 * 1024];
    while (started && seconds < 0 && clock.elapsed() < 120000) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0) {
            if (::waitpid(pid, nullptr, WNOHANG) == pid) {
                pid = -1;
                break;
            }
            continue;
        }
        const ssize_t n = ::read(fd, events, sizeof events);
        for (ssize_t at = 0; at < n && seconds < 0;) {
            const auto* e = reinterpret_cast<const inotify_event*>(events + at);
            if (!(e->mask & IN_ISDIR) && e->len > 0)
                seconds = double(clock.nsecsElapsed()) / 1e9;
            at += ssize_t(sizeof(inotify_event) + e->len);
        }
    }
    if (started && pid > 0) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
    }
    ::close(fd);
    return seconds;
}

// A launch of 50,000 files of 1 KiB in one folder (`zq4 encrypt -r -o OUT IN`, to a fresh file system) up to the
// first input file it opens: the checks, the confirmation's count, the output's survey and the size pass all come
// before it. Prints the median seconds with their spread.
void launchMany(Bench& b) {
    const qint64 n = b.count(50000);
    const QString in = b.path(QStringLiteral("in"));
    const qint64 bytes = makeRandomFiles(in, n, 1024, 1024);
    bench::FreshFileSystem fs(b.dir, imageBytes(n, bytes));
    std::vector<double> times;
    for (int i = 0; i < b.rounds; ++i) {
        const QString root = fs.make();
        QDir().mkpath(root + QStringLiteral("/out"));
        warm(in);
        b.settle();
        const double t = untilFirstOpen(b.program,
                                        {QStringLiteral("encrypt"), QStringLiteral("--keyfile"), b.keyfile,
                                         QStringLiteral("--quiet"), QStringLiteral("-r"), QStringLiteral("-o"),
                                         root + QStringLiteral("/out"), in},
                                        in);
        std::fprintf(stderr, "# cli_launch_many round %d: %.3f s to the first file\n", i + 1, t);
        if (t < 0) {
            std::printf("bench=cli case=cli_launch_many failed=1\n");
            std::fflush(stdout);
            return;
        }
        times.push_back(t);
    }
    const auto [lo, hi] = std::minmax_element(times.begin(), times.end());
    std::printf("bench=cli case=cli_launch_many files=%lld seconds=%.3f spread=%.3f-%.3f\n", static_cast<long long>(n),
                bench::median(times), *lo, *hi);
    std::fflush(stdout);
}

// What memory a run needs for each file: the peak resident memory of the process for 10,000 and for 100,000
// files of 1 KiB (one folder, to new files); the line gives the growth per file between the two.
void memoryPerFile(Bench& b) {
    const qint64 counts[2] = {b.count(10000), b.count(100000)};
    qint64 peaks[2] = {0, 0};
    for (int k = 0; k < 2; ++k) {
        const QString in = b.path(QStringLiteral("in%1").arg(k)), out = b.path(QStringLiteral("out%1").arg(k));
        if (makeRandomFiles(in, counts[k], 1024, 1024) < 0)
            break;
        QDir().mkpath(out);
        const QString op = b.operationFile(QStringLiteral("memory%1.opn").arg(k), true, in, QStringLiteral("*.*"), out,
                                           QStringLiteral("*.*"));
        ::sync();
        const Ran ran = b.runOperation(op);
        if (!ran.ok()) {
            std::fprintf(stderr, "# memory_per_file: the run of %lld files exited with %d: %s\n",
                         static_cast<long long>(counts[k]), ran.status, ran.err.trimmed().constData());
            break;
        }
        peaks[k] = ran.peakBytes;
        std::fprintf(stderr, "# memory_per_file: %lld files: peak %.1f MiB, %.3f s\n",
                     static_cast<long long>(counts[k]), peaks[k] / 1048576.0, ran.seconds);
        QDir(in).removeRecursively();
        QDir(out).removeRecursively();
    }
    if (peaks[0] == 0 || peaks[1] == 0 || counts[1] == counts[0])
        std::printf("bench=cli case=memory_per_file failed=1\n");
    else
        std::printf("bench=cli case=memory_per_file bytes=%.0f\n",
                    double(peaks[1] - peaks[0]) / double(counts[1] - counts[0]));
    std::fflush(stdout);
}

// Does this build have the one-line commands? A build without them refuses `encrypt` as a wrong argument
// (status 2 with its usage complaint), which is told apart from a refusal of the run itself. Asked with one file,
// before the case makes its data.
bool hasOneLineCommands(const Bench& b) {
    const QString in = b.path(QStringLiteral("probe")), out = b.path(QStringLiteral("probe-out"));
    QDir().mkpath(out);
    if (makeRandomFiles(in, 1, 1024, 1024) < 0)
        return false;
    const Ran probe = b.run(b.program, {QStringLiteral("encrypt"), QStringLiteral("--keyfile"), b.keyfile,
                                        QStringLiteral("--quiet"), QStringLiteral("-o"), out, in});
    const QByteArray err = probe.err.toLower();
    if (probe.status == 2 && (err.contains("unexpected") || err.contains("unknown option") || err.contains("usage") ||
                              err.contains("--help") || err.contains("either --run")))
        return false;
    if (!probe.ok())
        std::fprintf(stderr, "# oneline: the probe exited with %d: %s\n", probe.status,
                     probe.err.trimmed().constData());
    return true;
}

// 10,000 files of 1-4 KiB encrypted and decrypted back by the one-line commands (`zq4 encrypt -o OUT IN`, then
// `zq4 decrypt -o BACK OUT`) against the same round trip from two operation files, caches warm. The ratio is the
// operation files' time over the one-line commands' (they should be within 10%, ratio 0.9 or more). The first
// round of each checks that the files came back as they were.
void oneLineVsOperation(Bench& b) {
    const qint64 n = b.count(10000);
    const QString in = b.path(QStringLiteral("in")), enc = b.path(QStringLiteral("enc")),
                  back = b.path(QStringLiteral("back"));
    if (!hasOneLineCommands(b)) {
        std::printf("bench=cli case=cli_oneline_vs_operation skipped=no one-line command\n");
        std::fflush(stdout);
        return;
    }
    const qint64 bytes = makeRandomFiles(in, n, 1024, 4096);
    const QString encryptOp =
        b.operationFile(QStringLiteral("encrypt.opn"), true, in, QStringLiteral("*.*"), enc, QStringLiteral("*.*"));
    const QString decryptOp =
        b.operationFile(QStringLiteral("decrypt.opn"), false, enc, QStringLiteral("*.*"), back, QStringLiteral("*.*"));
    bench::Rounds rounds("cli", "cli_oneline_vs_operation", 2 * n, 2 * bytes);
    bool checkedOneLine = false, checkedOperation = false;
    const auto roundTrip = [&](const std::function<double()>& encrypt, const std::function<double()>& decrypt,
                               bool& checked) {
        freshFolder(enc);
        freshFolder(back);
        b.settle();
        const double t = bench::timed([&] { return encrypt() > 0 && decrypt() > 0; });
        if (t > 0 && !checked) {
            checked = true;
            if (!sameFiles(in, back)) {
                std::fprintf(stderr, "# oneline: the decrypted files differ from the originals\n");
                return -1.0;
            }
        }
        return t;
    };
    const auto operation = [&] {
        return roundTrip([&] { return b.timeOperation(encryptOp); }, [&] { return b.timeOperation(decryptOp); },
                         checkedOperation);
    };
    const auto oneLine = [&] {
        const auto command = [&](const char* verb, const QString& from, const QString& to) {
            return b.time(b.program, {QLatin1String(verb), QStringLiteral("--keyfile"), b.keyfile,
                                      QStringLiteral("--quiet"), QStringLiteral("-o"), to, from});
        };
        return roundTrip([&] { return command("encrypt", in, enc); }, [&] { return command("decrypt", enc, back); },
                         checkedOneLine);
    };
    for (int i = 0; i < b.rounds; ++i)
        rounds.addInTurns(operation, oneLine);
    rounds.print();
}

struct Case {
    const char* name;
    void (*run)(Bench&);
    bool cold;
};

// The tools a case compares with, and whether the folder is in memory, where a user's files are not.
bool fitForRuns(const QString& dir, const QString& program) {
    if (!QFileInfo(program).isExecutable()) {
        std::fprintf(stderr, "bench_cli: build the program first (or give --program): %s\n", qPrintable(program));
        return false;
    }
    struct statfs fs {};
    constexpr long tmpfsMagic = 0x01021994, ramfsMagic = 0x858458f6;
    if (::statfs(QFile::encodeName(dir).constData(), &fs) == 0 &&
        (long(fs.f_type) == tmpfsMagic || long(fs.f_type) == ramfsMagic))
        std::fprintf(stderr, "# %s is in memory: the figures leave the disk out\n", qPrintable(dir));
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const Case kCases[] = {
        {"cli_small_new", smallNew, false},
        {"cli_small_new_cold", smallNew, true},
        {"cli_many_new", manyNew, false},
        {"cli_small_inplace", smallInPlace, false},
        {"cli_small_inplace_cold", smallInPlace, true},
        {"cli_large_new", largeNew, false},
        {"cli_large_new_cold", largeNew, true},
        {"cli_launch_many", launchMany, false},
        {"cli_memory_per_file", memoryPerFile, false},
        {"cli_oneline_vs_operation", oneLineVsOperation, false},
    };

    bench::Arguments args;
    args.dir = QDir::currentPath();
    QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/zq4");
    bool wrong = false;
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (!std::strcmp(argv[i], "--rounds") && hasValue)
            args.rounds = std::max(1, std::atoi(argv[++i]));
        else if (!std::strcmp(argv[i], "--scale") && hasValue)
            args.scale = std::atof(argv[++i]);
        else if (!std::strcmp(argv[i], "--dir") && hasValue)
            args.dir = QString::fromLocal8Bit(argv[++i]);
        else if (!std::strcmp(argv[i], "--case") && hasValue)
            args.cases << QString::fromLatin1(argv[++i]);
        else if (!std::strcmp(argv[i], "--program") && hasValue)
            program = QFileInfo(QString::fromLocal8Bit(argv[++i])).absoluteFilePath();
        else
            wrong = true;
    }
    for (const QString& name : args.cases)
        wrong = wrong || std::none_of(std::begin(kCases), std::end(kCases),
                                      [&](const Case& c) { return name == QLatin1String(c.name); });
    if (wrong || args.scale <= 0) {
        std::fprintf(stderr, "usage: bench_cli [--scale S] [--rounds N] [--dir FOLDER] [--case NAME]... "
                             "[--program PATH]\ncases:");
        for (const Case& c : kCases)
            std::fprintf(stderr, " %s", c.name);
        std::fprintf(stderr, "\n");
        return 1;
    }
    if (!fitForRuns(args.dir, program))
        return 1;

    QTemporaryDir keyDir(args.dir + QStringLiteral("/bench_cli_XXXXXX"));
    if (!keyDir.isValid()) {
        std::fprintf(stderr, "bench_cli: cannot create a folder in %s\n", qPrintable(args.dir));
        return 1;
    }
    const QString keyfile = keyDir.filePath(QStringLiteral("bench.key"));
    writeFile(keyfile, QByteArray("BENCHMARK-KEYFILE-of-more-than-sixteen-characters-0123456789abcd"));
    std::fprintf(stderr, "# scale %g, %d rounds, data under %s, program %s\n", args.scale, args.rounds,
                 qPrintable(args.dir), qPrintable(program));

    for (const Case& c : kCases) {
        if (!args.wants(c.name))
            continue;
        QTemporaryDir tmp(args.dir + QStringLiteral("/bench_cli_XXXXXX"));
        Bench b{args.scale, args.rounds, tmp.path(), program, keyfile, c.cold};
        c.run(b);
    }
    return 0;
}
