#include "app/gui/MenuButton.h"
#include "app/gui/frmMain.h"
#include "batch/gui/frmReport.h"
#include "files/FileProc.h"
#include "files/gui/frmSpecifyInputFiles.h"
#include "files/gui/frmSpecifyOutputFiles.h"
#include "help/gui/frmHelp.h"
#include "key/frmKeyFrom.h"
#include "key/gui/KeyPanel.h"
#include "platform/engine/Engine.h"
#include "platform/filekit/Language2.h"
#include "platform/os/FileDialog.h"
#include "platform/os/MessageBox.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>

#include <memory>

class TestFrmMain : public QObject {
    Q_OBJECT
    QTemporaryDir m_home;
    std::unique_ptr<frmMain> w;
    QList<QUrl> m_opened;
    int m_ended = 0;
    int m_folder = 0;

    QString tmp(const QString& rel) const { return QDir(m_home.path()).filePath(rel); }
    // A fresh folder holding the given files (name -> bytes).
    QString folderWith(const QMap<QString, QByteArray>& files) {
        const QString dir = tmp(QStringLiteral("f%1/").arg(++m_folder));
        QDir().mkpath(dir);
        for (auto it = files.begin(); it != files.end(); ++it)
            TestSupport::writeFile(dir + it.key(), it.value());
        return dir;
    }
    std::unique_ptr<frmMain> startWindow() {
        auto win = std::make_unique<frmMain>();
        win->allocateBuffers = [] { return 1; };
        win->endProgram = [this] { ++m_ended; };
        win->openUrl = [this](const QUrl& u) {
            m_opened << u;
            return true;
        };
        return win;
    }
    static QString text(QLabel* l) { return l->text(); }
    // Answers the next modal dialog with `act` once it is open.
    static void whenModal(const std::function<void(QWidget*)>& act) {
        QTimer::singleShot(0, [act] {
            QWidget* modal = QApplication::activeModalWidget();
            QVERIFY(modal);
            act(modal);
        });
    }
    void setKey(const QByteArray& k) {
        w->key.intKeyFrom = frmKeyFrom::FromKeyboard;
        w->key.strKey = k;
    }

private slots:
    void initTestCase() {
        TestSupport::prepareEnvironment(m_home);
        QVERIFY(Language2::ReadProgramText(QStringLiteral("zq4_text.dat")) >= 1);
    }
    void init() {
        MessageBox::reset();
        FileDialog::reset();
        QFile::remove(QDir(m_home.path()).filePath("config/zq4/zq4e.opn"));
        w = startWindow();
        QVERIFY(w->Form_Load());
        MessageBox::clearHistory();
    }
    void cleanup() {
        if (w && w->reportWindow().isVisible())
            w->reportWindow().hide();
        w.reset();
    }

    void firstStartWithoutNextRunFile() {
        QCOMPARE(w->windowTitle(), QStringLiteral("ZQ4 7.77"));
        QVERIFY(w->blnStartupCompleted);
        QVERIFY(w->setup.blnEncrypt);
        QVERIFY(!w->setup.blnOutputFilesSame);
        QVERIFY(!w->setup.blnSubdirectories);
        QCOMPARE(text(w->lblFunction), QStringLiteral("Encryption"));
        QCOMPARE(text(w->lblFunction2), QStringLiteral("(Encrypt the input files.)"));
        QCOMPARE(TestSupport::shown(w->cmdKeyFrom->text()), QStringLiteral("Encryption key"));
        QCOMPARE(text(w->lblOutputFilesSame), QStringLiteral("No"));
        QCOMPARE(text(w->lblOutputFilesSame2),
                 QStringLiteral("(The output files normally are different from the input files.)"));
        QCOMPARE(text(w->lblSubdirectories), QStringLiteral("No"));
        QCOMPARE(text(w->lblSubdirectories2), QStringLiteral("(Do not operate on files in lower subfolders.)"));
        for (int side = 0; side < 2; ++side) {
            QCOMPARE(text(w->lblDirectory[size_t(side)]), QStringLiteral("Not specified"));
            QCOMPARE(text(w->lblFiles[size_t(side)]), QStringLiteral("Not specified"));
        }
        QCOMPARE(text(w->lblSingleFile),
                 QStringLiteral("To encrypt multiple files specify input folder and input files."));
        QCOMPARE(text(w->lblKeyFrom), QStringLiteral("Not specified"));
        QCOMPARE(w->key.intKeyFrom, frmKeyFrom::NoKey);
        QCOMPARE(w->focusWidget(), w->cmdFunction);
        QVERIFY(!w->Clock->isActive());
        QCOMPARE(w->Clock->interval(), 5000);
        QVERIFY(w->strNextRunSetupFilepath.endsWith(QStringLiteral("/config/zq4/zq4e.opn")));
        QVERIFY(QDir(tmp("config/zq4")).exists());
        QCOMPARE(QDir::currentPath(), QStringLiteral("/"));
        QVERIFY(MessageBox::history().isEmpty());
        // The remembered copy is the start-up setup.
        QVERIFY(w->setup.blnSavedEncrypt && !w->setup.blnSavedOutputFilesSame && !w->setup.blnSavedSubdirectories);
    }

    void failedBufferAllocationIsFatal() {
        auto win = startWindow();
        win->allocateBuffers = [] { return 0; };
        QVERIFY(!win->Form_Load());
        QCOMPARE(MessageBox::last().text, QStringLiteral("Attempt to allocate buffers was unsuccessful!"));
        QCOMPARE(MessageBox::last().title, QStringLiteral("Fatal error"));
        QCOMPARE(MessageBox::last().icon, MessageBox::Critical);
        QVERIFY(!win->isVisible());
    }

