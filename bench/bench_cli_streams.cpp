// The command line's streams, verification and many named paths, each against what a user would compare it with:
//   bench=streams case=stream_vs_openssl ratio=<median> spread=<min>-<max>
//   bench=streams case=verify_vs_decrypt ratio=... spread=...
//   bench=streams case=many_paths_vs_folder ratio=... spread=...
// stream_vs_openssl: SIZE bytes (10 GiB at scale 1) from a pipe through `zq4 encrypt --keyfile KEY -` into a pipe,
// against `openssl enc -aes-256-ctr -pbkdf2 -pass file:KEY` in the same place. verify_vs_decrypt: `zq4 verify` of
// a file of SIZE/10 against `zq4 decrypt -` of it to /dev/null. many_paths_vs_folder: 3,000 files of 1 KiB named
// one by one on the command line against the same files named by their folder (at least 0.5 wanted).
// Usage: bench_cli_streams [--scale S] [--rounds N] [--dir FOLDER] [--case NAME]... [--program PATH]
#include "BenchRounds.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cstdio>

namespace {

struct Setup {
    QString program;
    QString dir;
    QString keyfile;
    double scale = 1.0;
    int rounds = 5;
};

QString quoted(const QString& s) {
    QString q = s;
    q.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return QLatin1Char('\'') + q + QLatin1Char('\'');
}

double shell(const QString& line) {
    return bench::timed([&] { return bench::runProgram(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), line}); });
}

void streamVsOpenssl(const Setup& s) {
    if (!bench::haveProgram(QStringLiteral("openssl"))) {
        std::printf("bench=streams case=stream_vs_openssl skipped=openssl is not installed\n");
        return;
    }
    const qint64 size = qint64(10.0 * s.scale * 1024 * 1024 * 1024);
    const QString source = QStringLiteral("head -c %1 /dev/zero | ").arg(size);
    const QString sink = QStringLiteral(" | cat > /dev/null");
    const QString ours = source + quoted(s.program) + QStringLiteral(" encrypt --keyfile ") + quoted(s.keyfile) +
                         QStringLiteral(" -") + sink;
    const QString reference =
        source + QStringLiteral("openssl enc -aes-256-ctr -pbkdf2 -pass file:") + quoted(s.keyfile) + sink;
    bench::Rounds rounds("streams", "stream_vs_openssl", 1, size);
    for (int i = 0; i < s.rounds; ++i)
        rounds.addInTurns([&] { return shell(reference); }, [&] { return shell(ours); });
    rounds.print();
}

void verifyVsDecrypt(const Setup& s) {
    const qint64 size = qint64(1.0 * s.scale * 1024 * 1024 * 1024);
    const QString file = s.dir + QStringLiteral("/verify.enc");
    if (shell(QStringLiteral("head -c %1 /dev/urandom | ").arg(size) + quoted(s.program) +
              QStringLiteral(" encrypt --keyfile ") + quoted(s.keyfile) + QStringLiteral(" - > ") + quoted(file)) < 0) {
        std::printf("bench=streams case=verify_vs_decrypt failed=1\n");
        return;
    }
    const QString ours =
        quoted(s.program) + QStringLiteral(" verify --keyfile ") + quoted(s.keyfile) + QLatin1Char(' ') + quoted(file);
    const QString reference = quoted(s.program) + QStringLiteral(" decrypt --keyfile ") + quoted(s.keyfile) +
                              QStringLiteral(" - < ") + quoted(file) + QStringLiteral(" > /dev/null");
    bench::Rounds rounds("streams", "verify_vs_decrypt", 1, size);
    for (int i = 0; i < s.rounds; ++i)
        rounds.addInTurns([&] { return shell(reference); }, [&] { return shell(ours); });
    rounds.print();
    QFile::remove(file);
}

void manyPathsVsFolder(const Setup& s) {
    const int files = 3000;
    const QString in = s.dir + QStringLiteral("/paths-in");
    QDir().mkpath(in);
    for (int i = 0; i < files; ++i) {
        const QString path = in + QStringLiteral("/f%1.dat").arg(i, 5, 10, QLatin1Char('0'));
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(QByteArray(1024, char('a' + i % 26))) != 1024) {
            std::printf("bench=streams case=many_paths_vs_folder failed=1\n");
            return;
        }
    }
    const QString out = s.dir + QStringLiteral("/paths-out");
    const QString start = QStringLiteral("rm -rf ") + quoted(out) + QStringLiteral(" && mkdir ") + quoted(out) +
                          QStringLiteral(" && ") + quoted(s.program) + QStringLiteral(" encrypt --keyfile ") +
                          quoted(s.keyfile) + QStringLiteral(" -o ") + quoted(out);
    // Both times include removing and making the output folder; the shell gives the file paths one by one.
    bench::Rounds rounds("streams", "many_paths_vs_folder", files, qint64(files) * 1024);
    for (int i = 0; i < s.rounds; ++i)
        rounds.addInTurns([&] { return shell(start + QLatin1Char(' ') + quoted(in)); },
                          [&] { return shell(start + QLatin1Char(' ') + quoted(in) + QStringLiteral("/f*.dat")); });
    rounds.print();
    QDir(in).removeRecursively();
    QDir(out).removeRecursively();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    Setup s;
    s.program = QCoreApplication::applicationDirPath() + QStringLiteral("/zq4");
    s.dir = QDir::currentPath();
    QStringList cases;
    const QStringList args = app.arguments().mid(1);
    for (int i = 0; i < args.size(); ++i) {
        const QString a = args[i];
        const QString next = i + 1 < args.size() ? args[i + 1] : QString();
        if (a == QLatin1String("--scale"))
            s.scale = next.toDouble(), ++i;
        else if (a == QLatin1String("--rounds"))
            s.rounds = next.toInt(), ++i;
        else if (a == QLatin1String("--dir"))
            s.dir = next, ++i;
        else if (a == QLatin1String("--case"))
            cases << next, ++i;
        else if (a == QLatin1String("--program"))
            s.program = next, ++i;
    }
    QDir().mkpath(s.dir);
    s.dir = QDir(s.dir).absolutePath() + QStringLiteral("/bench-cli-streams");
    QDir().mkpath(s.dir);
    s.keyfile = s.dir + QStringLiteral("/key.txt");
    QFile key(s.keyfile);
    if (!key.open(QIODevice::WriteOnly) || key.write("a key for the stream benchmarks, long enough\n") < 0)
        return 1;
    key.close();
    const auto wanted = [&](const char* name) { return cases.isEmpty() || cases.contains(QLatin1String(name)); };
    if (wanted("stream_vs_openssl"))
        streamVsOpenssl(s);
    if (wanted("verify_vs_decrypt"))
        verifyVsDecrypt(s);
    if (wanted("many_paths_vs_folder"))
        manyPathsVsFolder(s);
    QDir(s.dir).removeRecursively();
    return 0;
}
