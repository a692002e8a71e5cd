// Every window of the program, seen on a 1920x1000 screen at scale factor 2 (960x500 in the program's own
// pixels): each fits on the screen, and each of its interactive widgets has a name for assistive technology.
#include "app/gui/MenuButton.h"
#include "app/gui/frmMain.h"
#include "batch/gui/ProgressPanel.h"
#include "batch/gui/frmAntiVirusQuery.h"
#include "batch/gui/frmConfirmOperation.h"
#include "batch/gui/frmPurgeWarning.h"
#include "batch/gui/frmReliabilityTest.h"
#include "batch/gui/frmReport.h"
#include "files/gui/frmSpecifyInputFiles.h"
#include "files/gui/frmSpecifyOutputFiles.h"
#include "help/gui/frmCredits.h"
#include "help/gui/frmHelp.h"
#include "key/frmKeyFrom.h"
#include "key/gui/KeyPanel.h"
#include "key/gui/frmInspectKey.h"
#include "key/gui/frmKeyboardWithDisplay.h"
#include "key/gui/frmKeyboardWithoutDisplay.h"
#include "key/gui/frmRandomKey.h"
#include "platform/filekit/Language2.h"
#include "platform/os/MessageBox.h"
#include "randomness/gui/frmGraphic.h"
#include "support/TestSupport.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>
#include <QtTest>

#include <memory>
#include <vector>

class TestEveryWindow : public QObject {
    Q_OBJECT
    QTemporaryDir m_home;
    std::unique_ptr<frmMain> m_main;
    std::unique_ptr<frmInspectKey> m_inspection;
    // Each window with the name the failures give it; the main window first. Owned by the main window.
    std::vector<std::pair<QString, QWidget*>> m_windows;

    void add(const char* name, QWidget* window) { m_windows.emplace_back(QString::fromLatin1(name), window); }

    // Widgets a user operates. The parts Qt builds inside a composite widget (a combo box's list, a spin box's
    // text, a scroll area's viewport) speak through the composite, so they are not counted on their own.
    static bool interactive(const QWidget* w) {
        if (w->objectName().startsWith(QLatin1String("qt_")))
            return false;
        for (const QWidget* p = w->parentWidget(); p && !p->isWindow(); p = p->parentWidget())
            if (qobject_cast<const QComboBox*>(p) || qobject_cast<const QAbstractSpinBox*>(p))
                return false;
        return qobject_cast<const QAbstractButton*>(w) || (w->focusPolicy() & Qt::TabFocus);
    }
    static QString accessible(QWidget* w, QAccessible::Text t) {
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(w);
        return face ? face->text(t).trimmed() : QString();
    }

private slots:
    void initTestCase() {
        TestSupport::prepareEnvironment(m_home);
        QVERIFY(Language2::ReadProgramText(QStringLiteral("zq4_text.dat")) >= 1);
        m_main = std::make_unique<frmMain>();
        m_main->allocateBuffers = [] { return 1; };
        m_main->endProgram = [] {};
        QVERIFY(m_main->Form_Load());
        m_main->hide();
        frmMain* main = m_main.get();
        add("main window", main);
        add("report", &main->reportWindow());
        add("input files", &main->inputFilesDialog());
        add("output files", &main->outputFilesDialog());
        add("confirmation", new frmConfirmOperation(main->reportWindow(), main));
        add("purge warning", new frmPurgeWarning([](const QString& w) { return w; }, main));
        add("anti-virus query", new frmAntiVirusQuery(main));
        add("reliability test", new frmReliabilityTest(main));
        add("random key", new frmRandomKey(main));
        m_inspection = std::make_unique<frmInspectKey>(main->key, main);
        add("key inspection", m_inspection.get());
        add("keyboard with display", new frmKeyboardWithDisplay(main->key, main));
        add("keyboard without display", new frmKeyboardWithoutDisplay(main->key, *m_inspection, main));
        add("byte-pair graphic", new frmGraphic(main));
        add("credits", new frmCredits(main));
        ShowHelp(main, 0);
        QVERIFY(helpWindow());
        helpWindow()->hide();
        add("help", helpWindow());
    }
    void cleanupTestCase() {
        m_inspection.reset();
        m_main.reset();
    }

    // The files dialogs as the main window places them, the main window at the screen's right edge: their captions,
    // set as they open, widen them, and they still open whole. First, while the dialogs have never been shown.
    void filesDialogsOpenWholeBesideTheMainWindow() {
        frmMain& w = *m_main;
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        const QString folder = QDir(m_home.path()).filePath(QStringLiteral("placed/"));
        QVERIFY(TestSupport::writeFile(folder + "a.txt", "a"));
        w.setup.strDirpath = {folder, folder};
        w.setup.strFilespec = {QStringLiteral("*.txt"), QString()};
        w.setup.blnOutputFilesSame = false;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCoreApplication::processEvents();
        const QPoint before = w.pos();
        w.move(area.right() + 1 - w.frameGeometry().width(), area.top());
        for (int side = 0; side < 2; ++side) {
            QRect frame;
            QTimer::singleShot(0, [&] {
                QWidget* dialog = QApplication::activeModalWidget();
                QVERIFY(dialog);
                frame = dialog->frameGeometry();
                static_cast<QDialog*>(dialog)->reject();
            });
            w.cmdSpecifyFiles_MouseUp(side, Qt::LeftButton);
            QVERIFY2(area.contains(frame), qPrintable(QStringLiteral("side %1: %2x%3 at %4,%5")
                                                          .arg(side)
                                                          .arg(frame.width())
                                                          .arg(frame.height())
                                                          .arg(frame.x())
                                                          .arg(frame.y())));
        }
        w.move(before);
        w.hide();
        w.setup.strDirpath = {};
    }

