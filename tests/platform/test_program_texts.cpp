#include "platform/filekit/ProgramTextParser.h"
#include "platform/filekit/ProgramTexts.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QtTest>

using namespace filekit;

class TestProgramTexts : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

    static QString text(const ProgramTextTable& table, int number, int language) {
        return table.value(number)[size_t(language)];
    }

private slots:
    void formatFeatures() {
        ProgramTextTable table;
        const QByteArray file = "\xEF\xBB\xBF" // byte order mark
                                "# comment\r\n"
                                "   # indented comment\n"
                                " 12 | lead and trail |x\r\n"
                                "13|a\\|b\\\\c\\nd\\te\\r\\q\\\n"
                                "14|ü€𝄞|\n"
                                "15|e|g|2|3|4|5"; // no newline at the end
        QCOMPARE(parseProgramTexts(file, table), 4);
        QCOMPARE(text(table, 12, 0), QStringLiteral(" lead and trail "));
        QCOMPARE(text(table, 12, 1), QStringLiteral("x"));
        QCOMPARE(text(table, 13, 0), QStringLiteral("a|b\\c\nd\te\r\\q\\"));
        QCOMPARE(text(table, 14, 0), QStringLiteral("ü€𝄞"));
        QCOMPARE(text(table, 15, 5), QStringLiteral("5"));
    }

    void limitsAreInclusive() {
        ProgramTextTable table;
        QCOMPARE(parseProgramTexts("1|" + QByteArray(kMaxTextLength, 'x'), table), 1);
        QCOMPARE(parseProgramTexts("1|" + QByteArray(kMaxTextLength - 1, 'x') + "\\|", table), 1);
        QCOMPARE(parseProgramTexts("1|" + QByteArray(kMaxTextLength, 'x') + "\\|", table), TextLoad::TooLongBase - 1);
        QByteArray lines = "# " + QByteArray(100, 'c') + "\n";
        for (int i = 2; i <= kMaxLines; ++i)
            lines += QByteArray::number(i) + "|t\n";
        QCOMPARE(parseProgramTexts(lines, table), kMaxLines - 1);
        QCOMPARE(parseProgramTexts(lines + "\n", table), TextLoad::TooMuchText);
        QCOMPARE(parseProgramTexts(QByteArray(kMaxFileBytes + 1, '#'), table), TextLoad::TooMuchText);
        QCOMPARE(parseProgramTexts("2147483647|big\n2147483648|bigger\n", table), TextLoad::BadNumber);
        QVERIFY(table.isEmpty());
    }

    void storeServesLookups() {
        const QString path = QDir(m_dir.path()).filePath("t.dat");
        QVERIFY(TestSupport::writeFile(path, "5|Five|Fünf\n6|Six\n"));
        QCOMPARE(lt(path, 0), 2);
        QString buffer = QStringLiteral("stale");
        QCOMPARE(gt(5, 1, buffer, 1024, 0), 4);
        QCOMPARE(buffer, QStringLiteral("Fünf"));
        QCOMPARE(gt(6, 1, buffer, 1024, 1), 3); // German falls back to English
        QCOMPARE(buffer, QStringLiteral("Six"));
        QCOMPARE(gt(5, 0, buffer, 2, 0), 2);
        QCOMPARE(buffer, QStringLiteral("Fi"));
        QCOMPARE(gt(99, 0, buffer, 1024, 0), 0);
        QVERIFY(buffer.isEmpty());
        QCOMPARE(gt(5, -1, buffer, 1024, 0), 0);

        // A failed reload does not leave the old texts in place.
        QCOMPARE(lt(path + ".missing", 0), TextLoad::CannotOpen);
        QCOMPARE(gt(5, 0, buffer, 1024, 0), 0);
        QCOMPARE(lt(QString(), 0), TextLoad::CannotOpen);
    }

    void devicesAreBoundedByTheSizeLimit() {
        if (!QFile::exists("/dev/zero"))
            QSKIP("no /dev/zero");
        QCOMPARE(lt(QStringLiteral("/dev/zero"), 0), TextLoad::TooMuchText);
    }
};

QTEST_GUILESS_MAIN(TestProgramTexts)
#include "test_program_texts.moc"
