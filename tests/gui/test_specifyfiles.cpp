#include "files/FileProc.h"
#include "files/gui/FileListBox.h"
#include "files/gui/frmSpecifyInputFiles.h"
#include "files/gui/frmSpecifyOutputFiles.h"
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

#include <functional>

class TestSpecifyFiles : public QObject {
    Q_OBJECT
    QTemporaryDir m_home;
    QString m_full, m_empty;

    // Shows the dialog modally and lets `act` play the user while it is open.
    static void run(SpecifyFilesDialog& dlg, const std::function<void()>& act) {
        QTimer::singleShot(0, &dlg, [&] {
            act();
            if (dlg.isVisible())
                dlg.reject();
        });
        dlg.exec();
    }
    static void typeInto(QLineEdit* box, const QString& text) { QTest::keyClicks(box, text); }

private slots:
    void initTestCase() {
        TestSupport::prepareEnvironment(m_home);
        m_full = QDir(m_home.path()).filePath("full/");
        m_empty = QDir(m_home.path()).filePath("empty/");
        QVERIFY(TestSupport::writeFile(m_full + "b.txt", "b"));
        QVERIFY(TestSupport::writeFile(m_full + "A.doc", "a"));
        QVERIFY(QDir().mkpath(m_empty));
    }
    void init() { MessageBox::reset(); }

    void inputCaptionsFollowTheFunction_data() {
        QTest::addColumn<bool>("encrypt");
        QTest::addColumn<QString>("single");
        QTest::addColumn<QString>("ext");
        QTest::addColumn<QString>("spec");
        QTest::newRow("encrypt") << true << "Encrypt a single file:"
                                 << "e.g., txt or doc:"
                                 << "e.g., a*.d*:";
        QTest::newRow("decrypt") << false << "Decrypt a single file:"
                                 << "e.g., enc:"
                                 << "e.g., a*.e*:";
    }
    void inputCaptionsFollowTheFunction() {
        QFETCH(bool, encrypt);
        frmSpecifyInputFiles dlg;
        dlg.blnEncrypt = encrypt;
        dlg.intNumFiles = 2;
        dlg.File->setPath(m_full);
        run(dlg, [&] {
            QTEST(TestSupport::shown(dlg.optSingleFile->text()), "single");
            QTEST(dlg.lblExtension->text(), "ext");
            QTEST(dlg.lblFilespec->text(), "spec");
            QVERIFY(dlg.optSingleFile->isChecked());
            QVERIFY(dlg.File->isEnabled());
            QCOMPARE(dlg.File->count(), 2);
            QCOMPARE(dlg.File->item(0)->text(), QStringLiteral("A.doc")); // case-insensitive order
            QCOMPARE(dlg.focusWidget(), dlg.cmdCancel);
        });
        QVERIFY(!dlg.blnAccept);
    }

    void outputCaptionsAreTheReverse() {
        frmSpecifyOutputFiles dlg;
        dlg.blnEncrypt = true;
        dlg.intNumFiles = 0;
        dlg.File->setPath(m_empty);
        run(dlg, [&] {
            QCOMPARE(TestSupport::shown(dlg.optNewFile->text()), QStringLiteral("Encrypt to a new file:"));
            QCOMPARE(dlg.lblSingleFile->text(), QStringLiteral("(which will be overwritten):"));
            QCOMPARE(dlg.lblExtension->text(), QStringLiteral("e.g., enc:"));
            QCOMPARE(dlg.lblFilespec->text(), QStringLiteral("e.g., a*.e*:"));
            QVERIFY(!dlg.optSingleFile->isEnabled());
            QVERIFY(!dlg.File->isEnabled());
            QVERIFY(dlg.optExtension->isChecked());
        });
    }

