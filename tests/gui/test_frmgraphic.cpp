#include "platform/os/MessageBox.h"
#include "randomness/ProgressBarText.h"
#include "randomness/gui/BytePairPicture.h"
#include "randomness/gui/frmGraphic.h"
#include "support/TestSupport.h"

#include <QLabel>
#include <QPushButton>
#include <QSet>
#include <QTimer>
#include <QtTest>

class TestFrmGraphic : public QObject {
    Q_OBJECT
    QTemporaryDir m_home;
    QTemporaryDir m_dir;

    QString fixture(const QString& name, const QByteArray& bytes) {
        const QString path = m_dir.filePath(name);
        TestSupport::writeFile(path, bytes);
        return path;
    }
    static void prepare(frmGraphic& g, const QString& path, qint64 length) {
        g.strCurrentFilePath = path;
        g.lngFilesize = length;
        g.cmdDisplay->setText(QStringLiteral("&Display"));
        g.setClockInterval(0); // a tick at every event pass, so the bar follows the drawing closely
    }
    static bool isSet(const frmGraphic& g, int x, int y) { return g.Picture1->image().pixel(x, y) != 0xFFFFFFFF; }

private slots:
    void initTestCase() { TestSupport::prepareEnvironment(m_home); }
    void init() { MessageBox::reset(); }

    void drawsEveryPairOfTheGivenLength() {
        // 1001 bytes: the caller passes 1000, the lone last byte belongs to no pair.
        const QByteArray bytes = TestSupport::pseudoRandomBytes(1001, 7);
        frmGraphic g;
        prepare(g, fixture(QStringLiteral("odd.bin"), bytes), 1000);
        g.show();
        g.cmdDisplay_Click();
        QCOMPARE(g.pairsPlotted(), 500);
        QSet<int> pairs;
        for (int i = 0; i + 1 < 1000; i += 2)
            pairs.insert(uchar(bytes[i]) * 256 + uchar(bytes[i + 1]));
        QCOMPARE(g.pointCount(), pairs.size());
        QVERIFY(isSet(g, uchar(bytes[0]), uchar(bytes[1])));
        QCOMPARE(g.state(), int(frmGraphic::Finished));
        QCOMPARE(TestSupport::shown(g.cmdDisplay->text()), QStringLiteral("Close"));
        QCOMPARE(g.lblProgressBar->text(), ProgressBarText::fullBar());
        QCOMPARE(g.progress(), ProgressBarText::kLength);
        QVERIFY(MessageBox::history().isEmpty());

        g.cmdDisplay_Click(); // Close
        QVERIFY(!g.isVisible());
    }

    void firstByteAcrossSecondDown() {
        frmGraphic g;
        prepare(g, fixture(QStringLiteral("pair.bin"), QByteArray("\x03\xC8", 2)), 2);
        g.show();
        g.cmdDisplay_Click();
        QCOMPARE(g.pointCount(), 1);
        QVERIFY(isSet(g, 3, 200));
        QVERIFY(!isSet(g, 200, 3));
    }

    void repeatedPairDrawsOnePointAcrossBlocks() {
        frmGraphic g;
        prepare(g, fixture(QStringLiteral("zero.bin"), QByteArray(3 * 8192 + 100, '\0')), 3 * 8192 + 100);
        g.show();
        g.cmdDisplay_Click();
        QCOMPARE(g.pairsPlotted(), (3 * 8192 + 100) / 2);
        QCOMPARE(g.pointCount(), 1);
        QVERIFY(isSet(g, 0, 0));
    }

