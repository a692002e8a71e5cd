#include "batch/OperationSetup.h"
#include "batch/RunClock.h"
#include "batch/RunContext.h"
#include "batch/gui/ProgressPanel.h"
#include "batch/gui/ReportView.h"
#include "batch/gui/frmAntiVirusQuery.h"
#include "batch/gui/frmConfirmOperation.h"
#include "batch/gui/frmPurgeWarning.h"
#include "batch/gui/frmReport.h"
#include "batch/inplace/WriteBack.h"
#include "key/frmKeyFrom.h"
#include "platform/engine/Engine.h"
#include "platform/os/MessageBox.h"
#include "support/ReportEdits.h"
#include "support/TestSupport.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QtTest>

#include <functional>

namespace {
const QString crlf = QStringLiteral("\r\n");

// A clock that moves only when told: by `step` seconds at each reading, plus whatever a test adds.
struct FakeClock {
    QDateTime base = QDateTime(QDate(2024, 5, 17), QTime(10, 0, 0));
    double step = 0;
    double offset = 0;
    void install() {
        RunClock::setSource([this] {
            const QDateTime t = base.addMSecs(qint64(offset * 1000));
            offset += step;
            return t;
        });
    }
};

// Answers the modal forms of a run, one action per form shown, in order.
class ModalDriver : public QObject {
public:
    using Action = std::function<void(QWidget*)>;
    void expect(const QString& name, Action action) { m_script.append({name, std::move(action)}); }
    void start() {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, this, [this] {
            QWidget* w = QApplication::activeModalWidget();
            if (!w || m_script.isEmpty() || !w->isVisible())
                return;
            if (w->objectName() != m_script.first().first) {
                m_unexpected << w->objectName();
                static_cast<QDialog*>(w)->reject();
                return;
            }
            auto step = m_script.takeFirst();
            m_seen << step.first;
            step.second(w);
        });
        m_timer.start();
    }
    QStringList seen() const { return m_seen; }
    QStringList unexpected() const { return m_unexpected; }
    bool done() const { return m_script.isEmpty(); }

private:
    QTimer m_timer;
    QList<QPair<QString, Action>> m_script;
    QStringList m_seen, m_unexpected;
};

// What the user does while a group's results are written over their originals (WriteBack's half-way hook).
std::function<void()> g_duringWriteBack;

void click(QWidget* dialog, const char* name) {
    auto* b = dialog->findChild<QPushButton*>(QString::fromLatin1(name));
    QVERIFY(b);
    b->click();
}

// A report window whose in-place renames can be made to fail.
class TestReport : public frmReport {
public:
    using frmReport::frmReport;
    using frmReport::reportChanged;
    bool failRename = false;

protected:
    bool renameResult(const QString& t, const QString& p) override {
        return failRename ? false : frmReport::renameResult(t, p);
    }
};
} // namespace

class TestBatchRun : public QObject {
    Q_OBJECT
    QTemporaryDir m_home;
    OperationSetup m_setup;
    frmKeyFrom m_key;
    RunContext* m_ctx = nullptr;
    TestReport* m_report = nullptr;
    FakeClock m_clock;

    QString newFolder() {
        static int n = 0;
        const QString d = QDir(m_home.path()).filePath(QStringLiteral("run%1/").arg(++n));
        QDir().mkpath(d);
        return d;
    }
    void run(const QString& in, const QString& spec, const QString& out, const QString& outSpec) {
        m_report->blnPerformingOperation = true;
        m_report->blnRandomnessReport = false;
        m_report->blnGettingInputFilesizes = false;
        m_report->strInputDirpath = in;
        m_report->strInputFilespec = spec;
        m_report->strOutputDirpath = out;
        m_report->strOutputFilespec = outSpec;
        m_report->ProcessFiles();
    }
    QString text() const { return m_report->report().text(); }
    void setMode(bool encrypt, bool same, bool sub = false) {
        m_setup.blnEncrypt = encrypt;
        m_setup.blnOutputFilesSame = same;
        m_setup.blnSubdirectories = sub;
    }

private slots:
    void initTestCase() {
        TestSupport::prepareEnvironment(m_home);
        QVERIFY(zq4e::allocate_buffers() != 0);
        m_key.strKey = QByteArray("ABCDEFGHIJKLMNOP").repeated(4);
        m_key.intKeyFrom = frmKeyFrom::FromKeyboard;
        m_ctx = new RunContext(m_setup, m_key);
        m_ctx->programFilePath = QDir(m_home.path()).filePath(QStringLiteral("prog/zq4"));
        m_report = new TestReport(*m_ctx);
    }
    void init() {
        MessageBox::reset();
        m_clock = FakeClock();
        m_clock.install();
        m_report->failRename = false;
        m_key.intKeyFrom = frmKeyFrom::FromKeyboard;
        setMode(true, false);
    }
    void cleanupTestCase() {
        RunClock::setSource({});
        delete m_report;
        delete m_ctx;
        zq4e::deallocate_buffers();
    }

