// The real main window under a real X server, through a long run as a user meets it: a folder encrypted in
// place, paused with every line done so far in view, continued, its large last file shown in progress, and
// Quit pressed during that file, which leaves the file as it was and nothing else behind.
#include "e2e/E2eSupport.h"

#include "batch/gui/ProgressPanel.h"
#include "batch/gui/ReportView.h"
#include "batch/gui/frmReport.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>

#include <QThread>

#include <atomic>

using namespace E2e;

class E2eJourney : public QObject {
    Q_OBJECT
    QTemporaryDir m_home;
    std::unique_ptr<frmMain> w;
    std::unique_ptr<Responder> r;

    static constexpr int kSmallFiles = 30;
    static constexpr int kLargeMiB = 1024;

    QString path(const QString& rel) const { return QDir(m_home.path()).filePath(rel); }
    QString label(const QString& name) const { return child<QLabel>(w.get(), name)->text(); }

private slots:
    void initTestCase() {
        TestSupport::prepareEnvironment(m_home);
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
        r = std::make_unique<Responder>();
        w = startProgram();
        QVERIFY(w);
    }

    void encryptPauseContinueQuitDuringLargeFile() {
        Watchdog dog(600);
        const QString folder = path(QStringLiteral("journey/"));
        QMap<QString, QByteArray> small;
        for (int i = 0; i < kSmallFiles; ++i) {
            const QString name = QStringLiteral("f%1.dat").arg(i, 2, 10, QLatin1Char('0'));
            small[name] = TestSupport::pseudoRandomBytes(500 + 97 * i, 300 + i);
            QVERIFY(TestSupport::writeFile(folder + name, small[name]));
        }
        const QByteArray block = TestSupport::pseudoRandomBytes(1 << 20, 99);
        {
            QFile large(folder + QStringLiteral("zz_large.dat"));
            QVERIFY(large.open(QIODevice::WriteOnly));
            for (int i = 0; i < kLargeMiB; ++i)
                QCOMPARE(large.write(block), qint64(block.size()));
        }

        // Encrypt the folder's *.dat files in place with a typed key.
        r->on(QStringLiteral("frmSpecifyInputFiles"), [](QWidget* d) {
            click(d, QStringLiteral("optExtension"));
            type(d, QStringLiteral("txbExtension"), QStringLiteral("dat"));
            click(d, QStringLiteral("cmdAccept"));
        });
        r->on(QStringLiteral("frmConfirmOperation"), [](QWidget* d) { click(d, QStringLiteral("cmdYes")); });
        r->on(QStringLiteral("frmAntiVirusQuery"), [](QWidget* d) { click(d, QStringLiteral("cmdNo")); });
        r->on(QStringLiteral("frmKeyboardWithDisplay"), [](QWidget* d) {
            type(d, QStringLiteral("txbKey"), QStringLiteral("a journey of a thousand files"));
            click(d, QStringLiteral("cmdYes"));
        });
        FileDialog::setNextDirectory(folder);
        QVERIFY(click(w.get(), QStringLiteral("cmdSpecifyDirectory_0")));
        QVERIFY(click(w.get(), QStringLiteral("cmdSpecifyFiles_0")));
        if (!w->setup.blnOutputFilesSame)
            QVERIFY(click(w.get(), QStringLiteral("cmdOutputFilesSame")));
        QCOMPARE(label(QStringLiteral("lblOutputFilesSame")), QStringLiteral("Yes"));
        QVERIFY(click(w.get(), QStringLiteral("cmdKeyFrom")));
        QVERIFY(click(child(w.get(), QStringLiteral("picKeyFrom")), QStringLiteral("cmdKeyboardWithDisplay")));

        frmReport& report = w->reportWindow();
        // The large file's progress shown from its start, so that Quit lands while the engine is at work on it:
        // the engine can take a gigabyte in well under the second after which the display would appear.
        report.fraProgress->intShowAfterMs = 0;
        // However fast the engine, Quit lands while it is at work on the large file: its result waits to be
        // checked until Quit has been pressed.
        std::atomic<bool> quitPressed{false};
        w->context.afterResultWritten = [&quitPressed](const QString& path, const QString&) {
            for (int i = 0; i < 3000 && path.endsWith(QStringLiteral("zz_large.dat")) && !quitPressed; ++i)
                QThread::msleep(10);
        };
        int step = 0;
        QString shownWhilePaused, reportWhilePaused, fileProgress, folderProgress;
        bool endInView = false;
        int ended = 0;
        w->endProgram = [&ended] {
            ++ended;
            QCoreApplication::exit(0); // as the program ends: every event loop returns
        };
        QTimer user;
        QObject::connect(&user, &QTimer::timeout, [&] {
            if (!report.isRunning())
                return;
            if (step == 0 && report.intFilesAttempted >= 5) {
                // Small files go by between two yields; from here on a few looks a second will do.
                step = 1;
                user.setInterval(20);
                click(report.cmdPauseContinue);
            } else if (step == 1 && report.blnPaused && !report.Clock->isActive()) {
                // Paused between files: the window shows the report as it is, its end in view.
                step = 2;
                shownWhilePaused = report.txbText->text();
                reportWhilePaused =
                    QString(report.report().text()).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
                const QScrollBar* bar = report.txbText->verticalScrollBar();
                endInView = bar->value() == bar->maximum();
                click(report.cmdPauseContinue);
            } else if (step == 2 && report.fraProgress->isVisible() && report.fraProgress->barFile->value() > 0) {
                step = 3;
                fileProgress = report.fraProgress->lblFile->text();
                folderProgress = report.fraProgress->lblFolder->text();
                quitPressed = true;
                click(w.get(), QStringLiteral("cmdQuit"));
            }
        });
        user.start(0);
        QVERIFY(click(w.get(), QStringLiteral("cmdDoIt")));
        user.stop();

        QCOMPARE(step, 3);
        QVERIFY2(shownWhilePaused == reportWhilePaused, qPrintable(shownWhilePaused + "\n---\n" + reportWhilePaused));
        // Every file done so far has its line, those made final together at the pause included.
        QVERIFY(shownWhilePaused.count(QStringLiteral(" bytes   -> ")) >= 5);
        QVERIFY(endInView);
        QVERIFY2(fileProgress.startsWith(QStringLiteral("zz_large.dat: ")), qPrintable(fileProgress));
        QVERIFY2(fileProgress.contains(QStringLiteral("/s")), qPrintable(fileProgress));
        QVERIFY2(folderProgress.startsWith(QStringLiteral("File %1 of %1 in this folder, ").arg(kSmallFiles + 1)),
                 qPrintable(folderProgress));

        // The program ended; the large file is as it was, the others are encrypted, nothing else is left.
        QCOMPARE(ended, 1);
        QVERIFY(!w->isVisible());
        QVERIFY(!zq4e::cancel_requested());
        QStringList expected = small.keys();
        expected << QStringLiteral("zz_large.dat");
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name), expected);
        for (auto it = small.cbegin(); it != small.cend(); ++it)
            QVERIFY2(TestSupport::readFile(folder + it.key()).startsWith("ZQ4E"), qPrintable(it.key()));
        QFile large(folder + QStringLiteral("zz_large.dat"));
        QVERIFY(large.open(QIODevice::ReadOnly));
        QCOMPARE(large.size(), qint64(kLargeMiB) << 20);
        for (int i = 0; i < kLargeMiB; ++i)
            QVERIFY2(large.read(block.size()) == block, qPrintable(QString::number(i)));
        QVERIFY2(r->unexpected.isEmpty(), qPrintable(r->unexpected.join(QLatin1Char('\n'))));
        QVERIFY(!dog.fired);
    }

    void cleanupTestCase() {
        w.reset();
        r.reset();
    }
};

QTEST_MAIN(E2eJourney)
#include "e2e_journey.moc"