    void theScreenIsTheOneAsked() {
        QScreen* screen = QGuiApplication::primaryScreen();
        QCOMPARE(screen->devicePixelRatio(), 2.0);
        QCOMPARE(screen->geometry().size(), QSize(960, 500));
    }

    void everyWindowFitsOnTheScreen() {
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        QStringList outside;
        for (const auto& [name, window] : m_windows) {
            window->show();
            QVERIFY(QTest::qWaitForWindowExposed(window));
            const QRect frame = window->frameGeometry();
            if (!area.contains(frame))
                outside << QStringLiteral("%1 %2x%3 at %4,%5")
                               .arg(name)
                               .arg(frame.width())
                               .arg(frame.height())
                               .arg(frame.x())
                               .arg(frame.y());
            window->hide();
        }
        QVERIFY2(outside.isEmpty(),
                 qPrintable(QStringLiteral("off a %1x%2 screen: ").arg(area.width()).arg(area.height()) +
                            outside.join(QStringLiteral("; "))));
    }

    // Hidden panels count too: they are part of their window.
    void everyInteractiveWidgetHasAName() {
        QStringList nameless;
        for (const auto& [name, window] : m_windows) {
            // As the window is when it is shown: some captions are set only then.
            window->show();
            window->hide();
            for (QWidget* w : window->findChildren<QWidget*>())
                if (w->window() == window && interactive(w) && accessible(w, QAccessible::Name).isEmpty())
                    nameless << name + QLatin1Char(' ') + QString::fromLatin1(w->metaObject()->className()) +
                                    QLatin1Char(' ') + w->objectName();
        }
        QVERIFY2(nameless.isEmpty(),
                 qPrintable(QStringLiteral("without a name: ") + nameless.join(QStringLiteral(", "))));
    }

    // Buttons with no value beside them say what they do; panels and the overwrite warning are heard too.
    void descriptionsAndPanelNames() {
        frmMain& w = *m_main;
        for (MenuButton* b : {w.cmdDoIt, w.cmdReportScreen, w.cmdHelp, w.cmdQuit})
            QVERIFY2(!accessible(b, QAccessible::Description).isEmpty(), qPrintable(b->objectName()));
        for (QWidget* panel :
             {static_cast<QWidget*>(w.fraMenu), static_cast<QWidget*>(w.fraSetup),
              static_cast<QWidget*>(w.picSaveSetup), static_cast<QWidget*>(w.picKeyFrom),
              static_cast<QWidget*>(w.picRandomnessReport), static_cast<QWidget*>(w.reportWindow().fraProgress)})
            QVERIFY2(!accessible(panel, QAccessible::Name).isEmpty(), qPrintable(panel->objectName()));
        // The manual's link is a link, and pressing it opens the manual.
        QAccessibleInterface* link = QAccessible::queryAccessibleInterface(w.lblOnlineDocumentation);
        QCOMPARE(link->role(), QAccessible::Link);
        QCOMPARE(link->text(QAccessible::Name), QStringLiteral("Online documentation"));
        QList<QUrl> opened;
        w.openUrl = [&](const QUrl& u) {
            opened << u;
            return true;
        };
        link->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(opened.size(), 1);
        frmSpecifyOutputFiles& output = w.outputFilesDialog();
        output.show();
        output.hide();
        QVERIFY(accessible(output.optSingleFile, QAccessible::Description).contains(QStringLiteral("overwritten")));
    }

    // A menu button whose value is shown beside it says that value, as it is now.
    void menuButtonsCarryTheirValue() {
        frmMain& w = *m_main;
        const QString folder = QDir(m_home.path()).filePath(QStringLiteral("in/"));
        QDir().mkpath(folder);
        w.setup.strDirpath = {folder, folder};
        w.setup.strFilespec = {QStringLiteral("*.txt"), QString()};
        w.ShowAllFileStatus();
        QVERIFY(accessible(w.cmdSpecifyDirectory[0], QAccessible::Description).contains(folder));
        QVERIFY(accessible(w.cmdSpecifyDirectory[1], QAccessible::Description).contains(folder));
        QVERIFY(accessible(w.cmdSpecifyFiles[0], QAccessible::Description).contains(QStringLiteral("*.txt")));
        QCOMPARE(accessible(w.cmdKeyFrom, QAccessible::Description), QStringLiteral("Not specified"));
        QCOMPARE(accessible(w.cmdKeyFrom, QAccessible::Name), QStringLiteral("Encryption key"));
        w.cmdFunction_MouseUp(Qt::LeftButton);
        QCOMPARE(accessible(w.cmdFunction, QAccessible::Description),
                 QStringLiteral("Decryption (Decrypt the input files.)"));
        QCOMPARE(accessible(w.cmdKeyFrom, QAccessible::Name), QStringLiteral("Decryption key"));

        // Pressed through assistive technology, the button acts as a click does.
        QAccessibleInterface* function = QAccessible::queryAccessibleInterface(w.cmdFunction);
        QVERIFY(function->actionInterface());
        function->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QVERIFY(w.setup.blnEncrypt);
        w.setup.strDirpath = {};
        w.ShowAllFileStatus();
    }
};

int main(int argc, char* argv[]) {
    // The screen: 1920x1000 device pixels; Qt's offscreen platform reads it from a file.
    QTemporaryDir config;
    const QString file = QDir(config.path()).filePath(QStringLiteral("screen.json"));
    TestSupport::writeFile(file, R"({"screens": [{"name": "screen", "x": 0, "y": 0, "width": 1920, "height": 1000,
                                    "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
    qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen:configfile=") + QFile::encodeName(file));
    qputenv("QT_SCALE_FACTOR", "2");
    QApplication app(argc, argv);
    TestEveryWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_every_window.moc"