    void stopHalfwayKeepsPartialPictureAndBar() {
        const qint64 size = 40 * 8192;
        frmGraphic g;
        prepare(g, fixture(QStringLiteral("big.bin"), TestSupport::pseudoRandomBytes(size, 3)), size);
        connect(g.Clock, &QTimer::timeout, &g, [&g] {
            if (g.progress() >= 20 && TestSupport::shown(g.cmdDisplay->text()) == QStringLiteral("Stop"))
                g.cmdDisplay->click();
        });
        g.show();
        g.cmdDisplay->click();
        QCOMPARE(g.state(), int(frmGraphic::Finished));
        QCOMPARE(TestSupport::shown(g.cmdDisplay->text()), QStringLiteral("Close"));
        QVERIFY(g.pairsPlotted() > 0);
        QVERIFY(g.pairsPlotted() < size / 2);
        QVERIFY(g.pointCount() > 0);
        const QString bar = g.lblProgressBar->text();
        QCOMPARE(bar.size(), ProgressBarText::kLength);
        QVERIFY(bar.contains(ProgressBarText::kFullCell));
        QVERIFY(bar.contains(ProgressBarText::kEmptyCell));
        QVERIFY(!g.Clock->isActive());
        QVERIFY(g.isVisible());

        g.cmdDisplay->click();
        QVERIFY(!g.isVisible());
    }

    void closeBoxDuringModalDrawingHides() {
        const qint64 size = 40 * 8192;
        frmGraphic g;
        prepare(g, fixture(QStringLiteral("big2.bin"), TestSupport::pseudoRandomBytes(size, 4)), size);
        connect(g.Clock, &QTimer::timeout, &g, [&g] {
            if (g.progress() >= 10 && g.isVisible())
                g.close();
        });
        QTimer::singleShot(0, g.cmdDisplay, &QPushButton::click);
        g.exec();
        QVERIFY(!g.isVisible());
        QCOMPARE(g.state(), int(frmGraphic::Finished));
        QVERIFY(g.pairsPlotted() > 0);
        QVERIFY(g.pairsPlotted() < size / 2);
        QVERIFY(!g.Clock->isActive());
    }

    void showingAgainStartsFromAWhitePicture() {
        frmGraphic g;
        prepare(g, fixture(QStringLiteral("again.bin"), TestSupport::pseudoRandomBytes(600, 9)), 600);
        g.show();
        g.cmdDisplay_Click();
        g.cmdDisplay_Click(); // Close
        QVERIFY(g.pointCount() > 0);

        g.cmdDisplay->setText(QStringLiteral("&Display"));
        g.show();
        QCOMPARE(g.state(), int(frmGraphic::Ready));
        QCOMPARE(g.pointCount(), 0);
        QVERIFY(g.lblProgressBar->text().isEmpty());
    }

    void readFailures_data() {
        QTest::addColumn<bool>("missing");
        QTest::newRow("missing file") << true;
        QTest::newRow("file shorter than its length") << false;
    }
    void readFailures() {
        QFETCH(bool, missing);
        frmGraphic g;
        const QString path = missing ? m_dir.filePath(QStringLiteral("gone.bin"))
                                     : fixture(QStringLiteral("short.bin"), QByteArray(10000, 'a'));
        prepare(g, path, 20000);
        g.show();
        g.cmdDisplay_Click();
        QCOMPARE(MessageBox::history().size(), 1);
        QCOMPARE(MessageBox::last().text, QStringLiteral("Error reading file!"));
        QCOMPARE(MessageBox::last().title, QStringLiteral("Randomness report"));
        QCOMPARE(MessageBox::last().icon, MessageBox::Warning);
        // Only what was there is drawn, and the window waits for Stop.
        QCOMPARE(g.pairsPlotted(), missing ? 0 : 5000);
        QCOMPARE(g.state(), int(frmGraphic::Drawing));
        QCOMPARE(TestSupport::shown(g.cmdDisplay->text()), QStringLiteral("Stop"));
        QVERIFY(!g.Clock->isActive());
        g.cmdDisplay_Click();
        QCOMPARE(TestSupport::shown(g.cmdDisplay->text()), QStringLiteral("Close"));
        g.cmdDisplay_Click();
        QVERIFY(!g.isVisible());
    }
};

QTEST_MAIN(TestFrmGraphic)
#include "test_frmgraphic.moc"
