#include "platform/os/MessageBox.h"
#include "randomness/RandomnessReport.h"
#include "support/TestSupport.h"

#include <QtTest>

using RandomnessReport::SingleFile;

namespace {

// Records what the main window is asked to do.
struct FakeMain {
    qint64 matching = 1;
    double r = 0.5;
    QStringList steps;
    QString currentPath;
    qint64 currentLength = -1;
    SingleFile graphic;
    QString listingCaption;
    RandomnessReport::Hooks hooks;

    FakeMain() {
        hooks.countMatchingFiles = [this](const QString&, const QString&) {
            steps << QStringLiteral("count");
            return matching;
        };
        hooks.closePanel = [this] { steps << QStringLiteral("close panel"); };
        hooks.hidePanelAndDisableFrames = [this] { steps << QStringLiteral("disable"); };
        hooks.showChecking = [this](bool on) {
            steps << (on ? QStringLiteral("checking") : QStringLiteral("checked"));
        };
        hooks.setCurrentFile = [this](const QString& p, qint64 l) {
            currentPath = p;
            currentLength = l;
        };
        hooks.measure = [this](const QString&, int) { return r; };
        hooks.showGraphic = [this](const SingleFile& s) {
            steps << QStringLiteral("graphic");
            graphic = s;
        };
        hooks.runListing = [this](const QString&, const QString&, const QString& caption) {
            steps << QStringLiteral("listing");
            listingCaption = caption;
            return true;
        };
        hooks.enableFrames = [this] { steps << QStringLiteral("enable"); };
        hooks.placeFocus = [this](bool report) {
            steps << (report ? QStringLiteral("focus report") : QStringLiteral("focus button"));
        };
    }
};

} // namespace

class TestRandomnessReport : public QObject {
    Q_OBJECT
    QTemporaryDir m_home;
    QTemporaryDir m_dir;
    QString folder() const { return m_dir.path() + u'/'; }

private slots:
    void initTestCase() {
        TestSupport::prepareEnvironment(m_home);
        QVERIFY(TestSupport::writeFile(m_dir.filePath(QStringLiteral("odd.bin")), QByteArray(1001, 'x')));
        QVERIFY(TestSupport::writeFile(m_dir.filePath(QStringLiteral("small.txt")), QByteArray(255, 'x')));
    }
    void init() { MessageBox::reset(); }

    void panelNeedsOneSideSpecified() {
        QVERIFY(RandomnessReport::mayOpenPanel(false, true));
        QVERIFY(MessageBox::history().isEmpty());
        QVERIFY(!RandomnessReport::mayOpenPanel(false, false));
        QCOMPARE(MessageBox::last().text, QStringLiteral("Neither input files nor output files are specified."));
        QCOMPARE(MessageBox::last().title, QStringLiteral("Error"));
        QCOMPARE(MessageBox::last().icon, MessageBox::Warning);
    }

    void nothingToRate_data() {
        QTest::addColumn<QString>("spec");
        QTest::addColumn<qint64>("matching");
        QTest::addColumn<QString>("message"); // empty: none
        QTest::newRow("single file missing")
            << QStringLiteral("gone.txt") << qint64(0) << QStringLiteral("File gone.txt not found.");
        // A single file chosen by name carries our mark before its name: never shown.
        QTest::newRow("single file by name missing")
            << QStringLiteral("/gone.txt") << qint64(0) << QStringLiteral("File gone.txt not found.");
        QTest::newRow("no match") << QStringLiteral("*.txt") << qint64(0)
                                  << QStringLiteral("There are no files in %1 matching *.txt.");
        QTest::newRow("folder unreadable") << QStringLiteral("*.txt") << qint64(-1) << QString();
    }
    void nothingToRate() {
        QFETCH(QString, spec);
        QFETCH(qint64, matching);
        QFETCH(QString, message);
        FakeMain main;
        main.matching = matching;
        RandomnessReport::ShowRandomnessReport(0, folder(), spec, false, main.hooks);
        QCOMPARE(main.steps, QStringList({QStringLiteral("count"), QStringLiteral("close panel")}));
        if (message.isEmpty()) {
            QVERIFY(MessageBox::history().isEmpty());
        } else {
            QCOMPARE(MessageBox::history().size(), 1);
            QCOMPARE(MessageBox::last().text, message.arg(folder()));
            QCOMPARE(MessageBox::last().title, QStringLiteral("Randomness report"));
            QCOMPARE(MessageBox::last().icon, MessageBox::Warning);
        }
    }

