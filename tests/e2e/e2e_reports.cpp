// The real main window under a real X server: the randomness report of a folder and of one file, and the
// reliability test run for several passes, read from the report window.
#include "e2e/E2eSupport.h"

#include "batch/gui/frmReport.h"
#include "key/frmKeyFrom.h"

#include <QLabel>
#include <QRegularExpression>

using namespace E2e;

class E2eReports : public QObject {
    Q_OBJECT
    QTemporaryDir m_home;
    std::unique_ptr<frmMain> w;
    std::unique_ptr<Responder> r;

    QString path(const QString& rel) const { return QDir(m_home.path()).filePath(rel); }
    QString label(const QString& name) const { return child<QLabel>(w.get(), name)->text(); }
    QStringList reportLines() { return w->reportWindow().report().text().split(QStringLiteral("\r\n")); }

    void chooseInputFolder(const QString& folder, const QString& extension) {
        r->on(QStringLiteral("frmSpecifyInputFiles"), [extension](QWidget* d) {
            if (extension.isEmpty()) {
                click(d, QStringLiteral("optAllFiles"));
            } else {
                click(d, QStringLiteral("optExtension"));
                type(d, QStringLiteral("txbExtension"), extension);
            }
            click(d, QStringLiteral("cmdAccept"));
        });
        FileDialog::setNextDirectory(folder);
        QVERIFY(click(w.get(), QStringLiteral("cmdSpecifyDirectory_0")));
        QVERIFY(click(w.get(), QStringLiteral("cmdSpecifyFiles_0")));
        QCOMPARE(label(QStringLiteral("lblFiles_0")),
                 extension.isEmpty() ? QStringLiteral("*.*") : QStringLiteral("*.") + extension);
    }
    void typeKey(const QString& typed) {
        r->on(QStringLiteral("frmKeyboardWithDisplay"), [typed](QWidget* d) {
            type(d, QStringLiteral("txbKey"), typed);
            click(d, QStringLiteral("cmdYes"));
        });
        QVERIFY(click(w.get(), QStringLiteral("cmdKeyFrom")));
        QVERIFY(click(child(w.get(), QStringLiteral("picKeyFrom")), QStringLiteral("cmdKeyboardWithDisplay")));
        QCOMPARE(w->key.intKeyFrom, frmKeyFrom::FromKeyboard);
    }
    // Opens the randomness panel and asks for the input side.
    void randomnessOfInput() {
        QVERIFY(click(w.get(), QStringLiteral("cmdRandomnessReport")));
        QWidget* panel = child(w.get(), QStringLiteral("picRandomnessReport"));
        QVERIFY(panel && panel->isVisible());
        QVERIFY(!child(panel, QStringLiteral("cmdSpecifyFiles_3"))->isEnabled());
        QVERIFY(click(panel, QStringLiteral("cmdSpecifyFiles_2")));
        QVERIFY(!panel->isVisible());
        QVERIFY(child(w.get(), QStringLiteral("fraMenu"))->isEnabled());
    }
    QByteArray encrypted(const QByteArray& plain) {
        const QString in = path(QStringLiteral("scratch.in"));
        const QString out = path(QStringLiteral("scratch.out"));
        TestSupport::writeFile(in, plain);
        QFile::remove(out);
        zq4e::operation_initialization(engineKey("a key for the fixtures only"), 1, plain.size(), 0);
        if (zq4e::encrypt_file(in, out) != 0)
            return {};
        return TestSupport::readFile(out);
    }

private slots:
    void initTestCase() {
        TestSupport::prepareEnvironment(m_home);
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
    }
    void init() {
        MessageBox::reset();
        FileDialog::reset();
        r = std::make_unique<Responder>();
        w = startProgram();
        QVERIFY(w);
    }
    void cleanup() {
        QVERIFY2(r->unexpected.isEmpty(), qPrintable(r->unexpected.join(QLatin1Char('\n'))));
        w->close();
        w.reset();
        r.reset();
    }

