#include "randomness/ProgressBarText.h"

#include <QtTest>

class TestProgressBar : public QObject {
    Q_OBJECT
private slots:
    void cellsDone_data() {
        QTest::addColumn<qint64>("processed");
        QTest::addColumn<qint64>("total");
        QTest::addColumn<int>("cells");
        // 43 cells over 86 bytes: every odd byte count lands on a half.
        QTest::newRow("half rounds down to even 0") << qint64(1) << qint64(86) << 0;
        QTest::newRow("half rounds up to even 2") << qint64(3) << qint64(86) << 2;
        QTest::newRow("half rounds down to even 2") << qint64(5) << qint64(86) << 2;
        QTest::newRow("just above half") << qint64(2) << qint64(100) << 1;
        QTest::newRow("just below half") << qint64(1) << qint64(100) << 0;
        QTest::newRow("all") << qint64(1000) << qint64(1000) << 43;
        QTest::newRow("empty file") << qint64(0) << qint64(0) << 0;
        QTest::newRow("beyond 4 GiB") << qint64(3) * 1024 * 1024 * 1024 << qint64(6) * 1024 * 1024 * 1024 << 22;
    }
    void cellsDone() {
        QFETCH(qint64, processed);
        QFETCH(qint64, total);
        QFETCH(int, cells);
        QCOMPARE(ProgressBarText::cellsDone(processed, total), cells);
    }

    void barHasFixedLength() {
        QCOMPARE(ProgressBarText::bar(0), ProgressBarText::emptyBar());
        QCOMPARE(ProgressBarText::bar(43), ProgressBarText::fullBar());
        const QString partial = ProgressBarText::bar(5);
        QCOMPARE(partial.size(), 43);
        QCOMPARE(partial.count(QChar(0x2588)), 5);
        QVERIFY(partial.endsWith(QStringLiteral("_")));
        QCOMPARE(ProgressBarText::bar(99), ProgressBarText::fullBar());
    }
};

QTEST_GUILESS_MAIN(TestProgressBar)
#include "test_progress_bar.moc"