    void singleFileOutcomes_data() {
        QTest::addColumn<int>("side");
        QTest::addColumn<QString>("spec");
        QTest::addColumn<double>("r");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("icon");
        QTest::newRow("too small") << 0 << QStringLiteral("small.txt") << -15.0
                                   << QStringLiteral("small.txt is too small (255 bytes) to have a randomness value.")
                                   << QStringLiteral("Randomness report") << int(MessageBox::NoIcon);
        QTest::newRow("too small, by name") << 0 << QStringLiteral("/small.txt") << -15.0
                                            << QStringLiteral("small.txt is too small (255 bytes) to have a randomness "
                                                              "value.")
                                            << QStringLiteral("Randomness report") << int(MessageBox::NoIcon);
        QTest::newRow("read error") << 1 << QStringLiteral("odd.bin") << -12.0
                                    << QStringLiteral("Cannot give a randomness report for this file.")
                                    << QStringLiteral("Error") << int(MessageBox::Warning);
        QTest::newRow("not found") << 0 << QStringLiteral("odd.bin") << -11.0
                                   << QStringLiteral("Cannot give a randomness report for this file.")
                                   << QStringLiteral("Error") << int(MessageBox::Warning);
    }
    void singleFileOutcomes() {
        QFETCH(int, side);
        QFETCH(QString, spec);
        QFETCH(double, r);
        QFETCH(QString, message);
        QFETCH(QString, title);
        QFETCH(int, icon);
        FakeMain main;
        main.r = r;
        RandomnessReport::ShowRandomnessReport(side, folder(), spec, false, main.hooks);
        QCOMPARE(main.steps, QStringList({"count", "disable", "checking", "checked", "enable", "focus button"}));
        QCOMPARE(MessageBox::history().size(), 1);
        QCOMPARE(MessageBox::last().text, message);
        QCOMPARE(MessageBox::last().title, title);
        QCOMPARE(int(MessageBox::last().icon), icon);
        QCOMPARE(MessageBox::last().buttons, MessageBox::Buttons(MessageBox::Ok));
    }

    void tooSmallComesFromTheLibrary() {
        FakeMain main;
        main.hooks.measure = nullptr; // the auxiliary library rates the 255-byte file
        RandomnessReport::ShowRandomnessReport(0, folder(), QStringLiteral("small.txt"), false, main.hooks);
        QCOMPARE(MessageBox::last().text,
                 QStringLiteral("small.txt is too small (255 bytes) to have a randomness value."));
    }

    void singleFileOpensTheGraphic_data() {
        QTest::addColumn<int>("side");
        QTest::addColumn<QString>("caption");
        QTest::newRow("input") << 0 << QStringLiteral("Input file: odd.bin");
        QTest::newRow("output") << 1 << QStringLiteral("Output file: odd.bin");
    }
    void singleFileOpensTheGraphic() {
        QFETCH(int, side);
        QFETCH(QString, caption);
        FakeMain main;
        main.r = 0.4567;
        RandomnessReport::ShowRandomnessReport(side, folder(), QStringLiteral("odd.bin"), false, main.hooks);
        QVERIFY(MessageBox::history().isEmpty());
        QCOMPARE(main.steps,
                 QStringList({"count", "disable", "checking", "checked", "graphic", "enable", "focus button"}));
        QCOMPARE(main.graphic.kind, SingleFile::Graphic);
        QCOMPARE(main.graphic.caption, caption);
        QCOMPARE(main.graphic.filesizeText, QStringLiteral("Filesize = 1,000 bytes"));
        QCOMPARE(main.graphic.randomnessText, QStringLiteral("Randomness = 0.457"));
        QCOMPARE(main.graphic.graphicLength, 1000);
        QCOMPARE(main.currentPath, folder() + QStringLiteral("odd.bin"));
        QCOMPARE(main.currentLength, 1000);
    }

    void severalFilesGoToTheListing_data() {
        QTest::addColumn<int>("side");
        QTest::addColumn<QString>("spec");
        QTest::addColumn<bool>("subdirectories");
        QTest::addColumn<QString>("caption");
        QTest::newRow("wildcard") << 0 << QStringLiteral("*.txt") << false
                                  << QStringLiteral("Randomness report for input files *.txt");
        QTest::newRow("one name through subfolders")
            << 1 << QStringLiteral("odd.bin") << true << QStringLiteral("Randomness report for output files odd.bin");
        QTest::newRow("a name by itself through subfolders")
            << 0 << QStringLiteral("/odd.bin") << true << QStringLiteral("Randomness report for input files odd.bin");
    }
    void severalFilesGoToTheListing() {
        QFETCH(int, side);
        QFETCH(QString, spec);
        QFETCH(bool, subdirectories);
        QFETCH(QString, caption);
        FakeMain main;
        RandomnessReport::ShowRandomnessReport(side, folder(), spec, subdirectories, main.hooks);
        QStringList expected = {"disable", "listing", "enable", "focus report"};
        if (!subdirectories)
            expected.prepend(QStringLiteral("count"));
        QCOMPARE(main.steps, expected);
        QCOMPARE(main.listingCaption, caption);
    }

    void placement() {
        const QRect mainFrame(100, 50, 800, 600);
        QCOMPARE(RandomnessReport::graphicPosition(mainFrame, 300), QPoint(100 + 800 - 8 - 300, 80));
        QCOMPARE(RandomnessReport::listingGeometry(mainFrame, 400), QRect(100, 80, 800, 400));
    }
};

QTEST_GUILESS_MAIN(TestRandomnessReport)
#include "test_randomness_report.moc"
