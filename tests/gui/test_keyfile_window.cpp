#include "key/frmKeyFrom.h"
#include "key/gui/KeyOperations.h"
#include "key/gui/KeyPanel.h"
#include "key/gui/frmInspectKey.h"
#include "key/gui/frmRandomKey.h"
#include "platform/filekit/Language2.h"
#include "platform/os/FileDialog.h"
#include "platform/os/MessageBox.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMainWindow>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <QtTest>

namespace {
// Stands in for the user while a keyfile operation runs: moves the mouse over the random key window one
// tick at a time, and answers the inspection window.
class User : public QObject {
public:
    bool useInspectedKey = true;
    int randomWindowsSeen = 0;
    int inspectionsSeen = 0;
    QString inspectedSource;
    QString inspectedKeyFile;

    User() {
        m_timer.setInterval(0);
        connect(&m_timer, &QTimer::timeout, this, &User::act);
        m_timer.start();
    }

private:
    void act() {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* random = qobject_cast<frmRandomKey*>(modal)) {
            if (m_step == 0)
                ++randomWindowsSeen;
            ++m_step;
            const QPointF at(10 + (m_step * 37) % 380, 10 + (m_step * 53) % 180);
            QMouseEvent move(QEvent::MouseMove, at, random->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                             Qt::NoModifier);
            QApplication::sendEvent(random, &move);
            random->clockTick();
            if (!random->isVisible())
                m_step = 0;
        } else if (auto* inspect = qobject_cast<frmInspectKey*>(modal)) {
            ++inspectionsSeen;
            inspectedSource = inspect->lbl64Byte->text();
            inspectedKeyFile = inspect->lblKeyFile->text();
            (useInspectedKey ? inspect->cmdYes : inspect->cmdNo)->click();
        }
    }

    QTimer m_timer;
    int m_step = 0;
};
} // namespace

class TestKeyfileWindow : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void readsKeyfile_data();
    void readsKeyfile();
    void unsuitableKeyfile_data();
    void unsuitableKeyfile();
    void onlyTheFirst64BytesCount();
    void textKeyfileMatchesTypedKey();
    void missingKeyfileAnsweredYesCreatesOne();
    void newKeyfileWrittenOnlyOnceAccepted_data();
    void newKeyfileWrittenOnlyOnceAccepted();
    void cancelledQuestionsKeepThePreviousKey_data();
    void cancelledQuestionsKeepThePreviousKey();
    void unwritableNewKeyfileLeavesNoKey();
    void stillMouseAddsNothing();

private:
    // Answers "Inspect the key?" with inspect, every other question with its first button, "Retry" included.
    void answerInspectWith(MessageBox::Button inspect);
    QString path(const QString& name) const { return QDir(m_home.path()).filePath(name); }
    // Runs the keyfile operation from the panel, so the key label shows the outcome.
    void keyFileFromPanel(int index, const QString& chosen);
    int count(const QString& text) const;

    QTemporaryDir m_home;
    QMainWindow* m_main = nullptr;
    QLabel* m_lblKeyFrom = nullptr;
    frmKeyFrom m_key;
    KeyOperations* m_operations = nullptr;
    KeyPanel* m_panel = nullptr;
};

void TestKeyfileWindow::initTestCase() {
    TestSupport::prepareEnvironment(m_home);
    QVERIFY(Language2::ReadProgramText(QStringLiteral("zq4_text.dat")) >= 1);
    m_main = new QMainWindow;
    auto* central = new QWidget(m_main);
    auto* layout = new QVBoxLayout(central);
    m_lblKeyFrom = new QLabel(central);
    layout->addWidget(m_lblKeyFrom);
    m_operations = new KeyOperations(m_key, m_main);
    m_panel = new KeyPanel(*m_operations, central);
    layout->addWidget(m_panel);
    m_panel->attach({m_lblKeyFrom, nullptr, nullptr, nullptr});
    m_main->setCentralWidget(central);
    m_main->setGeometry(50, 50, 700, 500);
    m_main->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_main));
}

void TestKeyfileWindow::cleanupTestCase() {
    MessageBox::setPresenter({});
    delete m_main;
}

void TestKeyfileWindow::init() {
    MessageBox::reset();
    FileDialog::reset();
    answerInspectWith(MessageBox::No);
}

void TestKeyfileWindow::answerInspectWith(MessageBox::Button inspect) {
    MessageBox::setPresenter([inspect](const MessageBox::Shown& shown) {
        if (shown.text == QLatin1String("Inspect the key?"))
            return inspect;
        for (int b = MessageBox::Ok; b <= MessageBox::Ignore; b <<= 1)
            if (shown.buttons & b)
                return static_cast<MessageBox::Button>(b);
        return MessageBox::Ok;
    });
}

