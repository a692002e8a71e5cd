#include "platform/filekit/Language2.h"
#include "platform/os/MessageBox.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QUrl>
#include <QtTest>

class TestLanguage2 : public QObject {
    Q_OBJECT
    QTemporaryDir m_home;
    QTemporaryDir m_dir;

    QString writeTexts(const QString& name, const QByteArray& bytes) {
        const QString path = QDir(m_dir.path()).filePath(name);
        TestSupport::writeFile(path, bytes);
        return path;
    }

private slots:
    void initTestCase() { TestSupport::prepareEnvironment(m_home); }
    void init() {
        MessageBox::reset();
        Language2::intLanguage = 0;
    }

    void malformedFilesGiveTheirLoadMessage_data() {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QString>("message");
        QByteArray tooManyLines;
        for (int i = 1; i <= 501; ++i)
            tooManyLines += QByteArray::number(i) + "|text\n";
        QTest::newRow("empty") << QByteArray() << "File is empty.";
        QTest::newRow("only comments") << QByteArray("# nothing here\n\n   \n") << "No program text was read.";
        QTest::newRow("number without text") << QByteArray("1|A\n2\n") << "Missing string at line 2.";
        QTest::newRow("empty English") << QByteArray("1|A\n\n3||Deutsch\n") << "Missing string at line 3.";
        QTest::newRow("too long") << QByteArray("1|A\r\n2|" + QByteArray(1025, 'x') + "\r\n")
                                  << "String too long at line 2.";
        QTest::newRow("German too long") << QByteArray("1|A|" + QByteArray(1025, 'x') + "\n")
                                         << "String too long at line 1.";
        QTest::newRow("duplicate") << QByteArray("1|A\n# c\n12|B\n01|C\n") << "Duplicate in program text at line 4.";
        QTest::newRow("not a number") << QByteArray("1|A\nx|B\n") << "Error -5";
        QTest::newRow("number zero") << QByteArray("0|A\n") << "Error -5";
        QTest::newRow("too many languages") << QByteArray("1|a|b|c|d|e|f|g\n") << "Error -9";
        QTest::newRow("not UTF-8") << QByteArray("1|Gr\xfc\xdf\n") << "Text not recovered.";
        QTest::newRow("too many lines") << tooManyLines << "Too much program text.";
    }
    void malformedFilesGiveTheirLoadMessage() {
        QFETCH(QByteArray, contents);
        QFETCH(QString, message);
        writeTexts(QStringLiteral("texts.dat"), contents);
        QVERIFY(Language2::ReadProgramText(QStringLiteral("texts.dat"), m_dir.path()) < 1);
        QCOMPARE(MessageBox::history().size(), 1);
        QCOMPARE(MessageBox::last().text, message);
        QCOMPARE(MessageBox::last().title, QString());
        QCOMPARE(MessageBox::last().icon, MessageBox::Critical);
        QVERIFY(Language2::ProgramText(1).isEmpty()); // a failed load leaves no texts behind
    }

    void missingFileNamesThePathOnTheNextLine() {
        const QString folder = m_dir.path() + QLatin1Char('/');
        QCOMPARE(Language2::ReadProgramText(QStringLiteral("absent.dat"), folder), -1);
        QCOMPARE(MessageBox::last().text,
                 QStringLiteral("Cannot open file containing program text.\r\n") + m_dir.path() + "/absent.dat");
        QCOMPARE(MessageBox::last().icon, MessageBox::Critical);
    }

    void folderInPlaceOfTheFileCannotBeRead() {
        QDir(m_dir.path()).mkpath(QStringLiteral("folder.dat"));
        QCOMPARE(Language2::ReadProgramText(QStringLiteral("folder.dat"), m_dir.path()), -7);
        QCOMPARE(MessageBox::last().text, QStringLiteral("Error reading file."));
    }

    void pathJoinsFolderAndNameWithOneSlash() {
        QCOMPARE(Language2::ProgramTextPath("/", "zq4_text.dat"), QStringLiteral("/zq4_text.dat"));
        QCOMPARE(Language2::ProgramTextPath("/opt/zq4", "zq4_text.dat"), QStringLiteral("/opt/zq4/zq4_text.dat"));
        QCOMPARE(Language2::ProgramTextPath("/opt/zq4/", "zq4_text.dat"), QStringLiteral("/opt/zq4/zq4_text.dat"));
    }

    void messagesOfCodesWithoutAFileOfTheirOwn_data() {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        QTest::newRow("-2") << -2 << "Particular memory allocation error.";
        QTest::newRow("-8") << -8 << "General memory allocation error.";
        QTest::newRow("-5") << -5 << "Error -5";
        QTest::newRow("-500") << -500 << "Error -500";
        QTest::newRow("-501") << -501 << "Missing string at line 1.";
        QTest::newRow("-1000") << -1000 << "Missing string at line 500.";
        QTest::newRow("-1001") << -1001 << "String too long at line 1.";
        QTest::newRow("-1500") << -1500 << "String too long at line 500.";
        QTest::newRow("-1512") << -1512 << "Duplicate in program text at line 12.";
    }
    void messagesOfCodesWithoutAFileOfTheirOwn() {
        QFETCH(int, code);
        QFETCH(QString, message);
        QCOMPARE(Language2::LoadMessage(code, QString()), message);
    }

    void lookupsFollowTheLanguage() {
        writeTexts(QStringLiteral("good.dat"), "7|Not specified|Nicht angegeben\n8|Only English\n9|A\\|B|\n");
        QCOMPARE(Language2::ReadProgramText(QStringLiteral("good.dat"), m_dir.path()), 3);
        QVERIFY(MessageBox::history().isEmpty());
        QCOMPARE(Language2::ProgramText(7), QStringLiteral("Not specified"));
        Language2::intLanguage = 1;
        QCOMPARE(Language2::ProgramText(7), QStringLiteral("Nicht angegeben"));
        QCOMPARE(Language2::ProgramText(8), QStringLiteral("Only English"));
        QCOMPARE(Language2::ProgramText(9), QStringLiteral("A|B"));
        QCOMPARE(Language2::ProgramText(6), QString());
        QCOMPARE(Language2::ProgramText(-7), QString());
        Language2::intLanguage = 6;
        QCOMPARE(Language2::ProgramText(7), QString());
    }

    // The file shipped beside the program carries every text the program looks up, in both languages.
    void shippedTextsAreComplete() {
        QVERIFY(Language2::ReadProgramText(QStringLiteral("zq4_text.dat")) >= 6);
        QVERIFY(MessageBox::history().isEmpty());
        for (int language : {0, 1}) {
            Language2::intLanguage = language;
            for (int number : {1, 5, 6, 7, 26, 310})
                QVERIFY2(!Language2::ProgramText(number).isEmpty(), qPrintable(QString::number(number)));
        }
        Language2::intLanguage = 0;
        QCOMPARE(Language2::ProgramText(1), QStringLiteral("ZQ4"));
        QCOMPARE(Language2::ProgramText(7), QStringLiteral("Not specified"));
        QVERIFY(QUrl(Language2::ProgramText(26)).isRelative());
    }
};

QTEST_GUILESS_MAIN(TestLanguage2)
#include "test_language2.moc"