    // The line of a done file ends in the output's length, in place too (there without a name).
    void reportLineLayout_data() {
        QTest::addColumn<bool>("inPlace");
        QTest::addColumn<int>("size");
        QTest::newRow("to a new file") << false << 12345;
        QTest::newRow("in place, grouped") << true << 12345;
        QTest::newRow("in place, on its own") << true << (2 << 20);
    }
    void reportLineLayout() {
        QFETCH(bool, inPlace);
        QFETCH(int, size);
        const QString d = newFolder();
        QVERIFY(TestSupport::writeFile(d + "report.txt", TestSupport::pseudoRandomBytes(size, 1)));
        setMode(true, inPlace);
        run(d, "*.txt", d, "*.enc");
        const QString out = inPlace ? QStringLiteral("report.txt") : QStringLiteral("report.enc");
        const qint64 outLen = QFileInfo(d + out).size();
        QVERIFY(outLen > size);
        const QString line = QStringLiteral("report.txt    ") + QLocale().toString(size) +
                             QStringLiteral(" bytes   -> ") + (inPlace ? QString() : out + QStringLiteral("  ")) +
                             QLocale().toString(outLen) + QStringLiteral(" bytes\r\n");
        QVERIFY2(text().startsWith(QStringLiteral("Encrypting *.txt in ") + d + crlf + line), qPrintable(text()));
        QCOMPARE(m_report->status(), QStringLiteral("Done"));
        QCOMPARE(m_report->lblPausedDone->text(), QStringLiteral("Done"));
        QVERIFY(m_report->cmdClose->isVisibleTo(m_report));
        QVERIFY(!m_report->cmdStop->isVisibleTo(m_report));
    }

    void summaries_data() {
        QTest::addColumn<int>("files");
        QTest::addColumn<int>("size");
        QTest::addColumn<QTime>("start");
        QTest::addColumn<double>("seconds");
        QTest::addColumn<QStringList>("present");
        QTest::addColumn<QStringList>("absent");
        QTest::newRow("no files") << 0 << 0 << QTime(10, 0) << 1.0
                                  << QStringList{"\r\nNumber of files processed: 0\r\nNumber of files encrypted: 0\r\n"}
                                  << QStringList{"Total KB", "Encrypting", "Elapsed"};
        QTest::newRow("one file") << 1 << 2048 << QTime(10, 0) << 1.0 << QStringList{"Total KB encrypted: 2.00\r\n"}
                                  << QStringList{"Number of files", "Elapsed"};
        QTest::newRow("short") << 3 << 1024 << QTime(10, 0) << 2.9
                               << QStringList{"Number of files processed: 3\r\n", "Number of files encrypted: 3\r\n",
                                              "Total KB encrypted: 3.00\r\n"}
                               << QStringList{"Elapsed", "Average"};
        QTest::newRow("slow") << 3 << 1024 << QTime(10, 0) << 10.0 << QStringList{"Elapsed time: 10 seconds\r\n"}
                              << QStringList{"Average"};
        QTest::newRow("fast") << 4 << 200 * 1024 << QTime(10, 0) << 4.0
                              << QStringList{"Total KB encrypted: 800.00\r\n", "Elapsed time: 4 seconds\r\n",
                                             "Average encryption speed = 200 KB/sec.\r\n"}
                              << QStringList{};
        QTest::newRow("across midnight") << 2 << 1024 << QTime(23, 59, 58) << 6.0
                                         << QStringList{"Elapsed time: 6 seconds\r\n"} << QStringList{};
    }
    void summaries() {
        QFETCH(int, files);
        QFETCH(int, size);
        QFETCH(QTime, start);
        QFETCH(double, seconds);
        QFETCH(QStringList, present);
        QFETCH(QStringList, absent);
        const QString d = newFolder();
        for (int i = 0; i < files; ++i)
            QVERIFY(TestSupport::writeFile(d + QStringLiteral("f%1.txt").arg(i), QByteArray(size, 'a' + i)));
        m_clock.base.setTime(start);
        m_clock.step = seconds; // start and end of the run are read once each
        run(d, "*.txt", d, "*.enc");
        for (const QString& p : present)
            QVERIFY2(text().contains(p), qPrintable(p + " in\n" + text()));
        for (const QString& a : absent)
            QVERIFY2(!text().contains(a), qPrintable(a + " in\n" + text()));
        QCOMPARE(m_ctx->intNumFiles, qint64(files));
        // The folder's last line is followed by an empty line before the summary.
        if (files > 0) {
            const QString last = QStringLiteral("f%1.txt").arg(files - 1);
            QVERIFY2(QRegularExpression(last + QStringLiteral(" [^\r\n]*\r\n\r\n(\r\nNumber|Total)"))
                         .match(text())
                         .hasMatch(),
                     qPrintable(text()));
        }
        QVERIFY(QRegularExpression(QStringLiteral("\r\n[^\r\n]+, \\d\\d:\\d\\d\r\n$")).match(text()).hasMatch());
        QCOMPARE(m_report->status(), files ? QStringLiteral("Done") : QString());
    }

    void duplicateOutputNames() {
        const QString d = newFolder();
        TestSupport::writeFile(d + "a.txt", "aaa");
        TestSupport::writeFile(d + "a.dat", "bbb");
        run(d, "*.*", d, "*.x");
        QCOMPARE(m_report->intOperationResult, -1);
        QCOMPARE(MessageBox::last().text, QStringLiteral("Output file specification \"*.x\" produces duplicate output "
                                                         "filenames!"));
        QCOMPARE(MessageBox::last().title, QStringLiteral("Error"));
        QCOMPARE(MessageBox::last().icon, MessageBox::Warning);
        QCOMPARE(QDir(d).entryList(QDir::Files).size(), 2);
        QVERIFY(!text().contains("a.txt  "));
        // Names that differ only in case count as the same name.
        const QString cased = newFolder();
        TestSupport::writeFile(cased + "Report.txt", "aaa");
        TestSupport::writeFile(cased + "report.dat", "bbb");
        run(cased, "*.*", cased, "*.x");
        QCOMPARE(m_report->intOperationResult, -1);
        // Replacing the files themselves makes no such check.
        MessageBox::reset();
        setMode(true, true);
        run(d, "*.*", d, "*.*");
        QCOMPARE(m_report->intOperationResult, 0);
        QCOMPARE(MessageBox::history().size(), 0);
        QCOMPARE(m_report->intFilesProcessed, 2);
    }