void TestKeyfileWindow::keyFileFromPanel(int index, const QString& chosen) {
    FileDialog::setNextFileName(chosen);
    m_panel->open(true);
    m_panel->cmdKeyFile[index]->click();
}

int TestKeyfileWindow::count(const QString& text) const {
    int n = 0;
    for (const MessageBox::Shown& shown : MessageBox::history())
        n += shown.text == text ? 1 : 0;
    return n;
}

void TestKeyfileWindow::readsKeyfile_data() {
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<QByteArray>("candidate");
    QTest::addColumn<QByteArray>("reduced");
    QTest::newRow("16 printable bytes") << QByteArray("0123456789abcdef")
                                        << QByteArray("0123456789abcdef") + QByteArray(48, '\0')
                                        << QByteArray("0123456789ABCDEF");
    QTest::newRow("20 bytes, zeros after them stay")
        << QByteArray("key-of-twenty-bytes!") << QByteArray("key-of-twenty-bytes!") + QByteArray(44, '\0')
        << QByteArray("KEY-OF-TWENTY-BYTES!");
    QTest::newRow("embedded zero at position 2")
        << QByteArray("a\0cdefghijklmnopq", 17) << QByteArray("a~cdefghijklmnopq") + QByteArray(47, '\0')
        << QByteArray("A~CDEFGHIJKLMNOPQ");
    QTest::newRow("leading zeros become 128 - i") << QByteArray(48, '\0') + "0123456789abcdef" << [] {
        QByteArray expected;
        for (int i = 1; i <= 48; ++i)
            expected.append(static_cast<char>(128 - i));
        return expected + "0123456789abcdef";
    }() << QByteArray();
}

void TestKeyfileWindow::readsKeyfile() {
    QFETCH(QByteArray, contents);
    QFETCH(QByteArray, candidate);
    QFETCH(QByteArray, reduced);
    const QString file = path(QStringLiteral("read.key"));
    QVERIFY(TestSupport::writeFile(file, contents));
    keyFileFromPanel(0, file);
    QCOMPARE(FileDialog::last().title, QStringLiteral("Get encryption key from keyfile"));
    QCOMPARE(MessageBox::last().text, QStringLiteral("Inspect the key?"));
    QCOMPARE(MessageBox::last().title, file);
    QCOMPARE(m_key.strNewKey, candidate);
    QCOMPARE(m_key.intKeyFrom, frmKeyFrom::FromKeyfile);
    QCOMPARE(m_key.strKeyFile, file);
    QVERIFY(!m_key.blnCancel);
    QVERIFY(!m_key.blnNewRandomKeyFileCreated);
    frmKeyFrom other;
    const QByteArray expectedKey = other.ReducedKey(candidate);
    if (!reduced.isEmpty())
        QCOMPARE(expectedKey, reduced);
    QCOMPARE(m_key.strKey, expectedKey);
    QCOMPARE(m_key.intKeyChecksum, other.KeyChecksum(expectedKey));
    QVERIFY(m_lblKeyFrom->text().endsWith(QStringLiteral(", checksum = %1)").arg(m_key.intKeyChecksum)));
    QCOMPARE(TestSupport::readFile(file), contents); // read, never written
}

void TestKeyfileWindow::unsuitableKeyfile_data() {
    QTest::addColumn<QByteArray>("contents");
    QTest::newRow("15 printable bytes") << QByteArray("0123456789abcde");
    QTest::newRow("64 spaces") << QByteArray(64, ' ');
    QTest::newRow("empty file") << QByteArray();
    QTest::newRow("15 significant among blanks and line breaks") << QByteArray("01234 56789\r\nabcde\t\t");
}

void TestKeyfileWindow::unsuitableKeyfile() {
    QFETCH(QByteArray, contents);
    const QString file = path(QStringLiteral("unsuitable.key"));
    QVERIFY(TestSupport::writeFile(file, contents));
    keyFileFromPanel(0, file);
    QCOMPARE(MessageBox::history().size(), 1);
    QCOMPARE(MessageBox::last().text, file + QStringLiteral(" is not a suitable keyfile."));
    QCOMPARE(MessageBox::last().title, QStringLiteral("Unsuitable keyfile"));
    QCOMPARE(MessageBox::last().buttons, MessageBox::Ok);
    QCOMPARE(m_key.intKeyFrom, frmKeyFrom::NoKey);
    QCOMPARE(m_lblKeyFrom->text(), Language2::ProgramText(7));
}

