// The program ends from wherever the user is: Quit with a panel open, or the window closed (as at logout) while
// a window of its own waits for an answer or a reliability test runs; and nothing goes on after it.
#include "app/gui/MenuButton.h"
#include "app/gui/frmMain.h"
#include "batch/gui/frmReliabilityTest.h"
#include "batch/gui/frmReport.h"
#include "files/FileProc.h"
#include "key/frmKeyFrom.h"
#include "key/gui/KeyPanel.h"
#include "platform/engine/Engine.h"
#include "platform/filekit/Language2.h"
#include "platform/os/FileDialog.h"
#include "platform/os/MessageBox.h"
#include "randomness/gui/frmGraphic.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <map>

class TestQuitAnywhere : public QObject {
    Q_OBJECT
    QTemporaryDir m_home;

private slots:
    void initTestCase() {
        TestSupport::prepareEnvironment(m_home);
        QVERIFY(Language2::ReadProgramText(QStringLiteral("zq4_text.dat")) >= 1);
    }

    void endsAndLeavesNothingRunning_data() {
        QTest::addColumn<QString>("where");
        QTest::addColumn<QString>("waiting"); // the window that waits for an answer when the program ends, if any
        QTest::newRow("setup panel") << "setup" << QString();
        QTest::newRow("save panel") << "save" << QString();
        QTest::newRow("key panel") << "key" << QString();
        QTest::newRow("randomness panel") << "randomness" << QString();
        QTest::newRow("key inspection") << "keyfile"
                                        << "frmInspectKey";
        QTest::newRow("byte-pair graphic drawing") << "graphic"
                                                   << "frmGraphic";
        QTest::newRow("reliability test question") << "reliability"
                                                   << "frmReliabilityTest";
        QTest::newRow("reliability test under way") << "reliability"
                                                    << "frmReport";
    }
    void endsAndLeavesNothingRunning() {
        QFETCH(QString, where);
        QFETCH(QString, waiting);
        MessageBox::reset();
        FileDialog::reset();
        int ended = 0;
        frmMain w;
        w.allocateBuffers = [] { return zq4e::allocate_buffers(); };
        w.endProgram = [&] { ++ended; };
        w.intFirstClockInterval = 30;
        w.intClockInterval = 10;
        QVERIFY(w.Form_Load());
        w.key.intKeyFrom = frmKeyFrom::FromKeyboard;
        w.key.strKey = w.key.strKeyAsInput = QByteArray("A KEY TO BE WIPED");
        const QDir home(m_home.path());
        const QString folder = home.filePath(where + QStringLiteral("/zq4test/"));
        QVERIFY(TestSupport::writeFile(folder + "one.tst", TestSupport::pseudoRandomBytes(1 << 20, 3)));
        w.setup.strDirpath = {folder, folder};
        w.setup.strFilespec = {QStringLiteral("*.tst"), QStringLiteral("*.tst")};
        w.setup.blnOutputFilesSame = true;
        if (where == QLatin1String("graphic"))
            w.setup.strFilespec[0] = FileProc::ExactNameSpec(QStringLiteral("one.tst"));
        w.ShowAllFileStatus();

        // Quit, or the window closed where Quit cannot be pressed (a window of the program waits for an answer).
        int shownAtQuit = -1;
        const auto quit = [&] {
            shownAtQuit = int(MessageBox::history().size());
            if (QApplication::activeModalWidget()) {
                w.close();
            } else {
                QVERIFY(w.cmdQuit->isEnabled());
                QTest::mouseClick(w.cmdQuit, Qt::LeftButton);
            }
        };
        QString seen;
        if (waiting == QLatin1String("frmReport")) {
            // Between two passes of a long test.
            auto* watch = new QTimer(&w);
            connect(watch, &QTimer::timeout, &w, [&, watch] {
                if (auto* d = qobject_cast<frmReliabilityTest*>(QApplication::activeModalWidget())) {
                    d->txbNumTests->setText(QStringLiteral("1000"));
                    d->cmdContinue_Click();
                } else if (w.context.blnPerformingReliabilityTest && w.reportWindow().isVisible()) {
                    watch->stop();
                    seen = QStringLiteral("frmReport");
                    quit();
                }
            });
            watch->start(1);
        } else if (!waiting.isEmpty()) {
            QTimer::singleShot(0, &w, [&] {
                QWidget* d = QApplication::activeModalWidget();
                if (d)
                    seen = d->objectName();
                if (auto* graphic = qobject_cast<frmGraphic*>(d)) {
                    // Ended while the picture is being drawn.
                    QTimer::singleShot(0, &w, quit);
                    graphic->cmdDisplay->click();
                } else {
                    quit();
                }
            });
        }
        const std::map<QString, std::function<void()>> open = {
            {QStringLiteral("setup"), [&] { w.cmdSetup_MouseUp(Qt::LeftButton); }},
            {QStringLiteral("save"),
             [&] {
                 w.cmdSetup_MouseUp(Qt::LeftButton);
                 w.cmdSaveSetup_Click();
             }},
            {QStringLiteral("key"), [&] { w.cmdKeyFrom_MouseUp(Qt::LeftButton); }},
            {QStringLiteral("randomness"), [&] { w.cmdRandomnessReport_MouseUp(Qt::LeftButton); }},
            {QStringLiteral("keyfile"),
             [&] {
                 const QString keyfile = home.filePath(QStringLiteral("key.bin"));
                 QVERIFY(TestSupport::writeFile(keyfile, TestSupport::pseudoRandomBytes(64, 9)));
                 FileDialog::setNextFileName(keyfile);
                 MessageBox::setNextAnswer(MessageBox::Yes); // inspect the key
                 w.cmdKeyFrom_MouseUp(Qt::LeftButton);
                 w.picKeyFrom->cmdKeyFile[0]->click();
             }},
            {QStringLiteral("reliability"), [&] { w.cmdDoIt_MouseUp(Qt::LeftButton); }},
            {QStringLiteral("graphic"),
             [&] {
                 w.cmdRandomnessReport_MouseUp(Qt::LeftButton);
                 w.cmdSpecifyFiles_MouseUp(2, Qt::LeftButton);
             }},
        };
        open.at(where)();
        if (waiting.isEmpty())
            quit();
        else
            QCOMPARE(seen, waiting);
        QCOMPARE(ended, 1);
        QCOMPARE(QThread::currentThread()->loopLevel(), 0);
        for (QWidget* window : QApplication::topLevelWidgets())
            QVERIFY2(!window->isVisible(), qPrintable(window->objectName()));
        QVERIFY(!w.Clock->isActive());
        QVERIFY(!w.reportWindow().isRunning());
        QVERIFY(!w.context.blnPerformingReliabilityTest);
        QCOMPARE(w.key.strKey, QByteArray(w.key.strKey.size(), '\0'));
        // Nothing is asked or said once the program is ending.
        QCoreApplication::processEvents();
        QCOMPARE(int(MessageBox::history().size()), shownAtQuit);
    }
};

QTEST_MAIN(TestQuitAnywhere)
#include "test_quit_anywhere.moc"
