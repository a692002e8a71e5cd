// The real main window under a real X server: a folder encrypted and decrypted through the menu, and a key
// given in each of the four ways, every result checked on disk.
#include "e2e/E2eSupport.h"

#include "batch/gui/ReportView.h"
#include "batch/gui/frmReport.h"
#include "key/KeyMaterial.h"
#include "key/frmKeyFrom.h"
#include "key/gui/frmRandomKey.h"

#include <QLabel>
#include <QRandomGenerator>

using namespace E2e;

// QVERIFY for helpers that return a value.
#define QVERIFY_RESULT(cond)                                                                                           \
    if (!(cond)) {                                                                                                     \
        QTest::qVerify(false, #cond, "", __FILE__, __LINE__);                                                          \
        return {};                                                                                                     \
    }

class E2eOperations : public QObject {
    Q_OBJECT
    QTemporaryDir m_home;
    std::unique_ptr<frmMain> w;
    std::unique_ptr<Responder> r;
    QMap<QString, QByteArray> m_originals;
    int m_folders = 0;

    QString path(const QString& rel) const { return QDir(m_home.path()).filePath(rel); }

    // A fresh folder of plain files: text, a file over one cipher segment, one byte, binary.
    QString plainFolder() {
        const QString dir = path(QStringLiteral("plain%1/").arg(++m_folders));
        m_originals = {
            {QStringLiteral("alpha.txt"), QByteArray("The quick brown fox jumps over the lazy dog.\n").repeated(70)},
            {QStringLiteral("beta.bin"), TestSupport::pseudoRandomBytes(200 * 1024 + 17, 11)},
            {QStringLiteral("gamma.doc"), QByteArray("x")},
            {QStringLiteral("Delta Notes.md"), QByteArray("# notes\n\n- one\n- two\n").repeated(20)},
        };
        for (auto it = m_originals.cbegin(); it != m_originals.cend(); ++it)
            TestSupport::writeFile(dir + it.key(), it.value());
        return dir;
    }
    QString emptyFolder(const QString& name) {
        const QString dir = path(name + QString::number(++m_folders) + QLatin1Char('/'));
        QDir().mkpath(dir);
        return dir;
    }
    QString label(const QString& name) const { return child<QLabel>(w.get(), name)->text(); }

    // The answers every operation needs: the files dialogs, the confirmation, and no purge advice.
    void answerOperationWindows(const QString& inputExtension, const QString& outputExtension) {
        r->on(QStringLiteral("frmSpecifyInputFiles"), [inputExtension](QWidget* d) {
            if (inputExtension.isEmpty()) {
                click(d, QStringLiteral("optAllFiles"));
            } else {
                click(d, QStringLiteral("optExtension"));
                type(d, QStringLiteral("txbExtension"), inputExtension);
            }
            click(d, QStringLiteral("cmdAccept"));
        });
        r->on(QStringLiteral("frmSpecifyOutputFiles"), [outputExtension](QWidget* d) {
            click(d, QStringLiteral("optExtension"));
            type(d, QStringLiteral("txbExtension"), outputExtension);
            click(d, QStringLiteral("cmdAccept"));
        });
        r->on(QStringLiteral("frmConfirmOperation"), [](QWidget* d) { click(d, QStringLiteral("cmdYes")); });
        r->on(QStringLiteral("frmAntiVirusQuery"), [](QWidget* d) { click(d, QStringLiteral("cmdNo")); });
        r->on(QStringLiteral("frmPurgeWarning"), [](QWidget* d) { click(d, QStringLiteral("cmdOK")); });
    }

    // Input folder, all its files or those with an extension, output folder and extension (empty: in place).
    void setUpFiles(const QString& input, const QString& inputExtension, const QString& output,
                    const QString& outputExtension) {
        answerOperationWindows(inputExtension, outputExtension);
        FileDialog::setNextDirectory(input);
        QVERIFY(click(w.get(), QStringLiteral("cmdSpecifyDirectory_0")));
        QCOMPARE(label(QStringLiteral("lblDirectory_0")), input);
        QVERIFY(click(w.get(), QStringLiteral("cmdSpecifyFiles_0")));
        QCOMPARE(label(QStringLiteral("lblFiles_0")),
                 inputExtension.isEmpty() ? QStringLiteral("*.*") : QStringLiteral("*.") + inputExtension);
        const bool inPlace = output.isEmpty();
        if (inPlace != w->setup.blnOutputFilesSame)
            QVERIFY(click(w.get(), QStringLiteral("cmdOutputFilesSame")));
        QCOMPARE(label(QStringLiteral("lblOutputFilesSame")), inPlace ? QStringLiteral("Yes") : QStringLiteral("No"));
        if (inPlace)
            return;
        FileDialog::setNextDirectory(output);
        QVERIFY(click(w.get(), QStringLiteral("cmdSpecifyDirectory_1")));
        QCOMPARE(label(QStringLiteral("lblDirectory_1")), output);
        QVERIFY(click(w.get(), QStringLiteral("cmdSpecifyFiles_1")));
        QCOMPARE(label(QStringLiteral("lblFiles_1")), QStringLiteral("*.") + outputExtension);
    }

    // Opens the key panel and presses one of its buttons; the panel closes and the key label changes.
    void pressKeyButton(const QString& button) {
        QVERIFY(click(w.get(), QStringLiteral("cmdKeyFrom")));
        QWidget* panel = child(w.get(), QStringLiteral("picKeyFrom"));
        QVERIFY(panel && panel->isVisible());
        QVERIFY(click(panel, button));
        QVERIFY(!panel->isVisible());
    }
    void typeKeyWithDisplay(const QString& typed) {
        r->on(QStringLiteral("frmKeyboardWithDisplay"), [typed](QWidget* d) {
            type(d, QStringLiteral("txbKey"), typed);
            QVERIFY(!child<QLabel>(d, QStringLiteral("lblChecksumIs"))->text().isEmpty());
            click(d, QStringLiteral("cmdYes"));
        });
        pressKeyButton(QStringLiteral("cmdKeyboardWithDisplay"));
        QCOMPARE(w->key.intKeyFrom, frmKeyFrom::FromKeyboard);
    }

    // "Do it!" and the run to its end; the report's text.
    QString doIt(int files, const QString& done) {
        QVERIFY_RESULT(click(w.get(), QStringLiteral("cmdDoIt")));
        frmReport& report = w->reportWindow();
        QVERIFY_RESULT(QTest::qWaitFor([&report] { return !report.isRunning(); }, 60000));
        const QString text = report.txbText->text();
        if (!text.contains(QStringLiteral("Number of files %1: %2").arg(done).arg(files)))
            qWarning("%s", qPrintable(text));
        return text;
    }

    // Every original file has its cipher file (name with `extension`) in `folder`, which decrypts to it.
    void checkCipherFiles(const QString& folder, const QString& extension, const QByteArray& key) {
        for (auto it = m_originals.cbegin(); it != m_originals.cend(); ++it) {
            const QString cipher = folder + QFileInfo(it.key()).completeBaseName() + QLatin1Char('.') + extension;
            QVERIFY2(QFileInfo::exists(cipher), qPrintable(cipher));
            QVERIFY(TestSupport::readFile(cipher).startsWith("ZQ4E"));
            bool ok = false;
            QCOMPARE(decryptWith(key, cipher, path(QStringLiteral("scratch")), ok), it.value());
            QVERIFY2(ok, qPrintable(cipher));
        }
    }
    void checkNoUnexpectedWindows() {
        QVERIFY2(r->unexpected.isEmpty(), qPrintable(r->unexpected.join(QLatin1Char('\n'))));
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
        QCOMPARE(label(QStringLiteral("lblFunction")), QStringLiteral("Encryption"));
    }
    void cleanup() {
        checkNoUnexpectedWindows();
        w->close();
        w.reset();
        r.reset();
    }

    void folderEncryptedToNewFilesThenDecryptedInPlace() {
        Watchdog dog(90);
        const QString plain = plainFolder();
        const QString cipherFolder = emptyFolder(QStringLiteral("cipher"));
        setUpFiles(plain, QString(), cipherFolder, QStringLiteral("enc"));
        const QString typed = QStringLiteral("Correct horse, battery staple 42");
        typeKeyWithDisplay(typed);
        const QByteArray key = engineKey(typed.toLatin1());

        const QString report = doIt(int(m_originals.size()), QStringLiteral("encrypted"));
        QVERIFY2(report.contains(QStringLiteral("Number of files encrypted: 4")), qPrintable(report));
        for (const QString& name : m_originals.keys())
            QVERIFY2(report.contains(name), qPrintable(name));
        checkCipherFiles(cipherFolder, QStringLiteral("enc"), key);
        // The originals are untouched, and a wrong key opens nothing.
        for (auto it = m_originals.cbegin(); it != m_originals.cend(); ++it)
            QCOMPARE(TestSupport::readFile(plain + it.key()), it.value());
        bool ok = true;
        QVERIFY(
            decryptWith(engineKey("Correct horse, battery staple 43"), cipherFolder + "alpha.enc", path("scratch"), ok)
                .isEmpty());
        QVERIFY(!ok);

        // Now the other way, in place, with the key typed again.
        w->reportWindow().close();
        QVERIFY(click(w.get(), QStringLiteral("cmdFunction")));
        QCOMPARE(label(QStringLiteral("lblFunction")), QStringLiteral("Decryption"));
        setUpFiles(cipherFolder, QStringLiteral("enc"), QString(), QString());
        typeKeyWithDisplay(typed.toLower());
        const QString back = doIt(int(m_originals.size()), QStringLiteral("decrypted"));
        QVERIFY2(back.contains(QStringLiteral("Number of files decrypted: 4")), qPrintable(back));
        for (auto it = m_originals.cbegin(); it != m_originals.cend(); ++it)
            QCOMPARE(TestSupport::readFile(cipherFolder + QFileInfo(it.key()).completeBaseName() + ".enc"), it.value());
        QCOMPARE(QDir(cipherFolder).entryList(QDir::Files | QDir::Hidden).size(), m_originals.size());
        QVERIFY(!dog.fired);
    }

    void keyInEachWay_data() {
        QTest::addColumn<QString>("way");
        QTest::newRow("typed with display") << "display";
        QTest::newRow("typed without display, inspected") << "hidden";
        QTest::newRow("keyfile") << "keyfile";
        QTest::newRow("new random keyfile") << "random";
    }
    void keyInEachWay() {
        QFETCH(QString, way);
        Watchdog dog(90);
        const QString plain = plainFolder();
        const QString cipherFolder = emptyFolder(QStringLiteral("out"));
        setUpFiles(plain, QString(), cipherFolder, QStringLiteral("zq4"));
        const QString typed = QStringLiteral("  every key has its own lock  ");
        QByteArray given;
        if (way == QLatin1String("display")) {
            typeKeyWithDisplay(typed);
            given = typed.toLatin1();
        } else if (way == QLatin1String("hidden")) {
            r->on(QStringLiteral("frmKeyboardWithoutDisplay"), [typed](QWidget* d) {
                type(d, QStringLiteral("txbKey_0"), typed);
                type(d, QStringLiteral("txbKey_1"), typed);
                click(d, QStringLiteral("cmdOK"));
            });
            r->answer(QStringLiteral("Inspect the key?"), QMessageBox::Yes);
            r->on(QStringLiteral("frmInspectKey"), [](QWidget* d) {
                QVERIFY(!child<QLabel>(d, QStringLiteral("lblChecksumIs"))->text().isEmpty());
                click(d, QStringLiteral("optHexadecimal"));
                click(d, QStringLiteral("cmdYes"));
            });
            pressKeyButton(QStringLiteral("cmdKeyboardWithoutDisplay"));
            QCOMPARE(w->key.intKeyFrom, frmKeyFrom::FromKeyboard);
            given = typed.toLatin1();
        } else if (way == QLatin1String("keyfile")) {
            given = "A keyfile holding a text key of some length, 1234567890";
            const QString keyfile = path(QStringLiteral("keys/text.key"));
            TestSupport::writeFile(keyfile, given);
            FileDialog::setNextFileName(keyfile);
            r->answer(QStringLiteral("Inspect the key?"), QMessageBox::No);
            pressKeyButton(QStringLiteral("cmdKeyFile_0"));
            QCOMPARE(w->key.intKeyFrom, frmKeyFrom::FromKeyfile);
        } else {
            const QString keyfile = path(QStringLiteral("keys/new%1.key").arg(m_folders));
            QDir().mkpath(path(QStringLiteral("keys")));
            FileDialog::setNextFileName(keyfile);
            int ticks = 0;
            r->on(QStringLiteral("frmRandomKey"), [&ticks](QWidget* d) {
                auto* window = static_cast<frmRandomKey*>(d);
                QRandomGenerator& gen = *QRandomGenerator::global();
                // The mouse wanders over the window; each tick after a move adds a character.
                for (int i = 0; i < 1000 && window->isVisible(); ++i) {
                    QTest::mouseMove(window, QPoint(5 + int(gen.bounded(window->width() - 10)),
                                                    5 + int(gen.bounded(window->height() - 10))));
                    QCoreApplication::processEvents();
                    window->clockTick();
                    ++ticks;
                }
            });
            // A generated key that happens to look too regular is made again.
            r->answer(QStringLiteral("Attempt at creating random key unsuccessful"), QMessageBox::Retry);
            r->answer(QStringLiteral("Inspect the key?"), QMessageBox::Yes);
            r->answer(QStringLiteral("Be sure to remember the name of the keyfile!"), QMessageBox::Ok);
            r->on(QStringLiteral("frmInspectKey"), [](QWidget* d) { click(d, QStringLiteral("cmdYes")); });
            pressKeyButton(QStringLiteral("cmdKeyFile_1"));
            QCOMPARE(w->key.intKeyFrom, frmKeyFrom::FromKeyfile);
            QVERIFY(ticks >= 64);
            given = TestSupport::readFile(keyfile);
            QCOMPARE(given.size(), 64);
            for (const char c : given)
                QVERIFY(static_cast<unsigned char>(c) >= 33);
        }
        QVERIFY(label(QStringLiteral("lblKeyFrom")) != Language2::ProgramText(7));

        const QString report = doIt(int(m_originals.size()), QStringLiteral("encrypted"));
        QVERIFY2(report.contains(QStringLiteral("Number of files encrypted: 4")), qPrintable(report));
        checkCipherFiles(cipherFolder, QStringLiteral("zq4"), engineKey(given));
        QVERIFY(!dog.fired);
    }

    // A run owns the key it started with: the key panel and the setup files are refused while it goes on, and
    // even a key erased or replaced behind the window's back changes nothing for the files still to come.
    void runKeepsItsKeyWhateverHappensMeanwhile() {
        Watchdog dog(120);
        const QString plain = emptyFolder(QStringLiteral("many"));
        m_originals.clear();
        for (int i = 0; i < 40; ++i) {
            const QString name = QStringLiteral("f%1.bin").arg(i, 2, 10, QLatin1Char('0'));
            m_originals[name] = TestSupport::pseudoRandomBytes(1 << 20, quint32(300 + i));
            TestSupport::writeFile(plain + name, m_originals[name]);
        }
        const QString cipherFolder = emptyFolder(QStringLiteral("sealed"));
        setUpFiles(plain, QStringLiteral("bin"), cipherFolder, QStringLiteral("enc"));
        const QString typed = QStringLiteral("The key this run started with");
        typeKeyWithDisplay(typed);

        r->answer(QStringLiteral("An operation is in progress."), QMessageBox::Ok);
        frmReport& report = w->reportWindow();
        bool meddled = false;
        QTimer meddler;
        connect(&meddler, &QTimer::timeout, this, [&] {
            if (meddled || !report.isRunning() || report.intFilesAttempted < 3)
                return;
            meddled = true;
            QVERIFY(click(w.get(), QStringLiteral("cmdKeyFrom")));     // erase or type: refused
            QVERIFY(!child(w.get(), QStringLiteral("picKeyFrom"))->isVisible());
            QVERIFY(click(w.get(), QStringLiteral("cmdSetup")));
            QVERIFY(click(w.get(), QStringLiteral("cmdLoadSetup")));   // load: refused
            QVERIFY(click(w.get(), QStringLiteral("cmdClearSetup")));  // clear: refused
            QVERIFY(click(w.get(), QStringLiteral("cmdKeepSetup")));
            w->EraseKeyMaterial();
            KeyMaterial::replace(w->key.strKey, engineKey("Some other key, typed meanwhile"));
        });
        meddler.start(5);
        const QString text = doIt(int(m_originals.size()), QStringLiteral("encrypted"));
        QVERIFY(meddled);
        QCOMPARE(r->shown.count(QStringLiteral("An operation is in progress.  The key and the setup cannot be changed "
                                               "until it has ended or has been stopped.")),
                 3);
        QVERIFY2(text.contains(QStringLiteral("Number of files encrypted: 40")), qPrintable(text));
        checkCipherFiles(cipherFolder, QStringLiteral("enc"), engineKey(typed.toLatin1()));
        QVERIFY(!dog.fired);
    }
};

QTEST_MAIN(E2eOperations)
#include "e2e_operations.moc"