    void functionButtonTogglesWordsEverywhere() {
        QTest::mouseClick(w->cmdFunction, Qt::LeftButton);
        QVERIFY(!w->setup.blnEncrypt);
        QCOMPARE(text(w->lblFunction), QStringLiteral("Decryption"));
        QCOMPARE(text(w->lblFunction2), QStringLiteral("(Decrypt the input files.)"));
        QCOMPARE(TestSupport::shown(w->cmdKeyFrom->text()), QStringLiteral("Decryption key"));
        QCOMPARE(text(w->lblSingleFile),
                 QStringLiteral("To decrypt multiple files specify input folder and input files."));
        // Keyboard users: Enter and Space act like the left button.
        w->cmdFunction->setFocus();
        QTest::keyClick(w->cmdFunction, Qt::Key_Return);
        QVERIFY(w->setup.blnEncrypt);
        QTest::keyClick(w->cmdFunction, Qt::Key_Space);
        QVERIFY(!w->setup.blnEncrypt);
    }

    void rightButtonOnlyOpensHelp_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("heading");
        const QList<QPair<const char*, int>> rows = {{"cmdFunction", 1},
                                                     {"cmdSingleFile", 2},
                                                     {"cmdSpecifyDirectory_0", 3},
                                                     {"cmdSpecifyFiles_0", 3},
                                                     {"cmdSubdirectories", 4},
                                                     {"cmdOutputFilesSame", 5},
                                                     {"cmdSpecifyDirectory_1", 6},
                                                     {"cmdSpecifyFiles_1", 6},
                                                     {"cmdKeyFrom", 7},
                                                     {"cmdDoIt", 8},
                                                     {"cmdReportScreen", 9},
                                                     {"cmdRandomnessReport", 10},
                                                     {"cmdSetup", 11},
                                                     {"cmdHelp", 13},
                                                     {"cmdQuit", 14},
                                                     {"cmdSpecifyFiles_2", 6}};
        for (const auto& r : rows)
            QTest::newRow(r.first) << QString::fromLatin1(r.first) << r.second;
    }
    void rightButtonOnlyOpensHelp() {
        QFETCH(QString, button);
        QFETCH(int, heading);
        auto* b = w->findChild<MenuButton*>(button);
        QVERIFY(b);
        const bool encrypt = w->setup.blnEncrypt, same = w->setup.blnOutputFilesSame;
        emit b->mouseUp(Qt::RightButton);
        QVERIFY(helpWindow());
        QCOMPARE(helpWindow()->intStartHeading, heading);
        QVERIFY(helpWindow()->isVisible());
        QCOMPARE(w->setup.blnEncrypt, encrypt);
        QCOMPARE(w->setup.blnOutputFilesSame, same);
        QVERIFY(MessageBox::history().isEmpty());
        QVERIFY(FileDialog::history().isEmpty());
        QCOMPARE(m_ended, 0);
        helpWindow()->hide();
        // F1 on any menu button, the randomness panel's too, opens help at the section set last.
        for (QWidget* target : {static_cast<QWidget*>(w->cmdDoIt), static_cast<QWidget*>(b)}) {
            QTest::keyClick(target, Qt::Key_F1);
            QVERIFY(helpWindow()->isVisible());
            QCOMPARE(helpWindow()->intStartHeading, heading);
            helpWindow()->hide();
        }
    }

    void mouseOverAButtonGivesItTheFocus() {
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        w->cmdFunction->setFocus();
        QTest::mouseMove(w->cmdSetup);
        QEvent enter(QEvent::Enter);
        QCoreApplication::sendEvent(w->cmdSetup, &enter);
        QCOMPARE(w->focusWidget(), w->cmdSetup);

        // Back from a dialog with the pointer resting over Quit: the focus stays where it was (Space must not end
        // the program), until the pointer really moves.
        const QPoint overQuit = w->cmdQuit->mapToGlobal(w->cmdQuit->rect().center());
        QCursor::setPos(overQuit);
        QEvent activated(QEvent::ActivationChange);
        QCoreApplication::sendEvent(w.get(), &activated);
        const QPointF local = w->cmdQuit->rect().center();
        QEnterEvent entered(local, local, overQuit);
        QCoreApplication::sendEvent(w->cmdQuit, &entered);
        QMouseEvent moved(QEvent::MouseMove, local, local, overQuit, Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(w->cmdQuit, &moved);
        QCOMPARE(w->focusWidget(), w->cmdSetup);
        QTest::mouseMove(w->cmdHelp);
        QCOMPARE(w->focusWidget(), w->cmdHelp);
    }

    void singleFileDescriptions_data() {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QString>("verdict");
        QTest::newRow("random") << TestSupport::pseudoRandomBytes(4096, 7)
                                << "  (Seems to be either encrypted or compressed.)";
        QTest::newRow("text") << QByteArray("the quick brown fox ").repeated(40) << "  (Seems not ZQ4-encrypted.)";
        QTest::newRow("too short to judge") << QByteArray("short text") << "";
    }
    void singleFileDescriptions() {
        QFETCH(QByteArray, contents);
        QFETCH(QString, verdict);
        const QString dir = folderWith({{"data.bin", contents}});
        FileDialog::setNextFileName(dir + "data.bin");
        QTest::mouseClick(w->cmdSingleFile, Qt::LeftButton);
        QCOMPARE(FileDialog::last().title, QStringLiteral("Specify file to be encrypted"));
        QCOMPARE(w->setup.strDirpath[0], dir);
        QCOMPARE(w->setup.strFilespec[0], FileProc::ExactNameSpec("data.bin"));
        QCOMPARE(text(w->lblFiles[0]), QStringLiteral("data.bin"));
        QCOMPARE(w->setup.strDirpath[1], dir);
        QCOMPARE(w->setup.strFilespec[1], QString()); // output not the same: not specified
        QCOMPARE(text(w->lblFiles2[0]), FileProc::FileSizeText(dir + "data.bin", 3) + verdict);
        // The whole description is shown, and its row asks the window for the room it needs.
        QLabel* description = w->lblFiles2[0];
        QVERIFY(description->width() >= description->sizeHint().width());
        QVERIFY(description->parentWidget()->minimumWidth() >= description->x() + description->sizeHint().width());
        QCOMPARE(w->strCurrentFilePath, dir + "data.bin");
        QCOMPARE(text(w->lblSingleFile), QString());
        QCOMPARE(text(w->lblSubdirectories), QStringLiteral("No"));
    }

    void specificationDescriptions_data() {
        QTest::addColumn<int>("side");
        QTest::addColumn<QString>("spec");
        QTest::addColumn<QString>("description");
        QTest::newRow("all") << 0 << "*.*"
                             << "(All files.)";
        QTest::newRow("extension") << 0 << "*.txt"
                                   << "(All files with extension \"txt\".)";
        QTest::newRow("pattern") << 0 << "a*.d?c"
                                 << "(All files of the form \"a*.d?c\".)";
        QTest::newRow("long pattern") << 0 << "abcdefghijklmnopqr*.txt"
                                      << "";
        QTest::newRow("output pattern") << 1 << "*.enc"
                                        << "";
        QTest::newRow("missing file") << 0 << "nothere.txt"
                                      << "(File not found.)";
        QTest::newRow("empty file") << 0 << "empty.txt"
                                    << "(File is empty.)";
        QTest::newRow("existing output") << 1 << "empty.txt"
                                         << "(File exists already.)";
        QTest::newRow("new output") << 1 << "new.txt"
                                    << "";
        QTest::newRow("unreadable") << 0 << "sub"
                                    << "(Error reading file.)";
    }
    void specificationDescriptions() {
        QFETCH(int, side);
        QFETCH(QString, spec);
        const QString dir = folderWith({{"empty.txt", QByteArray()}});
        QDir().mkpath(dir + "sub");
        w->setup.strDirpath[size_t(side)] = dir;
        w->setup.strFilespec[size_t(side)] = spec;
        w->ShowFileStatus(side);
        QCOMPARE(text(w->lblFiles[size_t(side)]), spec);
        QTEST(text(w->lblFiles2[size_t(side)]), "description");
        // The description starts after the file specification.
        if (!text(w->lblFiles2[size_t(side)]).isEmpty())
            QVERIFY(w->lblFiles2[size_t(side)]->x() > w->lblFiles[size_t(side)]->x());
    }

    void existingOutputFileNotFlaggedWhenOutputIsTheInput() {
        const QString dir = folderWith({{"a.txt", "x"}});
        w->setup.strDirpath = {dir, dir};
        w->setup.strFilespec = {"a.txt", "a.txt"};
        w->setup.blnOutputFilesSame = true;
        w->ShowFileStatus(1);
        QCOMPARE(text(w->lblFiles2[1]), QString());
    }

    void foldersAndSwitches() {
        const QString a = folderWith({{"x.txt", "x"}});
        const QString b = folderWith({{"y.txt", "y"}});
        QDir().mkpath(b + "child");
        // The output folder follows the first input folder only while it is empty.
        FileDialog::setNextDirectory(a.chopped(1));
        QTest::mouseClick(w->cmdSpecifyDirectory[0], Qt::LeftButton);
        QCOMPARE(FileDialog::last().title, QStringLiteral("Specify input folder"));
        QCOMPARE(w->setup.strDirpath[0], a);
        QCOMPARE(w->setup.strDirpath[1], a);
        QCOMPARE(text(w->lblSubdirectories2), QStringLiteral("(The input folder has no subfolders.)"));
        FileDialog::setNextDirectory(b);
        QTest::mouseClick(w->cmdSpecifyDirectory[0], Qt::LeftButton);
        QCOMPARE(w->setup.strDirpath[0], b);
        QCOMPARE(w->setup.strDirpath[1], a);
        QCOMPARE(text(w->lblSubdirectories2), QStringLiteral("(Do not operate on files in lower subfolders.)"));
        // A cancelled browser changes nothing.
        QTest::mouseClick(w->cmdSpecifyDirectory[1], Qt::LeftButton);
        QCOMPARE(w->setup.strDirpath[1], a);

        // Subfolders on turns output same on and copies the input side.
        w->setup.strFilespec[0] = "*.txt";
        QTest::mouseClick(w->cmdSubdirectories, Qt::LeftButton);
        QVERIFY(w->setup.blnSubdirectories);
        QVERIFY(w->setup.blnOutputFilesSame);
        QCOMPARE(text(w->lblSubdirectories), QStringLiteral("Yes"));
        QCOMPARE(text(w->lblSubdirectories2), QStringLiteral("(Operate on all specified files in lower subfolders.)"));
        QCOMPARE(text(w->lblOutputFilesSame2), QStringLiteral("(The output files are the same as the input files.)"));
        QCOMPARE(w->setup.strDirpath[1], b);
        QCOMPARE(w->setup.strFilespec[1], QStringLiteral("*.txt"));

        // The output folder cannot be chosen while output is the input.
        QTest::mouseClick(w->cmdSpecifyDirectory[1], Qt::LeftButton);
        QCOMPARE(MessageBox::last().text,
                 QStringLiteral("Currently output files are specified as the same as the input files."));
        QCOMPARE(MessageBox::last().title, QStringLiteral("Specify output folder"));
        QCOMPARE(MessageBox::last().icon, MessageBox::NoIcon);
        QTest::mouseClick(w->cmdSpecifyFiles[1], Qt::LeftButton);
        QCOMPARE(MessageBox::last().title, QStringLiteral("Specify output files"));
        QCOMPARE(FileDialog::pendingAnswers(), 0);

        // A folder without subfolders settles the switch to off.
        w->setup.strDirpath[0] = a;
        QTest::mouseClick(w->cmdSubdirectories, Qt::LeftButton);
        QVERIFY(!w->setup.blnSubdirectories);
        QCOMPARE(text(w->lblSubdirectories2), QStringLiteral("(The input folder has no subfolders.)"));
    }

    void filesButtonsAndTheirDialogs() {
        QTest::mouseClick(w->cmdSpecifyFiles[0], Qt::LeftButton);
        QCOMPARE(MessageBox::last().text, QStringLiteral("The input folder has not been specified."));
        QCOMPARE(MessageBox::last().title, QStringLiteral("Folder unspecified"));
        QCOMPARE(MessageBox::last().icon, MessageBox::Warning);
        QTest::mouseClick(w->cmdSpecifyFiles[1], Qt::LeftButton);
        QCOMPARE(MessageBox::last().text, QStringLiteral("The output folder has not been specified."));

        const QString empty = folderWith({});
        w->setup.strDirpath[0] = empty;
        QTest::mouseClick(w->cmdSpecifyFiles[0], Qt::LeftButton);
        QCOMPARE(MessageBox::last().text, QStringLiteral("The input folder contains no files and no subfolders."));
        QCOMPARE(MessageBox::last().title, QStringLiteral("Empty folder"));

        const QString dir = folderWith({{"a.txt", "a"}, {"b.doc", "b"}});
        w->setup.strDirpath = {dir, dir};
        w->lblSetupFilename->setText("some.opn");
        whenModal([](QWidget* modal) {
            auto* dlg = qobject_cast<frmSpecifyInputFiles*>(modal);
            QVERIFY(dlg);
            QCOMPARE(dlg->intNumFiles, 2);
            QTest::keyClicks(dlg->txbExtension, ".doc");
            dlg->cmdAccept->click();
        });
        QTest::mouseClick(w->cmdSpecifyFiles[0], Qt::LeftButton);
        QCOMPARE(w->setup.strFilespec[0], QStringLiteral("*.doc"));
        QCOMPARE(w->context.intNumFiles, 2);
        QCOMPARE(text(w->lblFiles2[0]), QStringLiteral("(All files with extension \"doc\".)"));
        QCOMPARE(text(w->lblSetupFilename), QString());

        // Not accepted: nothing changes.
        whenModal([](QWidget* modal) { static_cast<QDialog*>(modal)->reject(); });
        QTest::mouseClick(w->cmdSpecifyFiles[1], Qt::LeftButton);
        QCOMPARE(w->setup.strFilespec[1], QString());
    }

    void setupFileRoundTripThroughThePanel() {
        const QString dir = folderWith({{"a, b.txt", "x"}});
        w->setup.strDirpath = {dir, dir};
        w->setup.strFilespec = {"a, b.txt", "*.enc"};
        const QString opn = tmp("setups/one, two.opn");
        QDir().mkpath(tmp("setups"));

        QTest::mouseClick(w->cmdSetup, Qt::LeftButton);
        QVERIFY(w->fraSetup->isVisible());
        QVERIFY(!w->fraMenu->isEnabled());
        QTest::mouseClick(w->cmdSaveSetup, Qt::LeftButton);
        QVERIFY(w->picSaveSetup->isVisible());
        FileDialog::setNextFileName(opn);
        QTest::mouseClick(w->cmdSaveSetupAsOperationFile, Qt::LeftButton);
        QCOMPARE(FileDialog::last().title, QStringLiteral("Specify operation file to be saved"));
        QVERIFY(QFile::exists(opn));
        QCOMPARE(text(w->lblSetupFilename), opn);
        QVERIFY(w->fraMenu->isEnabled());

        // Saving over it asks first; No keeps the file.
        const QByteArray saved = TestSupport::readFile(opn);
        w->setup.strFilespec[1] = "*.other";
        FileDialog::setNextFileName(opn);
        MessageBox::setNextAnswer(MessageBox::No);
        w->cmdSaveSetupAsOperationFile_Click();
        QCOMPARE(MessageBox::last().text, "Overwrite existing file " + opn + "?");
        QCOMPARE(MessageBox::last().title, QStringLiteral("File exists"));
        QCOMPARE(MessageBox::last().buttons, MessageBox::Yes | MessageBox::No | MessageBox::Cancel);
        QCOMPARE(TestSupport::readFile(opn), saved);

        // Clear, then load it back; the key is untouched by loading.
        w->cmdClearSetup_Click();
        QCOMPARE(w->setup.strDirpath[0], QString());
        QCOMPARE(text(w->lblDirectory[0]), QStringLiteral("Not specified"));
        setKey("ABCDEFGHIJKLMNOP");
        FileDialog::setNextFileName(opn);
        w->cmdLoadSetup_Click();
        QCOMPARE(w->setup.strDirpath[0], dir);
        QCOMPARE(w->setup.strFilespec[0], QStringLiteral("a, b.txt"));
        QCOMPARE(w->setup.strFilespec[1], QStringLiteral("*.enc"));
        QCOMPARE(text(w->lblSetupFilename), opn);
        QCOMPARE(w->key.intKeyFrom, frmKeyFrom::FromKeyboard);
        // Restore after load returns to the loaded setup; the key becomes unspecified.
        w->setup.strFilespec[0] = "changed";
        w->cmdRestoreSetup_Click();
        QCOMPARE(w->setup.strFilespec[0], QStringLiteral("a, b.txt"));
        QCOMPARE(w->key.intKeyFrom, frmKeyFrom::NoKey);
        QCOMPARE(text(w->lblKeyFrom), QStringLiteral("Not specified"));

        // A name typed without an extension is saved with ".opn", and Load offers every file besides.
        FileDialog::setNextFileName(tmp("setups/plain"));
        w->cmdSaveSetupAsOperationFile_Click();
        QVERIFY(QFile::exists(tmp("setups/plain.opn")));
        QVERIFY(!QFile::exists(tmp("setups/plain")));
        FileDialog::setNextFileName(tmp("setups/plain.opn"));
        w->cmdLoadSetup_Click();
        QCOMPARE(FileDialog::last().filter, QStringLiteral("Operation files (*.opn);;All files (*)"));
    }

    void clearThenRestoreBringsTheSetupBack() {
        const QString dir = folderWith({{"a.txt", "x"}});
        QDir().mkpath(dir + "sub");
        w->setup.strDirpath = {dir, dir};
        w->setup.strFilespec = {"*.txt", "*.txt"};
        w->setup.blnEncrypt = false;
        w->setup.blnOutputFilesSame = true;
        w->setup.blnSubdirectories = true;
        w->cmdClearSetup_Click();
        QVERIFY(w->setup.blnEncrypt && !w->setup.blnOutputFilesSame && !w->setup.blnSubdirectories);
        QCOMPARE(w->setup.strFilespec[0], QString());
        QVERIFY(!w->fraSetup->isVisible());
        w->cmdRestoreSetup_Click();
        QVERIFY(!w->setup.blnEncrypt && w->setup.blnOutputFilesSame && w->setup.blnSubdirectories);
        QCOMPARE(text(w->lblSubdirectories), QStringLiteral("Yes"));
        QCOMPARE(text(w->lblFunction), QStringLiteral("Decryption"));
        QCOMPARE(w->setup.strDirpath[0], dir);
        QCOMPARE(w->setup.strFilespec[1], QStringLiteral("*.txt"));
    }

    void loadFailures() {
        FileDialog::setNextFileName(tmp("missing.opn"));
        w->cmdLoadSetup_Click();
        QCOMPARE(MessageBox::last().text, "File " + tmp("missing.opn") + " not found!");
        QCOMPARE(MessageBox::last().title, QStringLiteral("Error when attempting to load setup."));

        TestSupport::writeFile(tmp("eight.opn"), "7.77\r\n 1 \r\n 0 \r\n 0 \r\n 0 \r\n/a/\r\n*.*\r\n/a/\r\n");
        w->setup.strFilespec[0] = "keep";
        FileDialog::setNextFileName(tmp("eight.opn"));
        w->cmdLoadSetup_Click();
        QCOMPARE(MessageBox::last().text, "Error when attempting to load setup from file " + tmp("eight.opn") + "!");
        QCOMPARE(MessageBox::last().title, QStringLiteral("Error"));
        QCOMPARE(w->setup.strFilespec[0], QStringLiteral("keep"));

        // Folders that no longer exist: the file loads, the replay reports the input folder and clears it.
        const QString gone = tmp("gone/");
        TestSupport::writeFile(
            tmp("gone.opn"),
            ("7.77\r\n 1 \r\n 0 \r\n 1 \r\n 0 \r\n" + gone + "\r\n*.txt\r\n" + gone + "\r\n*.txt\r\n").toUtf8());
        FileDialog::setNextFileName(tmp("gone.opn"));
        w->cmdLoadSetup_Click();
        QCOMPARE(MessageBox::last().text, "Error when attempting to access " + gone + ".");
        QCOMPARE(w->setup.strDirpath[0], QString());
        QCOMPARE(w->setup.strDirpath[1], QString());
        QVERIFY(!w->setup.blnSubdirectories);
        QCOMPARE(text(w->lblSubdirectories), QStringLiteral("No"));
        QCOMPARE(text(w->lblSetupFilename), tmp("gone.opn"));
    }

    void nextRunSetupIsReadAtStart() {
        const QString dir = folderWith({{"a.txt", "x"}});
        w->setup.strDirpath = {dir, dir};
        w->setup.strFilespec = {"*.txt", "*.txt"};
        w->setup.blnEncrypt = false;
        w->setup.blnOutputFilesSame = true;
        w->cmdSaveSetupForNextRun_Click();
        QVERIFY(MessageBox::history().isEmpty());
        auto next = startWindow();
        QVERIFY(next->Form_Load());
        QVERIFY(!next->setup.blnEncrypt);
        QVERIFY(next->setup.blnOutputFilesSame);
        QCOMPARE(next->setup.strDirpath[0], dir);
        QCOMPARE(text(next->lblFiles2[0]), QStringLiteral("(All files with extension \"txt\".)"));
        QCOMPARE(next->setup.strSavedDirpath[0], dir);
    }

    void doItChecksInOrder_data() {
        QTest::addColumn<int>("situation");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("title");
        QTest::newRow("no input") << 0 << "Input file(s) not specified."
                                  << "Error";
        QTest::newRow("empty folder") << 1 << "The input folder contains no matching files and no subfolders."
                                      << "Empty folder";
        QTest::newRow("no key") << 2 << "Please specify the encryption key."
                                << "Encryption key not specified";
        QTest::newRow("no key, decrypting") << 3 << "Please specify the decryption key."
                                            << "Decryption key not specified";
        QTest::newRow("no output") << 4 << "Output file(s) not specified."
                                   << "Error";
        QTest::newRow("subfolders, output differs")
            << 5 << "If subfolders are included then the output files must be the same as the input files."
            << "";
        QTest::newRow("nothing matches, subfolders") << 6 << "The input folder contains no matching files."
                                                     << "Nothing to do";
        QTest::newRow("no output folder") << 7 << "The output folder OUT does not exist."
                                          << "Error";
        QTest::newRow("two inputs, one output name, before the confirmation")
            << 8
            << "Output file specification \"*.enc\" produces duplicate output filenames!\r\n\r\n"
               "a.doc and a.txt would both become a.enc."
            << "Error";
    }
    void doItChecksInOrder() {
        QFETCH(int, situation);
        const QString dir = folderWith({{"a.txt", "a"}});
        QDir().mkpath(dir + "sub");
        w->setup.strDirpath = {dir, tmp("out/")};
        w->setup.strFilespec = {"*.txt", "*.enc"};
        setKey("ABCDEFGHIJKLMNOP");
        switch (situation) {
        case 0:
            w->setup.strFilespec[0].clear();
            break;
        case 1:
            w->setup.strDirpath[0] = folderWith({});
            w->setup.strFilespec[0] = "*.doc";
            break;
        case 3:
            w->cmdFunction_MouseUp(Qt::LeftButton);
            [[fallthrough]];
        case 2:
            w->key.intKeyFrom = frmKeyFrom::NoKey;
            break;
        case 4:
            w->setup.strFilespec[1].clear();
            break;
        case 5:
            w->setup.blnSubdirectories = true;
            break;
        case 6:
            w->setup.strFilespec[0] = "*.doc";
            break;
        case 8:
            TestSupport::writeFile(dir + "a.doc", "doc");
            w->setup.strFilespec[0] = "*.*";
            QDir().mkpath(w->setup.strDirpath[1]);
            break;
        }
        w->cmdDoIt_MouseUp(Qt::LeftButton);
        QVERIFY(!MessageBox::history().isEmpty());
        QFETCH(QString, message);
        QCOMPARE(MessageBox::last().text, message.replace("OUT", tmp("out/")));
        QTEST(MessageBox::last().title, "title");
        QVERIFY(!w->reportWindow().isVisible());
    }

    // Input and output side the same folder and file pattern: the run is switched to in place. The folders
    // are compared as folders on disk, so one folder under two spellings is one, and two folders whose names
    // differ only in letter case are two (the run then goes to new files).
    void doItSwitchesOutputSameOnForIdenticalSides_data() {
        QTest::addColumn<QString>("outputFolder"); // beside the input folder Data/; "=" the input folder's text
        QTest::addColumn<QString>("outputSpec");
        QTest::addColumn<bool>("switched");
        QTest::newRow("same folder, file pattern in another case") << "="
                                                                   << "*.txt" << true;
        QTest::newRow("same folder spelled another way") << "Data/x/../"
                                                         << "*.TXT" << true;
        QTest::newRow("a pattern that names every input's own file") << "Data/./"
                                                                     << "*.*" << true;
        QTest::newRow("folders differing only in case") << "data/"
                                                        << "*.TXT" << false;
    }
    void doItSwitchesOutputSameOnForIdenticalSides() {
        QFETCH(QString, outputFolder);
        QFETCH(QString, outputSpec);
        QFETCH(bool, switched);
        const QString parent = folderWith({});
        const QString dir = parent + "Data/";
        QDir().mkpath(dir + "x");
        TestSupport::writeFile(dir + "a.txt", "a");
        QDir().mkpath(parent + "data");
        const QString out = outputFolder == "=" ? dir : parent + outputFolder;
        w->setup.strDirpath = {dir, out};
        w->setup.strFilespec = {"*.TXT", outputSpec};
        setKey("ABCDEFGHIJKLMNOP");
        whenModal([](QWidget* modal) { static_cast<QDialog*>(modal)->reject(); }); // the confirmation: No
        w->cmdDoIt_MouseUp(Qt::LeftButton);
        QVERIFY2(MessageBox::history().isEmpty(), qPrintable(MessageBox::last().text));
        QCOMPARE(w->setup.blnOutputFilesSame, switched);
        QCOMPARE(text(w->lblOutputFilesSame), switched ? QStringLiteral("Yes") : QStringLiteral("No"));
        QCOMPARE(w->reportWindow().strOutputDirpath, switched ? dir : out);
        QCOMPARE(w->reportWindow().strInputFilespec, QStringLiteral("*.TXT"));
        QCOMPARE(w->reportWindow().windowTitle(), QStringLiteral("Encrypting *.TXT"));
    }

    // Running to new files, the confirmation says how many outputs exist already and will be replaced.
    void confirmationCountsOutputsThatExist() {
        const QString in = folderWith({{"a.txt", "alpha"}, {"b.txt", "bravo"}, {"c.txt", "charlie"}});
        const QString out = folderWith({{"a.enc", "old a"}, {"c.enc", "old c"}});
        w->setup.strDirpath = {in, out};
        w->setup.strFilespec = {"*.txt", "*.enc"};
        setKey("ABCDEFGHIJKLMNOP");
        QString description;
        bool noIsTheDefault = false;
        whenModal([&](QWidget* modal) {
            description = modal->findChild<QLabel*>("lblDescr")->text();
            // Files will be replaced: Enter must not be Yes.
            auto* no = modal->findChild<QPushButton*>("cmdNo");
            noIsTheDefault =
                no->isDefault() && modal->focusWidget() == no && !modal->findChild<QPushButton*>("cmdYes")->isDefault();
            static_cast<QDialog*>(modal)->reject();
        });
        w->cmdDoIt_MouseUp(Qt::LeftButton);
        QCOMPARE(description, "Encrypting *.txt in the folder " + in +
                                  " (3 files) .  The output files are specified "
                                  "as *.enc in the folder " +
                                  out + ".  2 output files exist already and will be replaced.");
        QVERIFY(noIsTheDefault);
        QCOMPARE(TestSupport::readFile(out + "a.enc"), QByteArray("old a"));
    }

    void reliabilityTestDiversionComesAfterTheKeyCheck() {
        const QString dir = folderWith({{"a.txt", "a"}});
        w->setup.strDirpath = {dir, QString()};
        w->setup.strFilespec = {"*.txt", QString()};
        setKey("ABCDEFGHIJKLMNOP");
        int offered = 0;
        w->reliabilityTestDiversion = [&] {
            ++offered;
            return false; // declined: the checks go on
        };
        w->cmdDoIt_MouseUp(Qt::LeftButton);
        QCOMPARE(offered, 1);
        QCOMPARE(MessageBox::last().text, QStringLiteral("Output file(s) not specified."));
    }

    // "Add an extension", chosen in the Output files dialog: shown the way the function goes, kept by a setup file,
    // and run with subfolders, each result beside its input as name.ext.enc.
    void addedExtensionThroughTheWindow() {
        const QString dir = folderWith({{"notes.txt", "text"}, {"notes.odt", "odt"}, {"sub/deep.txt", "deep"}});
        w->setup.strDirpath = {dir, dir};
        w->setup.strFilespec[0] = "*.*";
        whenModal([](QWidget* modal) {
            auto* dlg = qobject_cast<frmSpecifyOutputFiles*>(modal);
            QVERIFY(dlg);
            QTest::keyClicks(dlg->txbAddExtension, ".enc"); // typing selects its option
            QVERIFY(dlg->optAddExtension->isChecked());
            dlg->cmdAccept->click();
        });
        QTest::mouseClick(w->cmdSpecifyFiles[1], Qt::LeftButton);
        QCOMPARE(w->setup.strFilespec[1], FileProc::AddedExtensionSpec("enc"));
        QCOMPARE(text(w->lblFiles[1]), QStringLiteral("(name).enc"));
        QCOMPARE(text(w->lblFiles2[1]), QStringLiteral("(Each input file's name with .enc added.)"));

        const QString opn = tmp("added.opn");
        FileDialog::setNextFileName(opn);
        w->cmdSaveSetupAsOperationFile_Click();
        w->cmdClearSetup_Click();
        FileDialog::setNextFileName(opn);
        w->cmdLoadSetup_Click();
        QCOMPARE(w->setup.strFilespec[1], FileProc::AddedExtensionSpec("enc"));

        w->setup.blnSubdirectories = true;
        setKey("ABCDEFGHIJKLMNOP");
        QVERIFY(zq4e::allocate_buffers() != 0);
        whenModal([](QWidget* modal) { modal->findChild<QPushButton*>("cmdYes")->click(); });
        w->cmdDoIt_MouseUp(Qt::LeftButton);
        QVERIFY2(MessageBox::history().isEmpty(), qPrintable(MessageBox::last().text));
        for (const char* name : {"notes.txt", "notes.odt", "sub/deep.txt"}) {
            QVERIFY2(TestSupport::readFile(dir + name + ".enc").startsWith("ZQ4E"), name);
            QVERIFY(QFile::exists(dir + name));
        }

        w->cmdFunction_MouseUp(Qt::LeftButton);
        QCOMPARE(text(w->lblFiles[1]), QStringLiteral("(name) without .enc"));
        QCOMPARE(text(w->lblFiles2[1]), QStringLiteral("(Each input file's name without its .enc.)"));
    }

    void doItEncryptsToAnOutputFolder() {
        const QString in = folderWith({{"a.txt", QByteArray("alpha ").repeated(100)}, {"b.txt", "bravo"}});
        const QString out = tmp("encrypted/");
        QDir().mkpath(out);
        w->setup.strDirpath = {in, out};
        w->setup.strFilespec = {"*.txt", "*.enc"};
        setKey("ABCDEFGHIJKLMNOP");
        QVERIFY(zq4e::allocate_buffers() != 0);
        zq4e::erase_key();
        const qint64 derived = zq4e::key_derivations();
        bool yesIsTheDefault = false;
        whenModal([&](QWidget* modal) {
            auto* yes = modal->findChild<QPushButton*>("cmdYes");
            QVERIFY(yes);
            yesIsTheDefault = yes->isDefault(); // nothing is replaced
            yes->click();
        });
        w->cmdDoIt_MouseUp(Qt::LeftButton);
        QVERIFY(yesIsTheDefault);
        QVERIFY2(MessageBox::history().isEmpty(), qPrintable(MessageBox::last().text));
        QCOMPARE(w->key.strKey, QByteArray("ABCDEFGHIJKLMNOP").repeated(4));
        // The key derived while the files were sized is the run's key: the run derives nothing more.
        QCOMPARE(zq4e::key_derivations(), derived + 1);
        QVERIFY(QFile::exists(out + "a.enc"));
        QVERIFY(QFile::exists(out + "b.enc"));
        QVERIFY(TestSupport::readFile(out + "a.enc") != TestSupport::readFile(in + "a.txt"));
        QVERIFY(w->reportWindow().isVisible());
        QCOMPARE(TestSupport::shown(w->reportWindow().cmdCopyToClipboard->text()), QStringLiteral("Copy to clipboard"));
        QVERIFY(!w->reportWindow().report().isEmpty());

        // "Report screen" shows the last report again.
        w->reportWindow().hide();
        w->cmdReportScreen_MouseUp(Qt::LeftButton);
        QVERIFY(w->reportWindow().isVisible());
        QVERIFY(MessageBox::history().isEmpty());
    }

    // While a run goes on the main window says so, and Do it! is off with a reason; neither window hides the other
    // where the screen has room for both.
    void theMainWindowShowsTheRun() {
        const QString in = folderWith({{"a.bin", TestSupport::pseudoRandomBytes(16 << 20, 3)}, {"b.bin", "b"}});
        const QString out = tmp("running-out/");
        QDir().mkpath(out);
        w->setup.strDirpath = {in, out};
        w->setup.strFilespec = {"*.bin", "*.enc"};
        setKey("ABCDEFGHIJKLMNOP");
        QVERIFY(zq4e::allocate_buffers() != 0);
        whenModal([](QWidget* modal) { modal->findChild<QPushButton*>("cmdYes")->click(); });
        QString during, tip;
        bool doItOn = true, reportIsOwnWindow = false;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (!during.isEmpty() || !w->reportWindow().isRunning() || zq4e::progress_bytes() < (2 << 20))
                return;
            during = text(w->lblRunning);
            doItOn = w->cmdDoIt->isEnabled();
            tip = w->cmdDoIt->toolTip();
            reportIsOwnWindow = w->reportWindow().parentWidget() == nullptr;
        });
        watch.start(2);
        w->cmdDoIt_MouseUp(Qt::LeftButton);
        watch.stop();
        QCOMPARE(during, QStringLiteral("Running: 1 of 2 files"));
        QVERIFY(!doItOn);
        QVERIFY(tip.contains(QStringLiteral("in progress")));
        QVERIFY(reportIsOwnWindow);
        QCOMPARE(text(w->lblRunning), QString());
        QVERIFY(w->cmdDoIt->isEnabled());
        QVERIFY(w->cmdDoIt->toolTip().isEmpty());
        QVERIFY(QFile::exists(out + "b.enc"));

        // A randomness listing in the same window gives Do it! back when it is over, too.
        w->setup.strFilespec[0] = "*.bin";
        w->cmdSpecifyFiles_MouseUp(2, Qt::LeftButton);
        QVERIFY(!w->reportWindow().isRunning());
        QCoreApplication::processEvents();
        QVERIFY(w->cmdDoIt->isEnabled());
    }

    void keyButtonOpensTheKeyPanel() {
        QTest::mouseClick(w->cmdKeyFrom, Qt::LeftButton);
        QVERIFY(w->picKeyFrom->isVisible());
        QVERIFY(!w->fraMenu->isEnabled());
        w->picKeyFrom->cmdDontSpecifyKeyNow->click();
        QVERIFY(!w->picKeyFrom->isVisible());
        QVERIFY(w->fraMenu->isEnabled());
        QCOMPARE(text(w->lblKeyFrom), QStringLiteral("Not specified"));
    }

    void emptyReportScreen() {
        w->cmdReportScreen_MouseUp(Qt::LeftButton);
        QCOMPARE(MessageBox::last().text, QStringLiteral("The report screen is empty."));
        QCOMPARE(MessageBox::last().title, QStringLiteral("Report screen"));
    }

    void onlineDocumentationOpensTheBundledManual() {
        QTest::mouseClick(w->lblOnlineDocumentation, Qt::LeftButton);
        QCOMPARE(m_opened.size(), 1);
        QVERIFY(m_opened.first().isLocalFile());
        QCOMPARE(m_opened.first().toLocalFile(), QDir(QCoreApplication::applicationDirPath()).filePath("manual.html"));
        w->openUrl = [](const QUrl&) { return false; };
        w->lblOnlineDocumentation_Click();
        QCOMPARE(MessageBox::last().title, QStringLiteral("Cannot launch web browser"));
        QVERIFY(MessageBox::last().text.startsWith(QStringLiteral("Error launching web browser.\r\n\r\nPlease make")));
        // The text of the message is kept; after it comes where the manual is, to be opened by hand.
        QVERIFY(MessageBox::last().text.contains(
            QStringLiteral("sufficient memory available.\r\n\r\nThe manual is the file ") +
            QDir(QCoreApplication::applicationDirPath()).filePath("manual.html") + QLatin1Char('.')));
        // Every window carries the program's icon.
        QVERIFY(!QApplication::windowIcon().isNull());
        QCOMPARE(w->reportWindow().windowIcon().cacheKey(), QApplication::windowIcon().cacheKey());
        m_opened.clear();
    }

    void clockTicksFirstAfterTheLongerInterval() {
        w->intFirstClockInterval = 30;
        w->intClockInterval = 10;
        w->Initialize();
        QCOMPARE(w->Clock->interval(), 30);
        w->context.blnGenerateNextKey = false;
        w->Clock->start();
        QTRY_VERIFY(w->context.blnGenerateNextKey);
        QCOMPARE(w->Clock->interval(), 10);
        w->Clock->stop();
    }

    // Quit, or the main window's close box, while a large file is on the worker: the file is abandoned, its
    // partial output goes, the input stays as it was and the program ends.
    void quitDuringALargeFileLeavesNothingBehind_data() {
        QTest::addColumn<bool>("inPlace");
        QTest::addColumn<bool>("closeBox");
        QTest::newRow("in place, Quit") << true << false;
        QTest::newRow("to a new file, close box") << false << true;
    }
    void quitDuringALargeFileLeavesNothingBehind() {
        QFETCH(bool, inPlace);
        QFETCH(bool, closeBox);
        const QByteArray block = TestSupport::pseudoRandomBytes(1 << 20, 77);
        const QString in = folderWith({});
        {
            QFile big(in + "big.dat");
            QVERIFY(big.open(QIODevice::WriteOnly));
            for (int i = 0; i < 128; ++i)
                big.write(block);
        }
        const QString out = inPlace ? in : tmp("quit-out/");
        QDir().mkpath(out);
        w->setup.blnOutputFilesSame = inPlace;
        w->setup.strDirpath = {in, out};
        w->setup.strFilespec = {"*.dat", inPlace ? "*.dat" : "*.enc"};
        setKey("ABCDEFGHIJKLMNOP");
        QVERIFY(zq4e::allocate_buffers() != 0);
        whenModal([](QWidget* modal) { modal->findChild<QPushButton*>("cmdYes")->click(); });
        QTimer quit;
        bool quitDuringFile = false;
        QObject::connect(&quit, &QTimer::timeout, [&] {
            if (!w->reportWindow().isRunning() || zq4e::progress_bytes() < (4 << 20))
                return;
            quit.stop();
            quitDuringFile = true;
            if (closeBox)
                w->close();
            else
                w->cmdQuit_MouseUp(Qt::LeftButton);
        });
        quit.start(2);
        w->cmdDoIt_MouseUp(Qt::LeftButton);
        QVERIFY(quitDuringFile);
        QCOMPARE(m_ended, 1);
        m_ended = 0;
        QVERIFY(!zq4e::cancel_requested());
        QCOMPARE(QDir(in).entryList(QDir::Files | QDir::Hidden), QStringList{"big.dat"});
        if (!inPlace)
            QVERIFY(QDir(out).entryList(QDir::Files | QDir::Hidden).isEmpty());
        QFile big(in + "big.dat");
        QVERIFY(big.open(QIODevice::ReadOnly));
        QCOMPARE(big.size(), qint64(128) << 20);
        for (int i = 0; i < 128; ++i)
            QVERIFY2(big.read(block.size()) == block, qPrintable(QString::number(i)));
    }

    void quitAndCloseBoxWipeTheKeyAndEnd() {
        setKey("SECRETSECRETSECRET");
        QTest::mouseClick(w->cmdQuit, Qt::LeftButton);
        QCOMPARE(m_ended, 1);
        QCOMPARE(w->key.strKey, QByteArray(18, '\0'));

        auto other = startWindow();
        QVERIFY(other->Form_Load());
        other->key.intKeyFrom = frmKeyFrom::FromKeyboard;
        other->key.strKey = "ANOTHERSECRETKEY";
        other->close();
        QCOMPARE(m_ended, 2);
        QCOMPARE(other->key.strKey, QByteArray(16, '\0'));
        m_ended = 0;
    }
};

QTEST_MAIN(TestFrmMain)
#include "test_frmmain.moc"
