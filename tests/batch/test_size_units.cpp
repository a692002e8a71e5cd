// Every size the program writes, in the window, on the terminal and in the summary, is counted in one system:
// units of 1,024 bytes, whatever the text calls them ("KB" and "MB" where the summary and the file size keep
// those words, KiB, MiB and GiB in the progress lines). So every one of them names the report's exact byte count.
#include "batch/FileProgress.h"
#include "batch/RunSummary.h"
#include "files/FileProc.h"
#include "support/TestSupport.h"

#include <QRegularExpression>
#include <QtTest>

#include <cmath>

class TestSizeUnits : public QObject {
    Q_OBJECT
    QTemporaryDir m_home;

private slots:
    void initTestCase() { TestSupport::prepareEnvironment(m_home); }

    void everySizeNamesTheSameBytes_data() {
        QTest::addColumn<qint64>("bytes");
        QTest::newRow("1.5 KiB") << qint64(1536);
        QTest::newRow("five million bytes") << qint64(5000000);
        QTest::newRow("1500 MiB") << qint64(1572864000);
    }
    void everySizeNamesTheSameBytes() {
        QFETCH(qint64, bytes);
        // The whole file in 4 seconds: every rate written is a quarter of the byte count a second.
        FileProgress progress;
        progress.start(bytes, false);
        progress.sample(bytes, 4000);
        const RunSummary::Figures figures{1, 1, bytes, 4.0, true, false, false};
        const QString texts = progress.fileLine(QStringLiteral("big.iso")) + QLatin1Char('\n') +
                              FileProgress::folderLine(1, 1, bytes, bytes) + QLatin1Char('\n') +
                              RunSummary::Lines(figures).join(QString()) + FileProc::ByteCountText(bytes, 3);
        const QHash<QString, double> unit = {{"bytes", 1},           {"KB", 1024},
                                             {"KiB", 1024},          {"MB", 1024.0 * 1024},
                                             {"MiB", 1024.0 * 1024}, {"GiB", 1024.0 * 1024 * 1024}};
        static const QRegularExpression size(QStringLiteral(
            "(?:Total (KB) \\w+: ([0-9,.]+))|([0-9][0-9,]*(?:\\.([0-9]+))?) (bytes|KB|KiB|MB|MiB|GiB)\\b"));
        int seen = 0;
        for (auto it = size.globalMatch(texts); it.hasNext(); ++seen) {
            const QRegularExpressionMatch m = it.next();
            const bool total = !m.captured(1).isEmpty();
            const double factor = unit.value(total ? m.captured(1) : m.captured(5));
            QString number = total ? m.captured(2) : m.captured(3);
            const int decimals = number.contains(QLatin1Char('.')) ? int(number.size() - number.indexOf('.') - 1) : 0;
            const double value = number.remove(QLatin1Char(',')).toDouble() * factor;
            // Rounded to its last decimal, or a whole part cut off.
            const double slack = decimals > 0 ? factor * 0.5 * std::pow(10.0, -decimals) + 1 : factor;
            QVERIFY2(std::abs(value - double(bytes)) <= slack || std::abs(value - double(bytes) / 4) <= slack,
                     qPrintable(m.captured(0) + QStringLiteral(" in:\n") + texts));
        }
        QVERIFY2(seen >= 6, qPrintable(texts));
    }
};

QTEST_MAIN(TestSizeUnits)
#include "test_size_units.moc"