void TestKeyfileWindow::onlyTheFirst64BytesCount() {
    const QByteArray contents = TestSupport::pseudoRandomBytes(100, 7);
    const QString whole = path(QStringLiteral("hundred.key"));
    const QString first = path(QStringLiteral("first64.key"));
    QVERIFY(TestSupport::writeFile(whole, contents));
    QVERIFY(TestSupport::writeFile(first, contents.left(64)));
    keyFileFromPanel(0, whole);
    const QByteArray key = m_key.strKey;
    const QString caption = m_lblKeyFrom->text();
    QCOMPARE(m_key.intKeyFrom, frmKeyFrom::FromKeyfile);
    keyFileFromPanel(0, first);
    QCOMPARE(m_key.strKey, key);
    QCOMPARE(m_lblKeyFrom->text(), caption);
}

void TestKeyfileWindow::textKeyfileMatchesTypedKey() {
    const QString file = path(QStringLiteral("text.key"));
    QVERIFY(TestSupport::writeFile(file, "correct horse\r\nbattery staple\r\n"));
    answerInspectWith(MessageBox::Yes);
    User user;
    keyFileFromPanel(0, file);
    QCOMPARE(user.inspectionsSeen, 1);
    QCOMPARE(user.inspectedSource, QStringLiteral("Text key from file"));
    QCOMPARE(user.inspectedKeyFile, file);
    QVERIFY(m_key.blnKeyIsText);
    QCOMPARE(m_key.strKey, QByteArray("CORRECTHORSEBATTERYSTAPLE"));
    frmKeyFrom typed;
    QCOMPARE(m_key.intKeyChecksum, typed.KeyChecksum(typed.ReducedKey("correct horse battery staple")));
    QVERIFY(m_lblKeyFrom->text().contains(QStringLiteral("(text key in keyfile, checksum = ")));
    // An existing keyfile is no new one: no reminder of its name.
    QCOMPARE(count(QStringLiteral("Be sure to remember the name of the keyfile!")), 0);
}

void TestKeyfileWindow::missingKeyfileAnsweredYesCreatesOne() {
    const QString file = path(QStringLiteral("missing.key"));
    QVERIFY(!QFileInfo::exists(file));
    User user;
    keyFileFromPanel(0, file);
    QCOMPARE(MessageBox::history().first().text,
             QStringLiteral("Do you wish to create ") + file + QStringLiteral(" as a new random keyfile?"));
    QCOMPARE(MessageBox::history().first().title, QStringLiteral("Keyfile does not exist."));
    QVERIFY(user.randomWindowsSeen >= 1);
    QCOMPARE(user.randomWindowsSeen,
             1 + count(QStringLiteral("Attempt at creating random key unsuccessful.  Please repeat.")));
    QCOMPARE(m_key.intKeyFrom, frmKeyFrom::FromKeyfile);
    QVERIFY(m_key.blnNewRandomKeyFileCreated);
    QVERIFY(m_key.blnKeyIsRandom);
    QCOMPARE(m_key.strNewKey.size(), 64);
    QCOMPARE(TestSupport::readFile(file), m_key.strNewKey);
    QCOMPARE(m_key.strKey, m_key.ReducedKey(m_key.strNewKey));
    QVERIFY(m_lblKeyFrom->text().contains(QStringLiteral("(new random key in keyfile, checksum = ")));
}

void TestKeyfileWindow::newKeyfileWrittenOnlyOnceAccepted_data() {
    QTest::addColumn<bool>("use");
    QTest::newRow("accepted after inspection") << true;
    QTest::newRow("declined after inspection") << false;
}

void TestKeyfileWindow::newKeyfileWrittenOnlyOnceAccepted() {
    QFETCH(bool, use);
    const QString file = path(use ? QStringLiteral("accepted.key") : QStringLiteral("declined.key"));
    answerInspectWith(MessageBox::Yes);
    User user;
    user.useInspectedKey = use;
    keyFileFromPanel(1, file);
    QCOMPARE(FileDialog::last().title, QStringLiteral("Specify new keyfile"));
    QCOMPARE(user.inspectionsSeen, 1);
    QCOMPARE(user.inspectedSource, QStringLiteral("New random key in file"));
    QCOMPARE(count(QStringLiteral("Be sure to remember the name of the keyfile!")), use ? 1 : 0);
    QCOMPARE(QFileInfo::exists(file), use);
    QCOMPARE(m_key.blnNewRandomKeyFileCreated, use);
    if (use) {
        const QByteArray written = TestSupport::readFile(file);
        QCOMPARE(written.size(), 64);
        QCOMPARE(written, m_key.strNewKey);
        for (const char c : written)
            QVERIFY(static_cast<unsigned char>(c) >= 33);
        QCOMPARE(m_key.intKeyFrom, frmKeyFrom::FromKeyfile);
    } else {
        QCOMPARE(m_key.intKeyFrom, frmKeyFrom::NoKey);
        QCOMPARE(m_lblKeyFrom->text(), Language2::ProgramText(7));
    }
    // The random key window keeps nothing of the key once it is handed over.
    QVERIFY(m_operations->randomKey().strRandomKey.isEmpty());
}