    void stopPauseContinue() {
        const QString d = newFolder();
        for (int i = 0; i < 5; ++i)
            TestSupport::writeFile(d + QStringLiteral("f%1.txt").arg(i), QByteArray(100, 'x'));
        // Stop during the first file's yield: one file done, then "Stopped".
        QTimer::singleShot(0, m_report->cmdStop, &QPushButton::click);
        run(d, "*.txt", d, "*.enc");
        QCOMPARE(m_report->intFilesAttempted, 1);
        QCOMPARE(m_report->status(), QStringLiteral("Stopped"));
        QVERIFY(m_report->blnStop);
        QVERIFY(m_ctx->blnGenerateNextKey);

        // Pause, then Stop ends the pause at once.
        QTimer::singleShot(0, this, [this] {
            m_report->cmdPauseContinue->click();
            QCOMPARE(TestSupport::shown(m_report->cmdPauseContinue->text()), QStringLiteral("Continue"));
            QCOMPARE(TestSupport::shown(m_report->cmdStop->text()), QStringLiteral("Stop"));
            QTimer::singleShot(30, m_report->cmdStop, &QPushButton::click);
        });
        run(d, "*.txt", d, "*.enc");
        QCOMPARE(m_report->intFilesAttempted, 1);
        QCOMPARE(m_report->status(), QStringLiteral("Stopped"));

        // Pause, then Continue: every file done, and the ten minutes paused do not count.
        QTimer::singleShot(0, this, [this] {
            m_report->cmdPauseContinue->click();
            QTimer::singleShot(30, this, [this] {
                QVERIFY(!m_report->Clock->isActive());
                m_clock.offset += 600;
                m_report->cmdPauseContinue->click();
                QCOMPARE(TestSupport::shown(m_report->cmdPauseContinue->text()), QStringLiteral("Pause at next file"));
                QCOMPARE(TestSupport::shown(m_report->cmdStop->text()), QStringLiteral("Stop at next file"));
            });
        });
        run(d, "*.txt", d, "*.enc");
        QCOMPARE(m_report->intFilesProcessed, 5);
        QCOMPARE(m_report->status(), QStringLiteral("Done"));
        QVERIFY2(!text().contains("Elapsed"), qPrintable(text()));
        QCOMPARE(m_report->lastElapsedSeconds(), 0.0);
    }

    // The text box reads as the report after every kind of edit the run makes: a note replaced by its line, a tail
    // cut inside a line break, a line taken back and written again, names beyond the Basic Plane, a new report.
    // Each op is one edit (TestSupport::applyReportEdit).
    void textBoxFollowsTheReport_data() {
        QTest::addColumn<QStringList>("ops");
        QTest::newRow("appends") << QStringList{"+Encrypting *.txt\r\n", "+a.txt  1 byte\r\n", "+b.txt"};
        QTest::newRow("note replaced")
            << QStringList{"+a\r\n", "*b.iso  purging...", "*b.iso  ", "*", "+b.iso  done\r\n"};
        QTest::newRow("line taken back, same again")
            << QStringList{"+one\r\n", "*two.txt    ", "*", "*two.txt    ", "*", "+two.txt    3 bytes\r\n"};
        QTest::newRow("lines written before the line in progress")
            << QStringList{"+one\r\n", "*c.txt  ", "+a.txt  1 byte\r\n", "*c.txt  2 bytes", "*", "+c\r\n"};
        QTest::newRow("cut between CR and LF") << QStringList{"+a\r\nb\r\n", "-1", "+\nc\r\n", "-3", "+d"};
        QTest::newRow("cut across lines") << QStringList{"+one\r\ntwo\r\nthree\r\n", "-9", "+ree\r\n"};
        QTest::newRow("combining marks and emoji")
            << QStringList{QString("+e\u0301t\u00e9"), QString("* \U0001F600.txt  "),
                           QString("* \U0001F601.txt  "), QString("*"),
                           QString("+ \U0001F600.txt  4 bytes\r\n"), "+x"};
        QTest::newRow("whole text replaced") << QStringList{"+old\r\nlines\r\n", "=new\r\n", "+more"};
    }
    void textBoxFollowsTheReport() {
        QFETCH(QStringList, ops);
        ReportBuffer& report = m_report->report();
        report.clear();
        m_report->reportChanged(false);
        for (const QString& op : ops) {
            QVERIFY(TestSupport::applyReportEdit(report, op));
            m_report->reportChanged(false);
            // The text box shows a CR LF, or a CR alone, as one line break.
            QString expected = report.text();
            expected.replace(crlf, QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
            QCOMPARE(m_report->txbText->text(), expected);
        }
        report.clear();
    }

    // Paused, the window shows the line of every file done, grouped in-place files included, and its end.
    void pausedShowsEveryLine() {
        const QString d = newFolder();
        for (int i = 0; i < 4; ++i)
            TestSupport::writeFile(d + QStringLiteral("p%1.txt").arg(i), QByteArray(3000, 'p'));
        setMode(true, true);
        QString shownWhilePaused;
        bool atEnd = false;
        QTimer::singleShot(0, this, [this] { m_report->cmdPauseContinue->click(); });
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, this, [&] {
            // The pause has begun once the run waits with its clock stopped.
            if (!m_report->isRunning() || !m_report->blnPaused || m_report->Clock->isActive())
                return;
            watch.stop();
            shownWhilePaused = m_report->txbText->text();
            QScrollBar* bar = m_report->txbText->verticalScrollBar();
            atEnd = bar->value() == bar->maximum();
            m_report->cmdPauseContinue->click();
        });
        watch.start(5);
        run(d, "*.txt", d, "*.txt");
        QCOMPARE(m_report->intFilesProcessed, qint64(4));
        QVERIFY2(shownWhilePaused.contains(QRegularExpression("p0.txt +3,000 bytes   -> 3,080 bytes\n")),
                 qPrintable(shownWhilePaused));
        QVERIFY(atEnd);
    }

