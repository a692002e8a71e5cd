// The main window's journeys done with the keyboard alone: Tab to a button, Enter or Space on it, typing into
// the dialogs that open. Nothing here clicks.
#include "KeyWindowDriver.h"
#include "app/gui/MenuButton.h"
#include "app/gui/frmMain.h"
#include "batch/gui/frmReport.h"
#include "files/FileProc.h"
#include "help/gui/frmHelp.h"
#include "key/frmKeyFrom.h"
#include "key/gui/KeyPanel.h"
#include "platform/engine/Engine.h"
#include "platform/filekit/Language2.h"
#include "platform/os/FileDialog.h"
#include "platform/os/MessageBox.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QLabel>
#include <QtTest>

#include <memory>

class TestKeyboardJourneys : public QObject {
    Q_OBJECT
    QTemporaryDir m_home;
    std::unique_ptr<frmMain> w;
    QList<QUrl> m_opened;

    // A key goes to the widget that has the focus in the window (the main window unless another is given).
    void press(int key, QWidget* window = nullptr) {
        QWidget* focus = (window ? window : w.get())->focusWidget();
        QVERIFY(focus);
        QTest::keyClick(focus, Qt::Key(key));
    }
    QWidget* focus() const { return w->focusWidget(); }
    // Tabs forward to the widget; fails when it is not reached within a round of the window.
    void tabTo(QWidget* target) {
        for (int i = 0; i < 40 && focus() != target; ++i)
            press(Qt::Key_Tab);
        QVERIFY2(focus() == target, qPrintable(target->objectName() + " not reached with Tab"));
    }

private slots:
    void initTestCase() {
        TestSupport::prepareEnvironment(m_home);
        QVERIFY(Language2::ReadProgramText(QStringLiteral("zq4_text.dat")) >= 1);
    }
    void init() {
        MessageBox::reset();
        FileDialog::reset();
        w = std::make_unique<frmMain>();
        w->allocateBuffers = [] { return zq4e::allocate_buffers(); };
        w->endProgram = [] {};
        w->openUrl = [this](const QUrl& u) {
            m_opened << u;
            return true;
        };
        QVERIFY(w->Form_Load());
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        QCOMPARE(focus(), w->cmdFunction);
    }
    void cleanup() {
        if (w->reportWindow().isVisible())
            w->reportWindow().hide();
        w.reset();
    }

    // Tab visits every menu button from top to bottom, then the manual's link, and comes round again.
    void tabGoesRoundTheWindow() {
        QStringList visited;
        for (int i = 0; i < 16; ++i) {
            press(Qt::Key_Tab);
            visited << focus()->objectName();
        }
        QCOMPARE(visited,
                 QStringList({"cmdSingleFile", "cmdSpecifyDirectory_0", "cmdSpecifyFiles_0", "cmdSubdirectories",
                              "cmdOutputFilesSame", "cmdSpecifyDirectory_1", "cmdSpecifyFiles_1", "cmdKeyFrom",
                              "cmdDoIt", "cmdReportScreen", "cmdRandomnessReport", "cmdSetup", "cmdHelp", "cmdQuit",
                              "lblOnlineDocumentation", "cmdFunction"}));
        press(Qt::Key_Backtab);
        QCOMPARE(focus(), w->lblOnlineDocumentation);
        press(Qt::Key_Return);
        QCOMPARE(m_opened.size(), 1);
        QVERIFY(m_opened.first().toLocalFile().endsWith(QStringLiteral("manual.html")));
    }