void TestKeyfileWindow::cancelledQuestionsKeepThePreviousKey_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("exists");
    QTest::addColumn<QString>("question");
    QTest::newRow("dialog cancelled") << 0 << false << QString();
    QTest::newRow("missing keyfile, No") << 0 << false << QStringLiteral("Keyfile does not exist.");
    QTest::newRow("overwrite existing, No") << 1 << true << QStringLiteral("File exists already.");
}

void TestKeyfileWindow::cancelledQuestionsKeepThePreviousKey() {
    QFETCH(int, index);
    QFETCH(bool, exists);
    QFETCH(QString, question);
    const QString previous = path(QStringLiteral("previous.key"));
    QVERIFY(TestSupport::writeFile(previous, "a previous key of some length"));
    keyFileFromPanel(0, previous);
    const QString caption = m_lblKeyFrom->text();
    const QByteArray key = m_key.strKey;
    MessageBox::reset();

    const QString file = path(QStringLiteral("other.key"));
    QFile::remove(file);
    if (exists)
        QVERIFY(TestSupport::writeFile(file, "keep me as I am, please"));
    MessageBox::setNextAnswer(MessageBox::No);
    keyFileFromPanel(index, question.isEmpty() ? QString() : file);
    if (question.isEmpty()) {
        QVERIFY(MessageBox::history().isEmpty());
        MessageBox::reset();
    } else {
        QCOMPARE(MessageBox::last().title, question);
        QCOMPARE(MessageBox::history().size(), 1);
    }
    QVERIFY(m_key.blnCancel);
    QCOMPARE(m_lblKeyFrom->text(), caption);
    QCOMPARE(m_key.strKey, key);
    QCOMPARE(m_key.intKeyFrom, frmKeyFrom::FromKeyfile);
    if (exists)
        QCOMPARE(TestSupport::readFile(file), QByteArray("keep me as I am, please"));
    else
        QVERIFY(!QFileInfo::exists(file));
}

void TestKeyfileWindow::unwritableNewKeyfileLeavesNoKey() {
    const QString file = path(QStringLiteral("no/such/folder/new.key"));
    User user;
    keyFileFromPanel(1, file);
    QCOMPARE(MessageBox::last().title, QStringLiteral("Keyfile error"));
    QCOMPARE(MessageBox::last().icon, MessageBox::Critical);
    QVERIFY(!MessageBox::last().text.isEmpty());
    QCOMPARE(m_key.intKeyFrom, frmKeyFrom::NoKey);
    QVERIFY(!m_key.blnNewRandomKeyFileCreated);
    QVERIFY(!QFileInfo::exists(file));
    QCOMPARE(m_lblKeyFrom->text(), Language2::ProgramText(7));
}

void TestKeyfileWindow::stillMouseAddsNothing() {
    frmRandomKey& window = m_operations->randomKey();
    QTimer::singleShot(0, [&] {
        QCOMPARE(window.lblProgressBar->text(), QString(63, QLatin1Char('_')));
        QVERIFY(window.Clock->isActive());
        QCOMPARE(window.Clock->interval(), 250);
        for (int i = 0; i < 5; ++i)
            window.clockTick();
        QVERIFY(window.strRandomKey.isEmpty());
        const QPointF at(100, 50);
        QMouseEvent move(QEvent::MouseMove, at, window.mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(&window, &move);
        window.clockTick();
        window.clockTick(); // the mouse has not moved since the last character
        QCOMPARE(window.strRandomKey.size(), 1);
        QCOMPARE(window.lblProgressBar->text(), QChar(0x2588) + QString(62, QLatin1Char('_')));
        window.reject();
    });
    window.exec();
    QVERIFY(!window.isComplete());
    QVERIFY(!window.Clock->isActive());
}

QTEST_MAIN(TestKeyfileWindow)
#include "test_keyfile_window.moc"
