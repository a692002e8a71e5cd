// What reaches the disk before what, seen in the real system calls of the program (traced), not in its own
// account of them: in place, a group's log is synced before the first original is written over, the written-back
// results before the log is emptied, and a large file's result, journal and folder before its original is purged.
#include "support/CliProcess.h"
#include "support/TestSupport.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QtTest>

namespace {
struct Call {
    QString name, args;
    long long result = -1;
};

// The calls of every thread in the order they returned; a call another thread interrupted is joined up again.
QList<Call> readTrace(const QString& path) {
    static const QRegularExpression done(QStringLiteral("^(\\d+)\\s+(\\w+)\\((.*)\\)\\s+=\\s+(-?\\d+)"));
    static const QRegularExpression begun(QStringLiteral("^(\\d+)\\s+(.*) <unfinished \\.\\.\\.>$"));
    static const QRegularExpression resumed(QStringLiteral("^(\\d+)\\s+<\\.\\.\\. \\w+ resumed>(.*)$"));
    QHash<QString, QString> pending;
    QList<Call> calls;
    for (const QString& raw : QString::fromUtf8(TestSupport::readFile(path)).split(QLatin1Char('\n'))) {
        QString line = raw;
        if (const auto m = begun.match(line); m.hasMatch()) {
            pending[m.captured(1)] = m.captured(2);
            continue;
        }
        if (const auto m = resumed.match(line); m.hasMatch())
            line = m.captured(1) + QLatin1Char(' ') + pending.take(m.captured(1)) + m.captured(2);
        if (const auto m = done.match(line); m.hasMatch())
            calls << Call{m.captured(2), m.captured(3), m.captured(4).toLongLong()};
    }
    return calls;
}

// The index of the first call from `from` on with this name whose first argument's path ends with `fdPath`
// (the traced descriptor shows its path), or -1.
qsizetype find(const QList<Call>& calls, const QString& name, const QRegularExpression& fdPath, qsizetype from = 0) {
    for (qsizetype i = qMax<qsizetype>(from, 0); i < calls.size(); ++i)
        if (calls[i].name == name && calls[i].result >= 0 &&
            fdPath.match(calls[i].args.section(QLatin1Char(','), 0, 0)).hasMatch())
            return i;
    return -1;
}
qsizetype findLast(const QList<Call>& calls, const QStringList& names, const QRegularExpression& fdPath) {
    for (qsizetype i = calls.size() - 1; i >= 0; --i)
        if (names.contains(calls[i].name) && fdPath.match(calls[i].args.section(QLatin1Char(','), 0, 0)).hasMatch())
            return i;
    return -1;
}
QRegularExpression ending(const QString& text) {
    return QRegularExpression(QRegularExpression::escape(text) + QStringLiteral(">\\)?$"));
}
} // namespace

class TestSyncOrder : public QObject {
    Q_OBJECT
    QTemporaryDir m_home;

private slots:
    void initTestCase() { TestSupport::prepareEnvironment(m_home); }

    void resultsAreOnTheDiskBeforeOriginalsGo() {
        const QString strace = QStandardPaths::findExecutable(QStringLiteral("strace"));
        QVERIFY2(!strace.isEmpty(), "strace is needed (make test installs it)");
        const QString d = m_home.path() + QStringLiteral("/data"), key = m_home.path() + QStringLiteral("/key"),
                      trace = m_home.path() + QStringLiteral("/trace");
        QVERIFY(TestSupport::writeFile(key, "sync-order-key-0123456789"));
        QVERIFY(TestSupport::writeFile(d + "/big.dat", TestSupport::pseudoRandomBytes(3 << 20, 1)));
        QVERIFY(TestSupport::writeFile(d + "/f1.txt", TestSupport::pseudoRandomBytes(3000, 2)));
        QVERIFY(TestSupport::writeFile(d + "/f2.txt", TestSupport::pseudoRandomBytes(5000, 3)));
        QProcess p;
        p.start(strace, {"-f", "-y", "-qq", "-o", trace, "-e",
                         "trace=openat,pwrite64,fdatasync,fsync,syncfs,ftruncate,renameat2,rename,unlink,linkat",
                         CliProcess::program(), "encrypt", "--in-place", "--yes", "--keyfile", key, d});
        QVERIFY(p.waitForFinished(120000));
        QVERIFY2(p.exitCode() == 0, p.readAllStandardError().constData());
        const QList<Call> calls = readTrace(trace);
        QVERIFY(!calls.isEmpty());

        // The group of small files.
        const QRegularExpression log = ending(QStringLiteral("/.zq4e-log")),
                                 small(QStringLiteral("/f[12]\\.txt>\\)?$"));
        const qsizetype logSynced = find(calls, "fdatasync", log);
        const qsizetype firstWrittenOver = find(calls, "pwrite64", small);
        QVERIFY(logSynced >= 0 && firstWrittenOver >= 0);
        QVERIFY2(logSynced < firstWrittenOver, "an original was written over before the log was on the disk");
        const qsizetype lastWrittenOver = findLast(calls, {"pwrite64", "ftruncate"}, small);
        const qsizetype synced = find(calls, "syncfs", QRegularExpression(QStringLiteral(".")), lastWrittenOver);
        const qsizetype emptied = find(calls, "ftruncate", log, lastWrittenOver);
        QVERIFY(synced >= 0 && emptied >= 0);
        QVERIFY2(synced < emptied, "the log was emptied before the results written back were on the disk");

        // The large file: its result, the journal and the folder on the disk before the purge writes over it.
        const QRegularExpression big = ending(QStringLiteral("/big.dat"));
        const qsizetype purged = find(calls, "pwrite64", big);
        QVERIFY(purged >= 0);
        const qsizetype journalSynced = find(calls, "fsync", ending(QStringLiteral("/.zq4e-journal")));
        const qsizetype folderSynced = find(calls, "fsync", ending(QStringLiteral("/data")), journalSynced);
        const qsizetype resultSynced =
            find(calls, "fsync", QRegularExpression(QStringLiteral("(deleted\\)|\\.tmp>)\\)?$")));
        QVERIFY2(resultSynced >= 0 && resultSynced < purged, "the original was purged before its result was synced");
        QVERIFY2(journalSynced >= 0 && journalSynced < purged, "the original was purged before the journal was synced");
        QVERIFY2(folderSynced >= 0 && folderSynced < purged, "the original was purged before its folder was synced");
    }
};

QTEST_GUILESS_MAIN(TestSyncOrder)
#include "test_sync_order.moc"