    void randomnessListingOfFolder() {
        Watchdog dog(60);
        const QString folder = path(QStringLiteral("mixed/"));
        const QByteArray letter = encrypted(QByteArray("Dear reader, this letter is secret.\n").repeated(300));
        QVERIFY(!letter.isEmpty());
        TestSupport::writeFile(folder + "Letter.enc", letter);
        TestSupport::writeFile(folder + "notes.txt", QByteArray("Meeting at noon; bring the notes.\n").repeated(133));
        TestSupport::writeFile(folder + "tiny.txt", QByteArray("twelve bytes"));
        TestSupport::writeFile(folder + "zeros.bin", QByteArray(4096, '\0'));
        chooseInputFolder(folder, QString());
        randomnessOfInput();

        frmReport& report = w->reportWindow();
        QVERIFY(report.isVisible());
        QVERIFY(!report.isRunning());
        QCOMPARE(report.windowTitle(), QStringLiteral("Randomness report for input files *.*"));
        const QStringList lines = reportLines();
        const qsizetype head = lines.indexOf(folder);
        QVERIFY2(head >= 0, qPrintable(lines.join(QLatin1Char('\n'))));
        QVERIFY(lines.size() > head + 5);
        // One line per file in name order: value, marker, name in lower case, size.
        const QRegularExpression encryptedLine(
            QStringLiteral("^(0\\.89[1-9]|0\\.9\\d\\d|1\\.000) \\* letter\\.enc \\(%1 bytes\\)   $")
                .arg(QLocale().toString(qint64(letter.size()))));
        QVERIFY2(encryptedLine.match(lines[head + 1]).hasMatch(), qPrintable(lines[head + 1]));
        QVERIFY2(QRegularExpression(QStringLiteral("^0\\.[0-7]\\d\\d   notes\\.txt \\(4,522 bytes\\)   $"))
                     .match(lines[head + 2])
                     .hasMatch(),
                 qPrintable(lines[head + 2]));
        QCOMPARE(lines[head + 3], QStringLiteral("        tiny.txt (12 bytes)   "));
        QVERIFY2(QRegularExpression(QStringLiteral("^0\\.[0-7]\\d\\d   zeros\\.bin \\(4,096 bytes\\)   $"))
                     .match(lines[head + 4])
                     .hasMatch(),
                 qPrintable(lines[head + 4]));
        QCOMPARE(lines[head + 5], QString());
        QVERIFY(report.report().text().contains(QStringLiteral("Number of files processed: 4")));
        // A listing reads and never writes.
        QCOMPARE(TestSupport::readFile(folder + "Letter.enc"), letter);
        QCOMPARE(QDir(folder).entryList(QDir::Files).size(), 4);

        // One file: the graphic window with its size and value.
        QString shownSize, shownRandomness;
        r->on(QStringLiteral("frmGraphic"), [&](QWidget* d) {
            shownSize = child<QLabel>(d, QStringLiteral("lblFilesize"))->text();
            shownRandomness = child<QLabel>(d, QStringLiteral("lblRandomness"))->text();
            d->close();
        });
        report.close();
        FileDialog::setNextFileName(folder + "notes.txt");
        QVERIFY(click(w.get(), QStringLiteral("cmdSingleFile")));
        QCOMPARE(label(QStringLiteral("lblFiles_0")), QStringLiteral("notes.txt"));
        randomnessOfInput();
        QCOMPARE(shownSize, QStringLiteral("Filesize = 4,522 bytes"));
        QVERIFY2(QRegularExpression(QStringLiteral("^Randomness = 0\\.[0-7]\\d\\d$")).match(shownRandomness).hasMatch(),
                 qPrintable(shownRandomness));
        QVERIFY(!dog.fired);
    }

