// The command line against the window on one operation: 2,000 small files encrypted to new files, once by the
// program run as a process (`zq4 --run ... --quiet`) and once through the report window in this process, in
// turn, each starting without a cached key. Prints the ratio command line / window (median, and its spread).
// Usage: bench_batch_cli [files] [pairs]   (defaults 2000 and 7; the program zq4 must be built beside it)
#include "app/LaunchSequence.h"
#include "app/SetupFile.h"
#include "batch/OperationSetup.h"
#include "batch/RunContext.h"
#include "batch/gui/frmReport.h"
#include "key/Keyfile.h"
#include "key/frmKeyFrom.h"
#include "platform/engine/Engine.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

void makeFiles(const QString& dir, int count) {
    QDir().mkpath(dir);
    QRandomGenerator rng(7);
    for (int i = 0; i < count; ++i) {
        QByteArray bytes(1024 + int(rng.bounded(15 * 1024)), Qt::Uninitialized);
        for (auto& c : bytes)
            c = char(rng.bounded(256));
        QFile f(dir + QStringLiteral("f%1.txt").arg(i, 5, 10, QLatin1Char('0')));
        if (f.open(QIODevice::WriteOnly))
            f.write(bytes);
    }
}

void emptyFolder(const QString& dir) {
    QDir(dir).removeRecursively();
    QDir().mkpath(dir);
}

double runCommandLine(const QString& program, const QString& operationFile, const QString& keyfile) {
    QElapsedTimer t;
    t.start();
    QProcess p;
    p.start(program,
            {QStringLiteral("--run"), operationFile, QStringLiteral("--keyfile"), keyfile, QStringLiteral("--quiet")});
    p.waitForFinished(-1);
    const double seconds = t.nsecsElapsed() / 1e9;
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        std::fprintf(stderr, "command line run failed: %s\n", p.readAllStandardError().constData());
        return -1;
    }
    return seconds;
}

double runWindow(const SetupFileContents& contents, const QString& keyfile) {
    OperationSetup setup;
    SetupFile::applyTo(contents, setup);
    frmKeyFrom key;
    RunContext ctx(setup, key);
    QElapsedTimer t;
    t.start();
    // Both sides start as a fresh program does: buffers allocated, the key read and derived anew.
    zq4e::allocate_buffers();
    if (Keyfile::readInto(key, keyfile).status != Keyfile::ReadStatus::Ok)
        return -1;
    Keyfile::takeCandidate(key);
    frmReport report(ctx);
    const LaunchSequence::Front front;
    if (!LaunchSequence::CheckSetup(setup, key, front) ||
        LaunchSequence::PrepareRun(report, setup, key, front) != LaunchSequence::Prepared::Launch)
        return -1;
    report.show();
    report.ProcessFiles();
    const double seconds = t.nsecsElapsed() / 1e9;
    zq4e::deallocate_buffers();
    return report.intFilesProcessed == report.intFilesAttempted ? seconds : -1;
}

} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int files = argc > 1 ? qMax(1, atoi(argv[1])) : 2000;
    const int pairs = argc > 2 ? qMax(5, atoi(argv[2])) : 7;
    const QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/zq4");
    if (!QFileInfo(program).isExecutable()) {
        std::fprintf(stderr, "build the program first: %s\n", qPrintable(program));
        return 2;
    }

    QTemporaryDir work(QDir::currentPath() + QStringLiteral("/bench_cli_XXXXXX"));
    const QString in = work.filePath(QStringLiteral("in/"));
    const QString out = work.filePath(QStringLiteral("out/"));
    makeFiles(in, files);
    const QString keyfile = work.filePath(QStringLiteral("key.bin"));
    QFile key(keyfile);
    key.open(QIODevice::WriteOnly);
    key.write("a keyfile of more than sixteen characters");
    key.close();
    SetupFileContents contents;
    contents.version = QStringLiteral("7.77");
    contents.strDirpath = {in, out};
    contents.strFilespec = {QStringLiteral("*.txt"), QStringLiteral("*.enc")};
    const QString operationFile = work.filePath(QStringLiteral("run.opn"));
    SetupFile::SaveSetupFile(operationFile, contents);

    QList<double> ratios;
    for (int i = 0; i < pairs; ++i) {
        // Alternating which side goes first evens out what the disk cache lends to the second.
        double cli = 0, window = 0;
        for (int side = 0; side < 2; ++side) {
            emptyFolder(out);
            if ((side == 0) == (i % 2 == 0))
                cli = runCommandLine(program, operationFile, keyfile);
            else
                window = runWindow(contents, keyfile);
        }
        if (cli <= 0 || window <= 0) {
            std::fprintf(stderr, "a run failed\n");
            return 1;
        }
        std::fprintf(stderr, "pair %d: command line %.3f s, window %.3f s\n", i + 1, cli, window);
        ratios << cli / window;
    }
    std::sort(ratios.begin(), ratios.end());
    std::printf("bench=batch case=cli_vs_window ratio=%.3f spread=%.3f-%.3f files=%d pairs=%d\n",
                ratios[ratios.size() / 2], ratios.first(), ratios.last(), files, pairs);
    return 0;
}
