#include "batch/gui/ProgressPanel.h"

#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QtTest>

// What the report window shows of a long file: nothing for the first second, then the bar, the bytes, the
// speed and the time left, and the folder so far; in place over both readings of the file.
class TestProgressPanel : public QObject {
    Q_OBJECT
    static constexpr qint64 MiB = 1 << 20;

private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    void longFileInPlace() {
        ProgressPanel p;
        p.runStarted();
        QVERIFY(p.ticking());
        int asked = 0;
        p.fileStarted(QStringLiteral("big.iso"), 100 * MiB, true, 3, 12, [&asked] {
            ++asked;
            return std::pair<qint64, qint64>(50 * MiB, 500 * MiB);
        });
        p.takeReading(40 * MiB, 500);
        QVERIFY(p.isHidden());
        QCOMPARE(asked, 0); // a short file costs no look at the folder
        p.takeReading(60 * MiB, 1500);
        QVERIFY(!p.isHidden());
        QCOMPARE(p.barFile->value(), 30);
        QCOMPARE(p.lblFile->text(), QStringLiteral("big.iso: 60.0 MiB of 100.0 MiB, 40.0 MiB/s, 4s left"));
        QCOMPARE(p.lblFolder->text(), QStringLiteral("File 3 of 12 in this folder, 80.0 MiB of 500.0 MiB done."));
        // The count starts again: the result is being read back.
        p.takeReading(10 * MiB, 2000);
        QCOMPARE(p.barFile->value(), 55);
        QCOMPARE(p.lblFile->text(),
                 QStringLiteral("big.iso: checking the result, 10.0 MiB of 100.0 MiB, 55.0 MiB/s, 2s left"));
        QCOMPARE(asked, 1);
        // Done, it is not shown again while the run waits before the next file (a pause).
        p.fileEnded();
        QVERIFY(p.isHidden());
        p.takeReading(100 * MiB, 9000);
        QVERIFY(p.isHidden());
        // The next file starts hidden; the end of the run hides and stops everything.
        p.fileStarted(QStringLiteral("next.iso"), 10 * MiB, false, 4, 12, {});
        QVERIFY(p.isHidden());
        p.runEnded();
        QVERIFY(!p.ticking());
    }

    void offShowsNothing() {
        ProgressPanel p;
        p.setDisplayOn(false);
        p.runStarted();
        QVERIFY(!p.ticking());
        p.fileStarted(QStringLiteral("big.iso"), 100 * MiB, false, 1, 1, {});
        p.takeReading(60 * MiB, 5000);
        QVERIFY(p.isHidden());
    }
};

QTEST_MAIN(TestProgressPanel)
#include "test_progress_panel.moc"