    void reliabilityTestOfFivePasses() {
        QVERIFY(w->reliabilityTestDiversion);
        Watchdog dog(100);
        const QString folder = path(QStringLiteral("work/zq4test/"));
        const QMap<QString, QByteArray> files = {
            {QStringLiteral("one.tst"), TestSupport::pseudoRandomBytes(5000, 7)},
            {QStringLiteral("two.tst"), QByteArray("plain words ").repeated(9000)},
            {QStringLiteral("three.tst"), QByteArray("3")},
        };
        for (auto it = files.cbegin(); it != files.cend(); ++it)
            TestSupport::writeFile(folder + it.key(), it.value());
        // The passes wait for the main clock; a short clock keeps the run short.
        w->intFirstClockInterval = 40;
        w->intClockInterval = 20;
        w->Clock->setInterval(40);
        chooseInputFolder(folder, QStringLiteral("tst"));
        typeKey(QStringLiteral("first pass uses this key"));
        r->on(QStringLiteral("frmReliabilityTest"), [](QWidget* d) {
            auto* count = child<QLineEdit>(d, QStringLiteral("txbNumTests"));
            count->selectAll();
            QTest::keyClicks(count, QStringLiteral("5x"));
            QCOMPARE(count->text(), QStringLiteral("5"));
            click(d, QStringLiteral("cmdContinue"));
        });
        // Each pass starts a new report; the report window is read while the passes run.
        QMap<int, QString> passes;
        QTimer watch;
        const auto look = [&] {
            const QString now = w->reportWindow().report().text();
            const QRegularExpressionMatch m =
                QRegularExpression(QStringLiteral("^Reliability test #(\\d) of 5\r\n")).match(now);
            if (m.hasMatch())
                passes[m.captured(1).toInt()] = now;
        };
        QObject::connect(&watch, &QTimer::timeout, look);
        watch.start(5);
        QVERIFY(click(w.get(), QStringLiteral("cmdDoIt")));
        QVERIFY(r->shown.contains(QStringLiteral("frmReliabilityTest")));
        QTRY_VERIFY_WITH_TIMEOUT(!w->context.blnPerformingReliabilityTest, 60000);
        watch.stop();
        look();

        const QString text = w->reportWindow().report().text();
        QVERIFY2(text.startsWith(QStringLiteral("Reliability test #5 of 5\r\n3 test files in ") + folder),
                 qPrintable(text));
        QCOMPARE(passes.keys(), QList<int>({1, 2, 3, 4, 5}));
        // The first pass uses the key typed; the others make their own.
        QVERIFY2(passes[1].contains(QStringLiteral("24-byte text key: first pass uses this key\r\n")),
                 qPrintable(passes[1]));
        for (int pass = 2; pass <= 5; ++pass)
            QVERIFY(!passes[pass].contains(QStringLiteral("first pass uses this key")));
        for (const QString& name : files.keys()) {
            const QString base = QFileInfo(name).completeBaseName();
            for (const QString& passText : std::as_const(passes))
                QVERIFY(passText.contains(name + QStringLiteral(", ") + base + QStringLiteral(".dec: identical\r\n")));
        }
        QVERIFY2(text.endsWith(QStringLiteral("The reliability test was performed 5 times.\r\n"
                                              "All decrypted files were found to be identical with the original "
                                              "files.")),
                 qPrintable(text.right(300)));
        // The originals are as they were, and the window is back to the setup the user made.
        for (auto it = files.cbegin(); it != files.cend(); ++it)
            QCOMPARE(TestSupport::readFile(folder + it.key()), it.value());
        QVERIFY(child(w.get(), QStringLiteral("fraMenu"))->isEnabled());
        QVERIFY(!child(w.get(), QStringLiteral("lblPerformingReliabilityTest"))->isVisible());
        QCOMPARE(label(QStringLiteral("lblFunction")), QStringLiteral("Encryption"));
        QCOMPARE(label(QStringLiteral("lblFiles_0")), QStringLiteral("*.tst"));
        QVERIFY(!dog.fired);
    }
};

QTEST_MAIN(E2eReports)
#include "e2e_reports.moc"