    void extensionForms_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QString>("spec");
        QTest::newRow("*.txt") << "*.txt" << true << "*.txt";
        QTest::newRow(".txt") << ".txt" << true << "*.txt";
        QTest::newRow("txt with blanks") << "  txt " << true << "*.txt";
        QTest::newRow("star") << "*" << true << "*.*";
        QTest::newRow("empty") << "" << false << "";
    }
    void extensionForms() {
        QFETCH(QString, typed);
        QFETCH(bool, accepted);
        for (int output = 0; output < 2; ++output) {
            std::unique_ptr<SpecifyFilesDialog> dlg;
            if (output)
                dlg = std::make_unique<frmSpecifyOutputFiles>();
            else
                dlg = std::make_unique<frmSpecifyInputFiles>();
            dlg->intNumFiles = 0;
            dlg->File->setPath(m_empty);
            run(*dlg, [&] {
                typeInto(dlg->txbExtension, typed);
                dlg->cmdAccept->click();
            });
            QCOMPARE(dlg->blnAccept, accepted);
            QVERIFY(!dlg->isVisible());
            if (accepted)
                QTEST(dlg->ChosenFilespec(), "spec");
            // The output dialog says what is missing rather than closing as if answered.
            if (output && !accepted)
                QCOMPARE(MessageBox::last().text,
                         QStringLiteral("Type the extension of the output files (for example enc)."));
            else
                QVERIFY(MessageBox::history().isEmpty());
            MessageBox::clearHistory();
        }
    }

    void extensionWithADotIsRefusedAndTheDialogStays() {
        frmSpecifyInputFiles dlg;
        dlg.File->setPath(m_empty);
        bool stayed = false;
        run(dlg, [&] {
            typeInto(dlg.txbExtension, "tar.gz");
            dlg.cmdAccept->click();
            stayed = dlg.isVisible();
        });
        QVERIFY(stayed);
        QCOMPARE(MessageBox::last().text, QStringLiteral("Extension must not contain \".\"."));
        QCOMPARE(MessageBox::last().title, QStringLiteral("Error"));
        QCOMPARE(MessageBox::last().icon, MessageBox::Warning);
    }

    void enterInATextBoxSelectsItsOptionAndAccepts() {
        frmSpecifyInputFiles dlg;
        dlg.intNumFiles = 2;
        dlg.File->setPath(m_full);
        run(dlg, [&] {
            QVERIFY(dlg.optSingleFile->isChecked());
            typeInto(dlg.txbFilespec, " a*.d* ");
            QVERIFY(dlg.optMultipleFiles->isChecked());
            QTest::keyClick(dlg.txbFilespec, Qt::Key_Return);
        });
        QVERIFY(dlg.blnAccept);
        QCOMPARE(dlg.ChosenFilespec(), QStringLiteral("a*.d*"));
    }

    void singleFileNeedsASelection() {
        frmSpecifyInputFiles dlg;
        dlg.intNumFiles = 2;
        dlg.File->setPath(m_full);
        run(dlg, [&] { dlg.cmdAccept->click(); });
        QVERIFY(!dlg.blnAccept);
        run(dlg, [&] {
            dlg.File->setCurrentRow(1);
            emit dlg.File->itemDoubleClicked(dlg.File->item(1));
        });
        QVERIFY(dlg.blnAccept);
        QCOMPARE(dlg.ChosenFilespec(), QStringLiteral("b.txt"));
    }

    void newOutputFileIsTrimmedAndShowingAgainResets() {
        frmSpecifyOutputFiles dlg;
        dlg.intNumFiles = 2;
        dlg.File->setPath(m_full);
        run(dlg, [&] {
            QTest::mouseClick(dlg.txbNewFile, Qt::LeftButton);
            QVERIFY(dlg.optNewFile->isChecked());
            typeInto(dlg.txbNewFile, "  new name.enc  ");
            dlg.cmdAccept->click();
        });
        QVERIFY(dlg.blnAccept);
        QCOMPARE(dlg.ChosenFilespec(), QStringLiteral("new name.enc"));
        run(dlg, [&] {
            QVERIFY(dlg.txbNewFile->text().isEmpty());
            QVERIFY(dlg.optExtension->isChecked());
        });
        QVERIFY(!dlg.blnAccept);
    }

    // The output dialog never answers for the user with a file to write over: the input itself is not in its
    // list, no option that overwrites is chosen for them, and Accept with nothing chosen says what is missing.
    void outputDialogNeverOverwritesByDefault_data() {
        QTest::addColumn<int>("option"); // 0 existing file, 1 new file, 2 extension, 3 added extension, 4 pattern
        QTest::addColumn<QString>("missing");
        QTest::newRow("existing file") << 0 << "Select the existing file in the list, or choose another option.";
        QTest::newRow("new file") << 1 << "Type the name of the new file.";
        QTest::newRow("extension") << 2 << "Type the extension of the output files (for example enc).";
        QTest::newRow("added extension") << 3 << "Type the extension to add (for example enc).";
        QTest::newRow("file specification") << 4 << "Type the file specification of the output files.";
    }
    void outputDialogNeverOverwritesByDefault() {
        QFETCH(int, option);
        QFETCH(QString, missing);
        frmSpecifyOutputFiles dlg;
        dlg.intNumFiles = 2;
        dlg.File->setPath(m_full);
        dlg.strInputDirpath = m_full;
        dlg.strInputFilespec = FileProc::ExactNameSpec(QStringLiteral("b.txt"));
        QStringList listed;
        bool overwriteChosen = true, stayed = false;
        run(dlg, [&] {
            for (int i = 0; i < dlg.File->count(); ++i)
                listed << dlg.File->item(i)->text();
            overwriteChosen = dlg.optSingleFile->isChecked();
            QRadioButton* chosen[] = {dlg.optSingleFile, dlg.optNewFile, dlg.optExtension, dlg.optAddExtension,
                                      dlg.optMultipleFiles};
            chosen[option]->setChecked(true);
            dlg.cmdAccept->click();
            stayed = dlg.isVisible();
        });
        QCOMPARE(listed, QStringList{"A.doc"});
        QVERIFY(!overwriteChosen);
        QVERIFY(stayed);
        QVERIFY(!dlg.blnAccept);
        QCOMPARE(MessageBox::last().text, missing);
        QCOMPARE(MessageBox::last().title, QStringLiteral("Specify output files"));
    }

    // Tab goes down the output dialog as it is laid out, and passing through a field chooses nothing.
    void outputDialogTabOrder() {
        frmSpecifyOutputFiles dlg;
        dlg.intNumFiles = 2;
        dlg.File->setPath(m_full);
        QStringList visited;
        bool optionKept = false;
        run(dlg, [&] {
            dlg.activateWindow();
            dlg.txbNewFile->setFocus();
            for (int i = 0; i < 8; ++i) {
                QTest::keyClick(dlg.focusWidget(), Qt::Key_Tab);
                visited << dlg.focusWidget()->objectName();
            }
            optionKept = dlg.optExtension->isChecked();
        });
        QCOMPARE(visited, QStringList({"optExtension", "txbExtension", "optAddExtension", "txbAddExtension",
                                       "optMultipleFiles", "txbFilespec", "cmdAccept", "cmdCancel"}));
        QVERIFY(optionKept);
    }

    // An output specification names files of the output folder: one that reaches into another folder is
    // refused however it is typed, and the dialog stays open.
    void outputSpecificationWithAFolderIsRefused_data() {
        QTest::addColumn<int>("option"); // 0 new file, 1 extension, 2 file specification
        QTest::addColumn<QString>("typed");
        QTest::newRow("new file") << 0 << "../../secret.enc";
        QTest::newRow("extension") << 1 << "x/y";
        QTest::newRow("file specification") << 2 << "../../*.x";
    }
    void outputSpecificationWithAFolderIsRefused() {
        QFETCH(int, option);
        QFETCH(QString, typed);
        frmSpecifyOutputFiles dlg;
        dlg.intNumFiles = 2;
        dlg.File->setPath(m_full);
        QLineEdit* box = option == 0 ? dlg.txbNewFile : option == 1 ? dlg.txbExtension : dlg.txbFilespec;
        bool stayedOpen = false;
        run(dlg, [&] {
            QTest::mouseClick(box, Qt::LeftButton);
            typeInto(box, typed);
            dlg.cmdAccept->click();
            stayedOpen = dlg.isVisible();
        });
        QVERIFY(stayedOpen);
        QVERIFY(!dlg.blnAccept);
        QCOMPARE(MessageBox::last().text, QStringLiteral("The output file specification must not contain \"/\": it "
                                                         "names files in the output folder, not other folders."));
        QCOMPARE(MessageBox::last().icon, MessageBox::Warning);
    }
};

QTEST_MAIN(TestSpecifyFiles)
#include "test_specifyfiles.moc"
