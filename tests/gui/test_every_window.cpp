// Every window of the program, seen on a small screen (1920x1000 at scale factor 2, 960x500 in the program's own
// pixels, unless ZQ4_TEST_SCREEN names another): each fits on the screen, its buttons do not touch, and each of
// its controls has a name for assistive technology and a key that reaches it.
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
#include "platform/os/FileDialog.h"
#include "platform/os/MessageBox.h"
#include "platform/os/gui/WidgetDialogs.h"
#include "randomness/gui/frmGraphic.h"
#include "support/TestSupport.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFrame>
#include <QKeySequence>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>
#include <QTreeView>
#include <QtTest>

#include <functional>
#include <memory>
#include <vector>

namespace {
// The frame of the next modal dialog, which is then closed with No / Cancel.
void closeNextDialog(QRect& frame) {
    QTimer::singleShot(0, [&frame] {
        QWidget* dialog = QApplication::activeModalWidget();
        QVERIFY(dialog);
        frame = dialog->frameGeometry();
        static_cast<QDialog*>(dialog)->reject();
    });
}
} // namespace

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
    // Texts to read rather than fields to fill: the report, the help, the manual's link.
    static bool readOnly(const QWidget* w) {
        if (qobject_cast<const QLabel*>(w))
            return true;
        if (const auto* text = qobject_cast<const QPlainTextEdit*>(w))
            return text->isReadOnly();
        return w->inherits("ReportView");
    }
    static QString mnemonic(const QString& caption) { return QKeySequence::mnemonic(caption).toString(); }

    // One stroke reaches every button and field seen together in a window: a button by its mnemonic, a field by
    // its label's or by that of the option that leads to it; and no two share one.
    static QStringList strokeFaults(QWidget* window, const QString& state) {
        QList<QWidget*> controls;
        for (QWidget* w : window->findChildren<QWidget*>())
            if (w->window() == window && w->isVisible() && w->isEnabled() && interactive(w) && !readOnly(w))
                controls << w;
        QMap<QString, QStringList> owners;
        QStringList faults;
        const auto own = [&](const QString& key, const QWidget* w) {
            if (!key.isEmpty())
                owners[key] << w->objectName();
        };
        QSet<QWidget*> reached;
        QList<QAbstractButton*> options;
        for (QWidget* w : std::as_const(controls)) {
            if (auto* b = qobject_cast<QAbstractButton*>(w)) {
                own(mnemonic(b->text()), b);
                if (mnemonic(b->text()).isEmpty())
                    faults << state + QStringLiteral(": button ") + b->objectName() + QStringLiteral(" \"") +
                                  b->text() + QLatin1Char('"');
                if (qobject_cast<QRadioButton*>(b))
                    options << b;
            }
        }
        for (QLabel* label : window->findChildren<QLabel*>())
            if (label->isVisible() && label->buddy() && controls.contains(label->buddy())) {
                own(mnemonic(label->text()), label);
                if (!mnemonic(label->text()).isEmpty())
                    reached << label->buddy();
            }
        for (QAbstractButton* option : std::as_const(options)) {
            option->click();
            reached << window->focusWidget();
        }
        for (QWidget* w : std::as_const(controls))
            if (!qobject_cast<QAbstractButton*>(w) && !reached.contains(w))
                faults << state + QStringLiteral(": field ") + w->objectName();
        for (auto it = owners.cbegin(); it != owners.cend(); ++it)
            if (it.value().size() > 1)
                faults << state + QStringLiteral(": ") + it.key() + QStringLiteral(" for ") +
                              it.value().join(QStringLiteral(" and "));
        return faults;
    }

    static QStringList crowdingFaults(QWidget* window, const QString& state) {
        QStringList faults;
        const auto in = [window](const QWidget* w) { return QRect(w->mapTo(window, QPoint(0, 0)), w->size()); };
        QList<QWidget*> controls;
        for (QWidget* w : window->findChildren<QWidget*>())
            if (w->window() == window && w->isVisible() && interactive(w))
                controls << w;
        // However its panels and texts have made it grow since it was placed, it still fits on the screen.
        const QSize frame = window->frameGeometry().size();
        if (QGuiApplication::primaryScreen()->availableGeometry().size().boundedTo(frame) != frame)
            faults << state + QStringLiteral(" larger than the screen: %1x%2").arg(frame.width()).arg(frame.height());
        // A one-line text is shown whole, inside its window.
        for (QLabel* label : window->findChildren<QLabel*>())
            if (label->window() == window && label->isVisible() && !label->wordWrap() && !label->text().isEmpty() &&
                (label->width() < label->sizeHint().width() || in(label).right() >= window->width()))
                faults << state + QStringLiteral(" text cut: ") + label->objectName();
        for (QWidget* w : std::as_const(controls)) {
            auto* b = qobject_cast<QAbstractButton*>(w);
            if (!b)
                continue;
            const QString name = state + QLatin1Char(' ') + b->objectName();
            // Room on either side of a caption: it does not touch the button's edges.
            if (qobject_cast<QPushButton*>(b) &&
                b->width() - b->fontMetrics().horizontalAdvance(TestSupport::shown(b->text())) <
                    3 * b->fontMetrics().averageCharWidth())
                faults << name + QStringLiteral(" has no room around its caption");
            // Two pixels at least between a button and anything else that is operated.
            const QRect around = in(b).adjusted(-2, -2, 2, 2);
            for (QWidget* other : std::as_const(controls))
                if (other != b && !other->isAncestorOf(b) && !b->isAncestorOf(other) && around.intersects(in(other)))
                    faults << name + QStringLiteral(" touches ") + other->objectName();
            for (QWidget* p = b->parentWidget(); p && p != window; p = p->parentWidget()) {
                auto* frame = qobject_cast<QFrame*>(p);
                if (frame && frame->frameShape() != QFrame::NoFrame &&
                    !frame->contentsRect()
                         .adjusted(2, 2, -2, -2)
                         .contains(QRect(b->mapTo(frame, QPoint(0, 0)), b->size())))
                    faults << name + QStringLiteral(" touches the frame of ") + frame->objectName();
            }
        }
        return faults;
    }

    // For looking at the windows: with ZQ4_TEST_GRABS naming a folder, each window as it is seen is saved there.
    static void grab(QWidget* window, const QString& name) {
        const QString folder = qEnvironmentVariable("ZQ4_TEST_GRABS");
        if (folder.isEmpty())
            return;
        const QString screen = qEnvironmentVariable("ZQ4_TEST_SCREEN", QStringLiteral("1920x1000@2"));
        window->grab().save(QDir(folder).filePath(screen + QLatin1Char('-') +
                                                  QString(name).replace(QLatin1Char(' '), QLatin1Char('-')) +
                                                  QStringLiteral(".png")));
    }

    // Shows each window in turn, and the main window with each of its panels open (the menu waits while one is),
    // and looks at each.
    void inEveryState(const std::function<void(QWidget*, const QString&)>& look) {
        for (const auto& [name, window] : m_windows) {
            window->show();
            QVERIFY(QTest::qWaitForWindowExposed(window));
            QTest::qWait(0);
            QCoreApplication::processEvents();
            look(window, name);
            grab(window, name);
            window->hide();
        }
        frmMain& w = *m_main;
        const std::pair<const char*, std::function<void()>> panels[] = {
            {"setup panel", [&] { w.cmdSetup_MouseUp(Qt::LeftButton); }},
            {"save panel", [&] { w.cmdSaveSetup_Click(); }},
            {"key panel", [&] { w.cmdKeyFrom_MouseUp(Qt::LeftButton); }},
            {"randomness panel", [&] { w.randomness.open(true, true); }}};
        w.show();
        for (const auto& [name, open] : panels) {
            open();
            look(&w, QString::fromLatin1(name));
            grab(&w, QString::fromLatin1(name));
            const QList<QAbstractButton*> notNows = {w.cmdKeepSetup, w.cmdDontSaveSetup,
                                                     w.picKeyFrom->cmdDontSpecifyKeyNow, w.cmdNoRandomnessReport};
            for (QAbstractButton* notNow : notNows)
                if (notNow->isVisible())
                    notNow->click();
            QVERIFY(w.fraMenu->isEnabled());
        }
        w.hide();
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
            closeNextDialog(frame);
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

    void theScreenIsTheOneAsked();

    void everyWindowFitsOnTheScreen() {
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        QStringList outside;
        for (const auto& [name, window] : m_windows) {
            window->show();
            QVERIFY(QTest::qWaitForWindowExposed(window));
            // As it settles: a layout asks for its room after the window is first shown.
            QTest::qWait(0);
            QCoreApplication::processEvents();
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

    // The confirmation opens beside the menu, its bottom just above the main window's, and whole on the screen
    // wherever that window is.
    void confirmationOpensBesideTheMenu_data() {
        QTest::addColumn<QPointF>("place"); // the main window's top-left corner, as a share of the room left
        QTest::addColumn<bool>("roomy");    // the screen has room for the dialog at its place
        QTest::newRow("in the middle") << QPointF(0.5, 0.5) << true;
        QTest::newRow("in the top-left corner") << QPointF(0, 0) << false;
        QTest::newRow("at the bottom right edge") << QPointF(1, 1) << false;
    }
    void confirmationOpensBesideTheMenu() {
        QFETCH(QPointF, place);
        QFETCH(bool, roomy);
        frmMain& w = *m_main;
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        const QString folder = QDir(m_home.path()).filePath(QStringLiteral("confirmed/"));
        QVERIFY(TestSupport::writeFile(folder + "a.txt", "a"));
        w.setup.blnOutputFilesSame = true;
        w.reportWindow().strInputDirpath = folder;
        w.reportWindow().strInputFilespec = QStringLiteral("*.txt");
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const QSize room = area.size() - w.frameGeometry().size();
        w.move(area.topLeft() + QPoint(int(room.width() * place.x()), int(room.height() * place.y())));
        QRect frame;
        closeNextDialog(frame);
        QVERIFY(!w.ConfirmOperation());
        w.hide();
        QVERIFY2(
            area.contains(frame),
            qPrintable(
                QStringLiteral("%1x%2 at %3,%4").arg(frame.width()).arg(frame.height()).arg(frame.x()).arg(frame.y())));
        if (roomy) {
            // Its bottom just above the main window's, its left edge just right of the menu.
            const int menuRight = w.fraMenu->mapToGlobal(QPoint(w.fraMenu->width(), 0)).x();
            QVERIFY2(qAbs(frame.left() - menuRight - 2) <= 2 &&
                         qAbs(frame.bottom() - (w.frameGeometry().bottom() - 8)) <= 2,
                     qPrintable(QStringLiteral("at %1,%2").arg(frame.x()).arg(frame.y())));
        }
    }

    // The file dialog lists each file's date and time whole, and opens whole on the screen.
    void fileDialogShowsWholeDates() {
        const QString folder = QDir(m_home.path()).filePath(QStringLiteral("dated/"));
        QVERIFY(TestSupport::writeFile(folder + "letter to the bank.txt", "text"));
        installWidgetDialogs();
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        QString date;
        int width = 0, needed = 0;
        QRect frame;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            frame = dialog->frameGeometry();
            auto* view = dialog->findChild<QTreeView*>(QStringLiteral("treeView"));
            QVERIFY(view);
            QTRY_VERIFY(view->model()->rowCount(view->rootIndex()) > 0);
            QCoreApplication::processEvents();
            date = view->model()->index(0, 3, view->rootIndex()).data().toString();
            width = view->columnWidth(3);
            needed = view->fontMetrics().horizontalAdvance(date);
            dialog->reject();
        });
        FileDialog::getOpenFileName(QStringLiteral("Open"), folder, QStringLiteral("All files (*)"));
        FileDialog::setPresenter(nullptr);
        MessageBox::setPresenter(nullptr);
        QVERIFY(!date.isEmpty());
        QVERIFY2(width > needed, qPrintable(QStringLiteral("\"%1\" in %2 pixels").arg(date).arg(width)));
        QVERIFY2(
            area.contains(frame),
            qPrintable(
                QStringLiteral("%1x%2 at %3,%4").arg(frame.width()).arg(frame.height()).arg(frame.x()).arg(frame.y())));
    }

    // Every control a user can reach has a key that reaches it, and no two share one.
    void everyControlHasAStroke() {
        QStringList faults;
        inEveryState([&](QWidget* window, const QString& state) { faults << strokeFaults(window, state); });
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
    }

    // A button shows its whole caption and stands clear of its neighbours and of the frame around it.
    void buttonsStandClear() {
        QStringList faults;
        inEveryState([&](QWidget* window, const QString& state) { faults << crowdingFaults(window, state); });
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
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

namespace {
// The screen in device pixels and its scale factor: "1920x1000@2" unless ZQ4_TEST_SCREEN names another.
QSize g_screen(1920, 1000);
int g_scale = 2;
} // namespace

void TestEveryWindow::theScreenIsTheOneAsked() {
    QScreen* screen = QGuiApplication::primaryScreen();
    QCOMPARE(screen->devicePixelRatio(), double(g_scale));
    QCOMPARE(screen->geometry().size(), g_screen / g_scale);
}

int main(int argc, char* argv[]) {
    const QByteArray asked = qgetenv("ZQ4_TEST_SCREEN");
    if (!asked.isEmpty()) {
        const QList<QByteArray> parts = asked.split('@');
        const QList<QByteArray> size = parts.first().split('x');
        g_screen = QSize(size.value(0).toInt(), size.value(1).toInt());
        g_scale = parts.value(1, "1").toInt();
    }
    // Qt's offscreen platform reads the screen from a file.
    QTemporaryDir config;
    const QString file = QDir(config.path()).filePath(QStringLiteral("screen.json"));
    TestSupport::writeFile(file, QStringLiteral(R"({"screens": [{"name": "screen", "x": 0, "y": 0, "width": %1,
                                    "height": %2, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})")
                                     .arg(g_screen.width())
                                     .arg(g_screen.height())
                                     .toUtf8());
    qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen:configfile=") + QFile::encodeName(file));
    qputenv("QT_SCALE_FACTOR", QByteArray::number(g_scale));
    QApplication app(argc, argv);
    TestEveryWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_every_window.moc"