    // A short report is seen whole in the fitted window, which the user may still resize; the next run starts
    // at the window's start size again.
    void shortReportIsSeenWhole() {
        const QString d = newFolder();
        for (int i = 0; i < 6; ++i)
            TestSupport::writeFile(d + QStringLiteral("w%1.txt").arg(i), QByteArray(100 + i, 'w'));
        m_report->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_report));
        run(d, "*.txt", d, "*.enc");
        QVERIFY(m_report->height() < frmReport::kStartHeight);
        QTRY_COMPARE(m_report->txbText->verticalScrollBar()->maximum(), 0);
        QVERIFY(m_report->txbText->text().contains(QStringLiteral("w5.txt")));
        QVERIFY(m_report->txbText->text().endsWith(QStringLiteral("\n")));
        m_report->resize(m_report->width(), frmReport::kStartHeight + 50);
        QCOMPARE(m_report->height(), frmReport::kStartHeight + 50);

        int heightAtStart = 0;
        QTimer::singleShot(0, this, [&] { heightAtStart = m_report->height(); });
        run(d, "*.txt", d, "*.enc");
        QCOMPARE(heightAtStart, frmReport::kStartHeight);
        m_report->hide();
    }

    // Stop clicked, or the window closed, while a group of small results is being written over its originals (half
    // of the first one written): the group is finished, every file of it whole and reported, nothing left of the
    // folder's log, and no file after it touched.
    void stopOrCloseWhileAGroupIsWrittenBack_data() {
        QTest::addColumn<bool>("close");
        QTest::newRow("Stop clicked") << false;
        QTest::newRow("window closed") << true;
    }
    void stopOrCloseWhileAGroupIsWrittenBack() {
        QFETCH(bool, close);
        const QString d = newFolder();
        QMap<QString, QByteArray> originals;
        for (const char* name : {"a.txt", "b.txt", "c.txt"})
            originals[QString::fromLatin1(name)] = TestSupport::pseudoRandomBytes(20000, quint32(name[0]));
        // Larger than a group takes, so the group before it is written back first; then one more small file.
        originals[QStringLiteral("d_large.txt")] = TestSupport::pseudoRandomBytes(2 << 20, 4);
        originals[QStringLiteral("e.txt")] = "after the large one";
        for (auto it = originals.cbegin(); it != originals.cend(); ++it)
            QVERIFY(TestSupport::writeFile(d + it.key(), it.value()));
        m_report->show();
        int calls = 0;
        g_duringWriteBack = [&] {
            if (calls++ == 0)
                close ? (void)m_report->close() : m_report->cmdStop->click();
        };
        WriteBack::setHalfWayHook([] { g_duringWriteBack(); });
        setMode(true, true);
        run(d, "*.txt", d, "*.txt");
        WriteBack::setHalfWayHook(nullptr);
        g_duringWriteBack = nullptr;
        QVERIFY(calls > 0);
        QVERIFY(m_report->blnStop);
        QVERIFY(!QFileInfo::exists(d + ".zq4e-log"));
        const QString scratch = QDir(m_home.path()).filePath(QStringLiteral("scratch"));
        QStringList encrypted;
        for (auto it = originals.cbegin(); it != originals.cend(); ++it) {
            const QByteArray now = TestSupport::readFile(d + it.key());
            if (now == it.value())
                continue;
            zq4e::operation_initialization(m_key.strKey, 0, 0, 0);
            QCOMPARE(zq4e::decrypt_file(d + it.key(), scratch), 0);
            QCOMPARE(TestSupport::readFile(scratch), it.value());
            QFile::remove(scratch);
            QVERIFY2(
                text().contains(QRegularExpression(QRegularExpression::escape(it.key()) + " +[0-9,]+ bytes   -> ")),
                qPrintable(text()));
            encrypted << it.key();
        }
        QCOMPARE(encrypted.mid(0, 3), QStringList({"a.txt", "b.txt", "c.txt"}));
        QVERIFY(!encrypted.contains(QStringLiteral("e.txt")));
        QCOMPARE(m_report->intFilesProcessed, qint64(encrypted.size()));
        m_report->hide();
    }

    // Stop, or Pause, during a large file lets it finish, its progress still followed and the window saying so;
    // "Stopped" or "Paused" comes when the run has really stopped or paused, and the report says what was not
    // reached.
    void stopOrPauseDuringALargeFile_data() {
        QTest::addColumn<bool>("pauseFirst");
        QTest::newRow("Stop") << false;
        QTest::newRow("Pause, then Stop once paused") << true;
    }
    void stopOrPauseDuringALargeFile() {
        QFETCH(bool, pauseFirst);
        const QString d = newFolder();
        QVERIFY(TestSupport::writeFile(d + "a_large.bin", TestSupport::pseudoRandomBytes(48 << 20, 5)));
        TestSupport::writeFile(d + "b_after.bin", "not reached");
        TestSupport::writeFile(d + "c_after.bin", "not reached");
        bool acted = false, followed = false, stoppedWhenPaused = false;
        QString statusInFile, statusLater, pausedButtons;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, this, [&] {
            if (!m_report->isRunning())
                return;
            if (!acted && zq4e::progress_bytes() >= (4 << 20)) {
                acted = true;
                (pauseFirst ? m_report->cmdPauseContinue : m_report->cmdStop)->click();
                statusInFile = m_report->lblPausedDone->text();
                followed = m_report->fraProgress->ticking();
            } else if (acted && m_report->fraProgress->fileActive()) {
                statusLater = m_report->lblPausedDone->text();
            } else if (pauseFirst && !stoppedWhenPaused && m_report->status() == BatchRun::statusPaused()) {
                stoppedWhenPaused = true;
                pausedButtons = TestSupport::shown(m_report->cmdPauseContinue->text()) + "/" +
                                TestSupport::shown(m_report->cmdStop->text());
                m_report->cmdStop->click();
            }
        });
        watch.start(2);
        run(d, "*.bin", d, "*.enc");
        watch.stop();
        QVERIFY(acted);
        QVERIFY(followed);
        const QString finishing =
            pauseFirst ? QStringLiteral("Pausing after this file...") : QStringLiteral("Stopping after this file...");
        QCOMPARE(statusInFile, finishing);
        QCOMPARE(statusLater, finishing);
        if (pauseFirst) {
            QVERIFY(stoppedWhenPaused);
            QCOMPARE(pausedButtons, QStringLiteral("Continue/Stop"));
        }
        QCOMPARE(m_report->status(), QStringLiteral("Stopped"));
        QCOMPARE(m_report->lblPausedDone->text(), QStringLiteral("Stopped"));
        QCOMPARE(m_report->intFilesProcessed, qint64(1));
        QVERIFY(text().contains(QStringLiteral("-> a_large.enc  ")));
        QVERIFY2(text().contains(crlf + QStringLiteral("2 matching files were not reached.") + crlf),
                 qPrintable(text()));
        QVERIFY(QFileInfo(d + "a_large.enc").size() > (48 << 20));
        QVERIFY(!QFileInfo::exists(d + "b_after.enc"));
        QVERIFY(!m_report->fraProgress->ticking());
    }

    void bufferFull_data() {
        QTest::addColumn<bool>("carryOn");
        QTest::newRow("Yes") << true;
        QTest::newRow("No") << false;
    }
    void bufferFull() {
        QFETCH(bool, carryOn);
        const QString d = newFolder();
        for (int i = 0; i < 12; ++i)
            TestSupport::writeFile(d + QStringLiteral("file%1.txt").arg(i, 2, 10, QLatin1Char('0')), "0123456789");
        m_report->report().setCapacity(600);
        MessageBox::setNextAnswer(MessageBox::Ok);
        MessageBox::setNextAnswer(carryOn ? MessageBox::Yes : MessageBox::No);
        run(d, "*.txt", d, "*.enc");
        m_report->report().setCapacity(ReportBuffer::DefaultCapacity);
        QCOMPARE(MessageBox::history().size(), 2);
        QCOMPARE(MessageBox::history()[0].title, QStringLiteral("Error"));
        QCOMPARE(MessageBox::history()[1].title, QStringLiteral("Report buffer full"));
        QCOMPARE(MessageBox::history()[1].buttons, MessageBox::Yes | MessageBox::No);
        QVERIFY(text().contains("The output report buffer was filled.\r\n"));
        if (carryOn) {
            QVERIFY(text().contains("Subsequent operations on individual files will continue,\r\n"
                                    "but results will not be reported here.\r\n\r\n"));
            QCOMPARE(m_report->intFilesProcessed, 12);
            QVERIFY(text().contains("Number of files encrypted: 12\r\n"));
            QVERIFY(!text().contains("file11.txt"));
        } else {
            QVERIFY(text().contains("This operation was terminated at the user's request.\r\n"
                                    "Note: Some files were not encrypted.\r\n"));
            QVERIFY(m_report->intFilesProcessed < 12);
            QVERIFY(!QFileInfo::exists(d + "file11.enc"));
            QVERIFY(text().contains("Number of files processed:"));
        }
    }

    void inPlaceRoundTrip() {
        const QString d = newFolder();
        QMap<QString, QByteArray> originals;
        const int sizes[] = {1, 2, 3, 255, 256, 65535, 65536, 65537, 200000, 5 * 1024 * 1024 + 7};
        int k = 0;
        for (int s : sizes) {
            const QString name = QStringLiteral("n%1.dat").arg(k++);
            originals[name] = TestSupport::pseudoRandomBytes(s, 100 + s);
            QVERIFY(TestSupport::writeFile(d + name, originals[name]));
        }
        TestSupport::writeFile(d + "sub/deep.dat", "in a subfolder");
        originals["sub/deep.dat"] = "in a subfolder";
        setMode(true, true, true);
        run(d, "*.dat", d, "*.dat");
        QCOMPARE(m_report->intFilesProcessed, qint64(originals.size()));
        QVERIFY(text().contains(QStringLiteral("Encrypting *.dat in ") + d + "sub/\r\n"));
        for (auto it = originals.cbegin(); it != originals.cend(); ++it) {
            const QByteArray now = TestSupport::readFile(d + it.key());
            QVERIFY(now.size() > it.value().size());
            QVERIFY(!now.contains(it.value().left(64)) || it.value().size() < 8);
        }
        QCOMPARE(QDir(d).entryList(QDir::Files | QDir::Hidden).size(), int(sizeof sizes / sizeof *sizes));
        setMode(false, true, true);
        run(d, "*.dat", d, "*.dat");
        QCOMPARE(m_report->intFilesProcessed, qint64(originals.size()));
        QVERIFY(!text().contains("(with purge)"));
        for (auto it = originals.cbegin(); it != originals.cend(); ++it)
            QVERIFY2(TestSupport::readFile(d + it.key()) == it.value(), qPrintable(it.key()));
        QCOMPARE(QDir(d).entryList(QDir::Files | QDir::Hidden).size(), int(sizeof sizes / sizeof *sizes));
        QCOMPARE(QDir(d + "sub").entryList(QDir::Files | QDir::Hidden).size(), 1);
    }

    // Small in-place files are made final in groups; their lines still come one per file, in order, also when
    // a file in the middle fails or asks a question.
    void inPlaceGroupsKeepOrder() {
        const QString d = newFolder();
        QMap<QString, QByteArray> originals;
        for (int i = 0; i < 150; ++i) {
            const QString name = QStringLiteral("g%1.dat").arg(i, 3, 10, QLatin1Char('0'));
            originals[name] = TestSupport::pseudoRandomBytes(100 + i, 500 + i);
            QVERIFY(TestSupport::writeFile(d + name, originals[name]));
        }
        setMode(true, true);
        run(d, "g*.dat", d, "*.dat");
        QCOMPARE(m_report->intFilesProcessed, qint64(150));
        const QByteArray foreign = TestSupport::pseudoRandomBytes(300, 7);
        QVERIFY(TestSupport::writeFile(d + "g075.dat", foreign));
        QByteArray plain;
        for (int i = 0; i < 20; ++i)
            plain += "Plain words that were never encrypted.\n";
        QVERIFY(TestSupport::writeFile(d + "g100.dat", plain));
        setMode(false, true);
        MessageBox::setNextAnswer(MessageBox::Yes); // g100.dat: decrypt anyway
        run(d, "g*.dat", d, "*.dat");
        QCOMPARE(m_report->intFilesAttempted, qint64(150));
        QCOMPARE(m_report->intFilesProcessed, qint64(148));
        const QStringList lines = text().split(crlf);
        QStringList named;
        for (const QString& line : lines)
            if (line.startsWith(QLatin1Char('g')))
                named << line.left(8);
        QCOMPARE(named.size(), 150);
        for (int i = 0; i < 150; ++i)
            QCOMPARE(named[i], QStringLiteral("g%1.dat").arg(i, 3, 10, QLatin1Char('0')));
        for (const QString& line : lines) {
            if (!line.startsWith(QLatin1Char('g')))
                continue;
            const bool failing = line.startsWith("g075") || line.startsWith("g100");
            QVERIFY2(line.contains(QRegularExpression("bytes   -> [0-9,]+ bytes$")) != failing, qPrintable(line));
        }
        for (auto it = originals.cbegin(); it != originals.cend(); ++it)
            if (it.key() != "g075.dat" && it.key() != "g100.dat")
                QVERIFY2(TestSupport::readFile(d + it.key()) == it.value(), qPrintable(it.key()));
        QCOMPARE(TestSupport::readFile(d + "g075.dat"), foreign);
        QCOMPARE(TestSupport::readFile(d + "g100.dat"), plain);
        QCOMPARE(QDir(d).entryList(QDir::Files | QDir::Hidden).size(), 150);
    }

    // Switching the function or the output in the main window while a run goes on changes nothing for it.
    void setupChangedDuringRunIsIgnored() {
        const QString d = newFolder();
        for (int i = 0; i < 5; ++i)
            QVERIFY(TestSupport::writeFile(d + QStringLiteral("s%1.txt").arg(i), "keep this original"));
        setMode(true, false);
        QTimer::singleShot(0, this, [this] { setMode(false, true); });
        run(d, "s*.txt", d, "*.enc");
        QVERIFY(!m_setup.blnEncrypt); // the switch did happen, during the run
        QCOMPARE(m_report->intFilesProcessed, qint64(5));
        for (int i = 0; i < 5; ++i) {
            QCOMPARE(TestSupport::readFile(d + QStringLiteral("s%1.txt").arg(i)), QByteArray("keep this original"));
            QVERIFY(QFileInfo::exists(d + QStringLiteral("s%1.enc").arg(i)));
        }
        QVERIFY(text().contains("Number of files encrypted: 5"));
    }

    void subfolderOutputStaysInSubfolder() {
        const QString d = newFolder();
        const QString out = newFolder();
        TestSupport::writeFile(d + "top.txt", "top");
        TestSupport::writeFile(d + "sub/low.txt", "low");
        setMode(true, false, true);
        run(d, "*.txt", out, "*.enc");
        QVERIFY(QFileInfo::exists(out + "top.enc"));
        QVERIFY(QFileInfo::exists(d + "sub/low.enc"));
        QVERIFY(!QFileInfo::exists(out + "sub/low.enc"));
    }

    void exclusions() {
        const QString d = newFolder();
        QDir().mkpath(QFileInfo(m_ctx->programFilePath).absolutePath());
        TestSupport::writeFile(m_ctx->programFilePath, "program");
        const QString keyfile = d + "my.key";
        TestSupport::writeFile(keyfile, QByteArray(64, 'k'));
        TestSupport::writeFile(d + "SETUP.EXE", "binary");
        TestSupport::writeFile(d + "plain.txt", "text");
        m_key.intKeyFrom = frmKeyFrom::FromKeyfile;
        m_key.strKeyFile = keyfile;
        setMode(true, true);
        run(d, "*.*", d, "*.*");
        QVERIFY(text().contains("my.key        64 bytes   This is the current keyfile.  Encryption not performed."));
        QVERIFY(text().contains("ZQ4 does not encrypt-in-place files with extension \"exe\"."));
        QCOMPARE(TestSupport::readFile(keyfile), QByteArray(64, 'k'));
        QCOMPARE(TestSupport::readFile(d + "SETUP.EXE"), QByteArray("binary"));
        QCOMPARE(m_report->intFilesProcessed, 1);
        // A typed key leaves the keyfile an ordinary file; another output file is allowed for any extension.
        m_key.intKeyFrom = frmKeyFrom::FromKeyboard;
        setMode(true, false);
        run(d, "*.*", d, "*.enc");
        QVERIFY(QFileInfo::exists(d + "SETUP.enc"));
        QVERIFY(QFileInfo::exists(d + "my.enc"));
        setMode(true, true);
        const QString progDir = QFileInfo(m_ctx->programFilePath).absolutePath() + "/";
        run(progDir, "zq4", progDir, "zq4");
        QVERIFY(text().contains("This is the ZQ4 executable.  Encryption not performed."));
        QCOMPARE(TestSupport::readFile(m_ctx->programFilePath), QByteArray("program"));
    }

    void smallAndEmptyFiles() {
        const QString d = newFolder();
        TestSupport::writeFile(d + "a0", "");
        TestSupport::writeFile(d + "a2", "xy");
        TestSupport::writeFile(d + "a3", "xyz");
        setMode(false, false);
        run(d, "*", d, "*.out");
        QVERIFY(text().contains("a0            This file is empty (0 bytes).\r\n"));
        QVERIFY(text().contains("a2            This file is too small to have been ZQ4-encrypted.\r\n"));
        QVERIFY(text().contains("a3            3 bytes   Decryption key is incorrect or ciphertext is corrupt.\r\n"));
        QCOMPARE(m_report->intFilesProcessed, 0);
        QVERIFY(text().contains("Number of files decrypted: 0"));
    }

    void anomalyQuestion() {
        const QString d = newFolder();
        QByteArray plain;
        for (int i = 0; i < 40; ++i)
            plain += "This is plain English text, line after line.\n";
        TestSupport::writeFile(d + "a.txt", plain);
        TestSupport::writeFile(d + "b.txt", plain);
        setMode(false, false);
        MessageBox::setNextAnswer(MessageBox::No); // a.txt: do not decrypt
        MessageBox::setNextAnswer(MessageBox::No); // do not abort
        MessageBox::setNextAnswer(MessageBox::No); // b.txt: do not decrypt; last file, no abort question
        run(d, "*.txt", d, "*.dec");
        const auto& h = MessageBox::history();
        QCOMPARE(h.size(), 3);
        QCOMPARE(h[0].title, QStringLiteral("Anomaly"));
        QCOMPARE(h[0].text, QStringLiteral("This file appears NOT to be encrypted?\r\nAttempt to decrypt it anyway?"));
        QCOMPARE(h[0].defaultButton, MessageBox::No);
        QCOMPARE(h[1].title, QStringLiteral("Abort?"));
        QCOMPARE(h[1].text, QStringLiteral("Abort this decryption operation?"));
        QCOMPARE(h[2].title, QStringLiteral("Anomaly"));
        QVERIFY(text().contains("a.txt         1,800 bytes   skipped (file seems not encrypted)\r\n"));
        QVERIFY(!QFileInfo::exists(d + "a.dec"));
        // Abort on the first file ends the run there.
        MessageBox::reset();
        MessageBox::setNextAnswer(MessageBox::No);
        MessageBox::setNextAnswer(MessageBox::Yes);
        run(d, "*.txt", d, "*.dec");
        QCOMPARE(m_report->intFilesAttempted, 1);
        QVERIFY(m_report->blnStop);
    }

    // A file large enough to be replaced on its own, by a rename (small files are written over their originals).
    void renameFailure() {
        const QString d = newFolder();
        const QByteArray plain = TestSupport::pseudoRandomBytes(2 << 20, 4);
        TestSupport::writeFile(d + "r.txt", plain);
        setMode(true, true);
        m_report->failRename = true;
        run(d, "r.txt", d, "r.txt");
        QVERIFY2(text().contains("Error when renaming temporary output file. The result of the encryption operation "
                                 "is in the file " +
                                 d + "r.txt1."),
                 qPrintable(text()));
        QCOMPARE(m_report->intFilesProcessed, 1);
        QVERIFY(QFileInfo(d + "r.txt1").size() > plain.size());
    }

    void antivirusQuestionAndAdvice() {
        const QString d = newFolder();
        for (const char* n : {"a.doc", "b.doc", "c.doc"})
            TestSupport::writeFile(d + n, "document");
        setMode(true, true);
        ModalDriver driver;
        driver.expect("frmAntiVirusQuery", [](QWidget* w) { click(w, "cmdDontKnow"); });
        driver.expect("frmPurgeWarning", [this, d](QWidget* w) {
            auto* warning = static_cast<frmPurgeWarning*>(w);
            QCOMPARE(warning->strPurgeFilePath, d + "a.doc");
            QVERIFY(warning->messageText().startsWith("The file " + d + "a.doc has been encrypted.\r\n\r\n"));
            m_clock.offset += 1000; // time spent reading the advice
            click(w, "cmdOK");
        });
        driver.expect("frmAntiVirusQuery", [](QWidget* w) { click(w, "cmdNo"); });
        driver.start();
        run(d, "*.doc", d, "*.doc");
        QCOMPARE(driver.seen(), (QStringList{"frmAntiVirusQuery", "frmPurgeWarning", "frmAntiVirusQuery"}));
        QVERIFY(driver.unexpected().isEmpty());
        QCOMPARE(m_report->intFilesProcessed, 3);
        QVERIFY(!text().contains("Elapsed"));

        // A new run asks again; ticking the box ends the advice for that run. Decryption never asks.
        ModalDriver again;
        again.expect("frmAntiVirusQuery", [](QWidget* w) { click(w, "cmdYes"); });
        again.expect("frmPurgeWarning", [](QWidget* w) {
            w->findChild<QCheckBox*>("chkDontShowAgain")->click();
            click(w, "cmdOK");
        });
        again.start();
        setMode(false, true);
        run(d, "*.doc", d, "*.doc");
        QVERIFY(again.seen().isEmpty());
        setMode(true, true);
        run(d, "*.doc", d, "*.doc");
        QCOMPARE(again.seen(), (QStringList{"frmAntiVirusQuery", "frmPurgeWarning"}));
        QCOMPARE(m_report->intFilesProcessed, 3);
    }

    // The window shows a run's lines and follows their end; a selection by mouse (a drag, a double click for a word, a
    // third click for a line) or by Ctrl+Shift and the arrows copies with CR LF line breaks, no selection the whole
    // report.
    void copyToClipboard() {
        const QString d = newFolder();
        TestSupport::writeFile(d + "c.txt", "copy me");
        TestSupport::writeFile(d + "d.txt", "and me");
        m_report->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_report));
        run(d, "*.txt", d, "*.enc");
        ReportView* view = m_report->txbText;
        QCOMPARE(view->text(), QString(text()).replace(crlf, QStringLiteral("\n")));
        // Lines past the window's height: the end stays in view.
        for (int i = 0; i < 80; ++i)
            m_report->AddToReport(QStringLiteral("line %1\r\n").arg(i), true);
        QScrollBar* bar = view->verticalScrollBar();
        QVERIFY(bar->maximum() > 0);
        QCOMPARE(bar->value(), bar->maximum());
        QVERIFY(view->text().endsWith(QStringLiteral("line 79\n")));
        // Assistive technology reads the report as it is.
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(view);
        QCOMPARE(accessible->text(QAccessible::Name), QStringLiteral("Report"));
        QCOMPARE(accessible->textInterface()->text(0, accessible->textInterface()->characterCount()), text());

        QVERIFY(m_report->cmdCopyToClipboard->isVisibleTo(m_report));
        m_report->cmdCopyToClipboard_Click();
        QCOMPARE(QGuiApplication::clipboard()->text(), text());
        QCOMPARE(m_report->lblPausedDone->text(), QString());

        // Dragged from the start of the first line to the fourth character of the second.
        view->moveToStart();
        QCOMPARE(bar->value(), 0);
        const qreal pitch = QFontMetricsF(view->font()).horizontalAdvance(QLatin1Char('0'));
        const auto at = [&](int line, int column) {
            return QPoint(ReportView::kMargin + qRound(column * pitch),
                          ReportView::kMargin + line * view->lineHeight() + view->lineHeight() / 2);
        };
        QTest::mousePress(view->viewport(), Qt::LeftButton, {}, at(0, 0));
        QTest::mouseMove(view->viewport(), at(1, 3));
        QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, at(1, 3));
        QTRY_COMPARE(TestSupport::shown(m_report->cmdCopyToClipboard->text()),
                     QStringLiteral("Copy selected text to clipboard"));
        m_report->cmdCopyToClipboard_Click();
        const QStringList lines = text().split(crlf);
        QCOMPARE(QGuiApplication::clipboard()->text(), lines.at(0) + crlf + lines.at(1).left(3));
        QCOMPARE(TestSupport::shown(m_report->cmdCopyToClipboard->text()), QStringLiteral("Copy to clipboard"));

        // A double click takes the word under it, a third click its line (a double click ends with a release, which
        // the test sends itself).
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at(1, 1));
        QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, at(1, 1));
        QTRY_COMPARE(TestSupport::shown(m_report->cmdCopyToClipboard->text()),
                     QStringLiteral("Copy selected text to clipboard"));
        m_report->cmdCopyToClipboard_Click();
        QCOMPARE(QGuiApplication::clipboard()->text(), lines.at(1).section(QLatin1Char(' '), 0, 0));
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at(1, 1));
        QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, at(1, 1));
        QTest::mousePress(view->viewport(), Qt::LeftButton, {}, at(1, 1));
        QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, at(1, 1));
        m_report->cmdCopyToClipboard_Click();
        QCOMPARE(QGuiApplication::clipboard()->text(), lines.at(1));

        // Ctrl and the arrows go a word at a time.
        const qsizetype line5 = view->characters().indexOf(QStringLiteral("line 5\r\n"));
        view->select(line5, line5);
        QTest::keyClick(view, Qt::Key_Right, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(view->selectedText().trimmed(), QStringLiteral("line"));
        QTest::keyClick(view, Qt::Key_Left, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(!view->hasSelection());

        // A click takes the selection away: the whole report again.
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at(1, 1));
        QVERIFY(!view->hasSelection());
        m_report->cmdCopyToClipboard_Click();
        QCOMPARE(QGuiApplication::clipboard()->text(), text());
        m_report->hide();
    }

    void closeStopsTheRun() {
        const QString d = newFolder();
        for (int i = 0; i < 4; ++i)
            TestSupport::writeFile(d + QStringLiteral("f%1.txt").arg(i), "data");
        m_report->show();
        QTimer::singleShot(0, m_report->cmdClose, &QPushButton::click);
        run(d, "*.txt", d, "*.enc");
        QCOMPARE(m_report->intFilesAttempted, 1);
        QVERIFY(!m_report->isVisible());
        QVERIFY(!text().isEmpty());
    }

    void confirmationDialog() {
        const QString d = newFolder();
        TestSupport::writeFile(d + "one.txt", "1");
        setMode(true, false);
        m_report->strInputDirpath = d;
        m_report->strInputFilespec = "*.txt";
        m_report->strOutputDirpath = d;
        m_report->strOutputFilespec = "*.enc";
        frmConfirmOperation confirm(*m_report);
        QTimer::singleShot(0, &confirm, [&confirm] { confirm.cmdYes->click(); });
        confirm.exec();
        QVERIFY(confirm.blnDoIt);
        QCOMPARE(confirm.lblDescr->text(), "Encrypting *.txt in the folder " + d +
                                               " (1 file) .  The output file is specified as *.enc in the same folder");
        QCOMPARE(confirm.lblPerformOperation->text(), QStringLiteral("Perform this encryption operation?"));
        // A folder that cannot be counted.
        m_report->strInputDirpath = d + "missing/";
        confirm.exec();
        QVERIFY(!confirm.blnDoIt);
        QCOMPARE(MessageBox::last().text, "Error when attempting to count files in " + d + "missing/.");
    }
};

QTEST_MAIN(TestBatchRun)
#include "test_batchrun.moc"