    // Choose a file, work in place, type a key, confirm, and the file is encrypted: that file alone, though its
    // name holds a "?" that other names match and another name differs from it only in letter case. Then it is
    // decrypted again, still by keyboard alone.
    void encryptAFileInPlace() {
        const QDir home(m_home.path());
        const QString file = home.filePath(QStringLiteral("n?tes.txt"));
        QVERIFY(TestSupport::writeFile(file, QByteArray("meeting notes ").repeated(50)));
        for (const char* other : {"notes.txt", "N?TES.txt"})
            QVERIFY(TestSupport::writeFile(home.filePath(other), "left alone"));
        tabTo(w->cmdSingleFile);
        FileDialog::setNextFileName(file);
        press(Qt::Key_Return);
        QCOMPARE(w->setup.strFilespec[0], FileProc::ExactNameSpec("n?tes.txt"));
        QCOMPARE(w->lblFiles[0]->text(), QStringLiteral("n?tes.txt"));
        tabTo(w->cmdOutputFilesSame);
        press(Qt::Key_Space);
        QVERIFY(w->setup.blnOutputFilesSame);

        tabTo(w->cmdKeyFrom);
        press(Qt::Key_Return);
        QVERIFY(w->picKeyFrom->isVisible());
        QCOMPARE(focus(), w->picKeyFrom->cmdKeyboardWithDisplay);
        ModalScript typing;
        typing.then([this](QWidget* dialog) {
            QTest::keyClicks(dialog->focusWidget(), QStringLiteral("correct horse battery staple"));
            press(Qt::Key_Return, dialog);
        });
        typing.run([this] { press(Qt::Key_Space); });
        QVERIFY(!w->picKeyFrom->isVisible());
        QCOMPARE(w->key.intKeyFrom, frmKeyFrom::FromKeyboard);
        QCOMPARE(focus(), w->cmdKeyFrom);

        // The file is replaced: the confirmation's default is No, so Yes is reached on purpose.
        const auto confirmWithYes = [this] {
            ModalScript confirming;
            confirming.then([this](QWidget* confirm) {
                QCOMPARE(confirm->objectName(), QStringLiteral("frmConfirmOperation"));
                QCOMPARE(confirm->focusWidget()->objectName(), QStringLiteral("cmdNo"));
                press(Qt::Key_Backtab, confirm);
                QCOMPARE(confirm->focusWidget()->objectName(), QStringLiteral("cmdYes"));
                press(Qt::Key_Return, confirm);
            });
            confirming.run([this] { press(Qt::Key_Return); });
        };
        tabTo(w->cmdDoIt);
        confirmWithYes();
        QVERIFY2(MessageBox::history().isEmpty(), qPrintable(MessageBox::last().text));
        QVERIFY(TestSupport::readFile(file).startsWith("ZQ4E"));
        for (const char* other : {"notes.txt", "N?TES.txt"})
            QCOMPARE(TestSupport::readFile(home.filePath(other)), QByteArray("left alone"));
        QVERIFY(w->reportWindow().isVisible());

        // And back: the function switched with the keyboard, the same file decrypted in place.
        w->reportWindow().hide();
        w->activateWindow();
        tabTo(w->cmdFunction);
        press(Qt::Key_Space);
        QVERIFY(!w->setup.blnEncrypt);
        tabTo(w->cmdDoIt);
        confirmWithYes();
        QVERIFY2(MessageBox::history().isEmpty(), qPrintable(MessageBox::last().text));
        QCOMPARE(TestSupport::readFile(file), QByteArray("meeting notes ").repeated(50));
    }

    // Alt and a button's underlined letter act as pressing it, a panel's buttons too; while a panel is open the
    // menu waits, but Quit does not.
    void mnemonicsPressTheirButtons() {
        int ended = 0;
        w->endProgram = [&] { ++ended; };
        const auto alt = [this](Qt::Key key) { QTest::keyClick(w.get(), key, Qt::AltModifier); };
        alt(Qt::Key_F);
        QVERIFY(!w->setup.blnEncrypt);
        QCOMPARE(TestSupport::shown(w->cmdKeyFrom->text()), QStringLiteral("Decryption key"));
        alt(Qt::Key_T);
        QVERIFY(w->fraSetup->isVisible());
        alt(Qt::Key_F);
        QVERIFY(!w->setup.blnEncrypt);
        alt(Qt::Key_N); // a push button shows itself pressed for a moment first
        QTRY_VERIFY(!w->fraSetup->isVisible());
        QCOMPARE(focus(), w->cmdSetup);
        alt(Qt::Key_K);
        QVERIFY(w->picKeyFrom->isVisible());
        QCOMPARE(ended, 0);
        alt(Qt::Key_Q);
        QCOMPARE(ended, 1);
    }

    // A panel opened from the keyboard takes the focus, and "Not now" gives it back to its menu button.
    void setupPanelAndHelp() {
        tabTo(w->cmdSetup);
        press(Qt::Key_Return);
        QVERIFY(w->fraSetup->isVisible());
        QVERIFY(w->fraSetup->isAncestorOf(focus()));
        tabTo(w->cmdKeepSetup);
        press(Qt::Key_Space);
        QVERIFY(!w->fraSetup->isVisible());
        QCOMPARE(focus(), w->cmdSetup);

        // F1 on a menu button opens the help at that button's section.
        tabTo(w->cmdKeyFrom);
        press(Qt::Key_F1);
        QVERIFY(helpWindow() && helpWindow()->isVisible());
        helpWindow()->hide();
    }
};

QTEST_MAIN(TestKeyboardJourneys)
#include "test_keyboard_journeys.moc"
