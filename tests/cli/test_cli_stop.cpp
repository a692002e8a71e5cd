// A stop signal that comes between two small files ends the command line's run after the file it came during,
// although the run turns its event loop only when a signal is waiting.
#include "cli/CliRun.h"
#include "cli/StopSignals.h"
#include "support/RunHarness.h"

#include <QtTest>

#include <csignal>

class TestCliStop : public QObject {
    Q_OBJECT
    RunHarness h;

private slots:
    void initTestCase() { QVERIFY(h.start()); }
    void cleanupTestCase() { h.stop(); }

    void signalBetweenSmallFiles_data() {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGINT") << SIGINT;
        QTest::newRow("SIGTERM") << SIGTERM;
    }
    void signalBetweenSmallFiles() {
        QFETCH(int, signal);
        auto* run = new CliRun(*h.ctx, CliRun::Output::Quiet);
        h.run.reset(run);
        StopSignals stopSignals([run](int) { run->stop(); });
        const QString in = h.newFolder(), out = h.newFolder();
        for (int i = 1; i <= 6; ++i)
            QVERIFY(TestSupport::writeFile(in + QStringLiteral("f%1.txt").arg(i), "small"));
        int written = 0;
        h.ctx->afterResultWritten = [&](const QString&, const QString&) {
            if (++written == 2)
                ::raise(signal);
        };
        h.process(in, QStringLiteral("*.txt"), out, QStringLiteral("*.enc"), true);
        h.ctx->afterResultWritten = nullptr;

        QVERIFY(run->stopWanted());
        QCOMPARE(run->intFilesAttempted, 2);
        QCOMPARE(run->intFilesProcessed, 2);
        QCOMPARE(QDir(out).entryList(QDir::Files), QStringList({"f1.enc", "f2.enc"}));
        QVERIFY(!StopSignals::waiting());
    }
};

QTEST_GUILESS_MAIN(TestCliStop)
#include "test_cli_stop.moc"
