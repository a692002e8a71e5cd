// The window started from paths: given on the command line (as main() hands them over) or dropped on it.
#include "app/StartPaths.h"
#include "app/gui/frmMain.h"
#include "files/FileProc.h"
#include "platform/filekit/Language2.h"
#include "platform/os/MessageBox.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QtTest>

#include <memory>

class TestStartFromPaths : public QObject {
    Q_OBJECT
    QTemporaryDir m_home;
    QString m_files; // plain.txt, ours.enc, folder/, folder/a.txt
    std::unique_ptr<frmMain> w;

    // Drops the paths on the window as a file manager does, then lets the window take them.
    bool drop(const QStringList& paths) {
        QMimeData data;
        QList<QUrl> urls;
        for (const QString& p : paths)
            urls << QUrl::fromLocalFile(p);
        data.setUrls(urls);
        const QPointF at(w->width() / 2, w->height() / 2);
        QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(w.get(), &enter);
        if (!enter.isAccepted())
            return false;
        QDropEvent dropped(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(w.get(), &dropped);
        QCoreApplication::processEvents();
        return dropped.isAccepted();
    }

private slots:
    void initTestCase() {
        TestSupport::prepareEnvironment(m_home);
        QVERIFY(Language2::ReadProgramText(QStringLiteral("zq4_text.dat")) >= 1);
        m_files = QDir(m_home.path()).filePath(QStringLiteral("files/"));
        QVERIFY(TestSupport::writeFile(m_files + "plain.txt", "notes"));
        QVERIFY(TestSupport::writeFile(m_files + "ours.enc", QByteArray("ZQ4E") + QByteArray(60, '\1')));
        QVERIFY(TestSupport::writeFile(m_files + "folder/a.txt", "alpha"));
    }
    void init() {
        MessageBox::reset();
        w = std::make_unique<frmMain>();
        w->allocateBuffers = [] { return 1; };
        w->endProgram = [] {};
        QVERIFY(w->Form_Load());
        MessageBox::clearHistory();
    }
    void cleanup() { w.reset(); }

    void relativePathsAreTakenFromTheCurrentFolder() {
        const QString before = QDir::currentPath();
        QDir::setCurrent(m_files);
        const StartPaths start = StartPaths::from({QStringLiteral("plain.txt"), QStringLiteral("folder")});
        QDir::setCurrent(before);
        QCOMPARE(start.kind, StartPaths::SingleFile);
        QCOMPARE(start.path, m_files + "plain.txt");
        QCOMPARE(start.notTaken, 1);
        QCOMPARE(StartPaths::from({m_files + "folder"}).path, m_files + "folder/");
        QCOMPARE(StartPaths::from({}).kind, StartPaths::Nothing);
    }

    void windowSetFromPaths_data() {
        QTest::addColumn<bool>("dropped");
        QTest::addColumn<QStringList>("names"); // under the files folder
        QTest::addColumn<QString>("function");  // the function label afterwards
        QTest::addColumn<QString>("folder");    // the input folder afterwards, under the files folder
        QTest::addColumn<QString>("spec");
        QTest::addColumn<QString>("message"); // the message shown, empty for none
        for (bool dropped : {false, true}) {
            const char* how = dropped ? "dropped: " : "command line: ";
            QTest::newRow(QByteArray(how).append("plain file").constData())
                << dropped << QStringList{"plain.txt"} << "Encryption"
                << ""
                << "plain.txt"
                << "";
            QTest::newRow(QByteArray(how).append("our file").constData())
                << dropped << QStringList{"ours.enc"} << "Decryption"
                << ""
                << "ours.enc"
                << "";
            QTest::newRow(QByteArray(how).append("folder").constData())
                << dropped << QStringList{"folder"} << "Encryption"
                << "folder/"
                << "*.*"
                << "";
            QTest::newRow(QByteArray(how).append("three paths").constData())
                << dropped << QStringList{"ours.enc", "plain.txt", "folder"} << "Decryption"
                << ""
                << "ours.enc"
                << "2 more paths were given and not taken: the input is one file or one folder.";
        }
        QTest::newRow("command line: missing") << false << QStringList{"gone.txt", "plain.txt"} << "Encryption"
                                               << "?"
                                               << "?"
                                               << "%1gone.txt was not found, so the input was not set.\r\n\r\n"
                                                  "1 more path was given and not taken: the input is one file or "
                                                  "one folder.";
    }
    void windowSetFromPaths() {
        QFETCH(bool, dropped);
        QFETCH(QStringList, names);
        QFETCH(QString, function);
        QFETCH(QString, folder);
        QFETCH(QString, spec);
        QFETCH(QString, message);
        QStringList paths;
        for (const QString& n : names)
            paths << m_files + n;
        // What an earlier job left: its results went elsewhere.
        w->setup.strDirpath[1] = m_files + "earlier-out/";
        w->setup.strFilespec[1] = QStringLiteral("*.x");
        if (dropped)
            QVERIFY(drop(paths));
        else
            w->StartFrom(StartPaths::from(paths));

        QCOMPARE(w->lblFunction->text(), function);
        QCOMPARE(w->setup.blnEncrypt, function == QLatin1String("Encryption"));
        if (folder != QLatin1String("?")) {
            QCOMPARE(w->setup.strDirpath[0], m_files + folder);
            QCOMPARE(FileProc::InputSpecShown(w->setup.strFilespec[0]), spec);
            QCOMPARE(w->lblDirectory[0]->text(), m_files + folder);
            QVERIFY(!w->setup.blnSubdirectories);
            // Beside the inputs, named so that nothing existing is written over.
            QCOMPARE(w->setup.strDirpath[1], w->setup.strDirpath[0]);
            QCOMPARE(w->setup.strFilespec[1], FileProc::AddedExtensionSpec(QStringLiteral("enc")));
        } else {
            QVERIFY(w->setup.strDirpath[0].isEmpty());
        }
        if (message.isEmpty()) {
            QVERIFY2(MessageBox::history().isEmpty(), qPrintable(MessageBox::last().text));
        } else {
            QCOMPARE(MessageBox::last().text, message.contains(QLatin1String("%1")) ? message.arg(m_files) : message);
            QCOMPARE(MessageBox::last().title, QStringLiteral("Input"));
        }
    }

    // In place, the output side shows the single file's name as the input side does, nothing of how it is kept.
    void inPlaceShowsTheNameOnly() {
        w->setup.blnOutputFilesSame = false;
        w->cmdOutputFilesSame_MouseUp(Qt::LeftButton);
        QVERIFY(w->setup.blnOutputFilesSame);
        w->StartFrom(StartPaths::from({m_files + "plain.txt"}));
        QCOMPARE(w->lblFiles[0]->text(), QStringLiteral("plain.txt"));
        QCOMPARE(w->lblFiles[1]->text(), QStringLiteral("plain.txt"));
        QCOMPARE(w->lblFiles2[1]->text(), QString());
    }

    // With a panel open the menu is closed, and so is the window to drops.
    void noDropWhileAPanelIsOpen() {
        w->cmdSetup_MouseUp(Qt::LeftButton);
        QVERIFY(!drop({m_files + "plain.txt"}));
        QVERIFY(w->setup.strDirpath[0].isEmpty());
    }
};

QTEST_MAIN(TestStartFromPaths)
#include "test_start_from_paths.moc"
