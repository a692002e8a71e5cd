#include "platform/os/MessageBox.h"
#include "randomness/RandomnessListing.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QtTest>

#include <cerrno>

namespace {

// Stands in for the report window: collects the report and the counters, and stops when told to.
struct FakeReport {
    QString text;
    bool stop = false;
    int attempted = 0;
    int failures = 0;
    QList<qint64> numFiles;
    QStringList nextDirs;
    QStringList measured;
    QMap<QString, double> values; // by file name; the real measure for names not in it
    qsizetype capacity = -1;
    std::function<void()> afterFile;
    RandomnessListingContext context;

    explicit FakeReport(bool subdirectories) {
        context.blnSubdirectories = subdirectories;
        context.addToReport = [this](const QString& s) {
            if (capacity >= 0 && text.size() + s.size() > capacity)
                return false;
            text += s;
            return true;
        };
        context.checkPauseAndStop = [this] {
            if (afterFile)
                afterFile();
            return stop;
        };
        context.fileAttempted = [this] { ++attempted; };
        context.setNumFiles = [this](qint64 n) { numFiles.append(n); };
        context.setNextDirPath = [this](const QString& d) { nextDirs.append(d); };
        context.failed = [this] {
            ++failures;
            stop = true;
        };
    }
    void useValues(const QMap<QString, double>& v) {
        values = v;
        context.measure = [this](const QString& path, int) {
            const QString name = path.mid(path.lastIndexOf(u'/') + 1);
            measured.append(name);
            return values.value(name, 0.0);
        };
    }
};

} // namespace

class TestRandomnessListing : public QObject {
    Q_OBJECT
    QTemporaryDir m_home;

    static void put(const QString& path, qsizetype size, char fill = 'a') {
        QVERIFY(TestSupport::writeFile(path, QByteArray(size, fill)));
    }

private slots:
    void initTestCase() { TestSupport::prepareEnvironment(m_home); }
    void init() { MessageBox::reset(); }

    void lineFields_data() {
        QTest::addColumn<double>("r");
        QTest::addColumn<QString>("start");
        QTest::newRow("threshold exactly") << 0.89 << QStringLiteral("0.890   ");
        QTest::newRow("just above") << 0.891 << QStringLiteral("0.891 * ");
        QTest::newRow("above, shown rounded") << 0.8904 << QStringLiteral("0.890 * ");
        QTest::newRow("one") << 1.0 << QStringLiteral("1.000 * ");
        QTest::newRow("zero") << 0.0 << QStringLiteral("0.000   ");
        QTest::newRow("not found") << -11.0 << QStringLiteral("[-11]   ");
        QTest::newRow("read error") << -12.0 << QStringLiteral("[-12]   ");
        QTest::newRow("empty") << -14.0 << QStringLiteral("[-14]   ");
    }
    void lineFields() {
        QFETCH(double, r);
        QFETCH(QString, start);
        QCOMPARE(RandomnessListing::line(QStringLiteral("Letter.ENC"), 1234567, true, r, 0.89),
                 start + QStringLiteral("letter.enc (1,234,567 bytes)   \r\n"));
    }

    void listsFoldersInCaseInsensitiveOrder() {
        QTemporaryDir dir;
        const QString top = dir.filePath(QStringLiteral("top"));
        put(top + QStringLiteral("/Letter.ENC"), 12288);
        put(top + QStringLiteral("/notes.txt"), 4531);
        put(top + QStringLiteral("/tiny.txt"), 12);
        put(top + QStringLiteral("/beta/z.txt"), 300);
        put(top + QStringLiteral("/Alpha/deep/k.txt"), 300);
        put(top + QStringLiteral("/Alpha/skip.doc"), 300);

        FakeReport report(true);
        report.useValues({{QStringLiteral("Letter.ENC"), 0.998},
                          {QStringLiteral("notes.txt"), 0.612},
                          {QStringLiteral("k.txt"), 0.891},
                          {QStringLiteral("z.txt"), 0.5}});
        QVERIFY(RandomnessListing::ListFolderRandomness(top, QStringLiteral("*.txt"), report.context));
        QString expected;
        expected += top + QStringLiteral("/\r\n");
        expected += QStringLiteral("0.612   notes.txt (4,531 bytes)   \r\n");
        expected += QStringLiteral("        tiny.txt (12 bytes)   \r\n\r\n");
        // Alpha has no .txt of its own: no heading, but its subfolder is searched.
        expected += top + QStringLiteral("/Alpha/deep/\r\n");
        expected += QStringLiteral("0.891 * k.txt (300 bytes)   \r\n\r\n");
        expected += top + QStringLiteral("/beta/\r\n");
        expected += QStringLiteral("0.500   z.txt (300 bytes)   \r\n\r\n");
        QCOMPARE(report.text, expected);
        QCOMPARE(report.attempted, 4);
        QCOMPARE(report.measured, QStringList({QStringLiteral("notes.txt"), QStringLiteral("k.txt"),
                                               QStringLiteral("z.txt")})); // never the 12-byte file
        QCOMPARE(report.nextDirs, QStringList({top + QStringLiteral("/Alpha"), top + QStringLiteral("/Alpha/deep"),
                                               top + QStringLiteral("/beta")}));
        QCOMPARE(report.numFiles, QList<qint64>({2, 0, 1, 1}));
        QVERIFY(MessageBox::history().isEmpty());

        // The same folder without subfolders, every name, given with its final '/'.
        FakeReport flat(false);
        flat.useValues({{QStringLiteral("Letter.ENC"), 0.998}, {QStringLiteral("notes.txt"), 0.612}});
        QVERIFY(RandomnessListing::ListFolderRandomness(top + u'/', QStringLiteral("*.*"), flat.context));
        QCOMPARE(flat.text, top + QStringLiteral("/\r\n") + QStringLiteral("0.998 * letter.enc (12,288 bytes)   \r\n") +
                                QStringLiteral("0.612   notes.txt (4,531 bytes)   \r\n") +
                                QStringLiteral("        tiny.txt (12 bytes)   \r\n\r\n"));
        QVERIFY(flat.nextDirs.isEmpty());
    }

    void realMeasureTellsEncryptedFromPlain() {
        QTemporaryDir dir;
        QVERIFY(TestSupport::writeFile(dir.filePath(QStringLiteral("secret.bin")),
                                       TestSupport::pseudoRandomBytes(8192, 11)));
        QByteArray text;
        while (text.size() < 5000)
            text += "The quick brown fox jumps over the lazy dog.\r\n";
        QVERIFY(TestSupport::writeFile(dir.filePath(QStringLiteral("plain.txt")), text));
        put(dir.filePath(QStringLiteral("short.bin")), 255);
        put(dir.filePath(QStringLiteral("least.bin")), 256, '\0');

        FakeReport report(false);
        QVERIFY(RandomnessListing::ListFolderRandomness(dir.path(), QStringLiteral("*.*"), report.context));
        const QStringList lines = report.text.split(QStringLiteral("\r\n"));
        QCOMPARE(lines.size(), 7); // heading, four files, the empty line, and what follows the last CR LF
        QVERIFY2(lines[1].startsWith(QStringLiteral("0.")) && lines[1].contains(QStringLiteral("   least.bin (256")),
                 qPrintable(lines[1]));
        QVERIFY2(lines[2].contains(QStringLiteral("   plain.txt (")) && !lines[2].contains(u'*'), qPrintable(lines[2]));
        QVERIFY2(lines[3].contains(QStringLiteral(" * secret.bin (8,192 bytes)")), qPrintable(lines[3]));
        QCOMPARE(lines[4], QStringLiteral("        short.bin (255 bytes)   "));
    }

    void failuresEndTheListing_data() {
        QTest::addColumn<int>("kind");
        QTest::newRow("file removed before it is read") << 0;
        QTest::newRow("folder missing") << 1;
        QTest::newRow("report full") << 2;
    }
    void failuresEndTheListing() {
        QFETCH(int, kind);
        QTemporaryDir dir;
        put(dir.filePath(QStringLiteral("a.txt")), 300);
        put(dir.filePath(QStringLiteral("b.txt")), 300);
        put(dir.filePath(QStringLiteral("c.txt")), 300);
        put(dir.filePath(QStringLiteral("sub/d.txt")), 300);

        FakeReport report(true);
        report.useValues({});
        QString folder = dir.path();
        QString description;
        if (kind == 0) {
            report.afterFile = [&] { QFile::remove(dir.filePath(QStringLiteral("b.txt"))); };
            description = dir.filePath(QStringLiteral("b.txt")) + QStringLiteral(": ") + qt_error_string(ENOENT);
        } else if (kind == 1) {
            folder = dir.filePath(QStringLiteral("nowhere"));
            description = folder + QStringLiteral("/: ") + qt_error_string(ENOENT);
        } else {
            report.capacity = dir.path().size() + 3 + 40; // the heading and one line
            description = QStringLiteral("The report is full.");
        }
        QVERIFY(!RandomnessListing::ListFolderRandomness(folder, QStringLiteral("*.txt"), report.context));
        QCOMPARE(report.failures, 1);
        QCOMPARE(MessageBox::history().size(), 1);
        QCOMPARE(MessageBox::last().text, description);
        QCOMPARE(MessageBox::last().title, QStringLiteral("Error"));
        QCOMPARE(MessageBox::last().icon, MessageBox::Warning);
        QVERIFY(!report.text.contains(QStringLiteral("c.txt")));
        QVERIFY(!report.text.contains(QStringLiteral("d.txt")));
        QVERIFY(report.nextDirs.isEmpty());
    }

    void stopEndsAfterTheCurrentFile() {
        QTemporaryDir dir;
        put(dir.filePath(QStringLiteral("a.txt")), 300);
        put(dir.filePath(QStringLiteral("b.txt")), 300);
        put(dir.filePath(QStringLiteral("c.txt")), 300);
        put(dir.filePath(QStringLiteral("sub/d.txt")), 300);
        FakeReport report(true);
        report.useValues({});
        report.afterFile = [&report] { report.stop = report.attempted == 2; };
        QVERIFY(!RandomnessListing::ListFolderRandomness(dir.path(), QStringLiteral("*.txt"), report.context));
        QCOMPARE(report.attempted, 2);
        QVERIFY(report.text.endsWith(QStringLiteral("b.txt (300 bytes)   \r\n")));
        QVERIFY(report.nextDirs.isEmpty());
        QCOMPARE(report.failures, 0);
    }
};

QTEST_GUILESS_MAIN(TestRandomnessListing)
#include "test_randomness_listing.moc"
