#include "files/FileProc.h"
#include "files/StrProc.h"
#include "platform/os/NativeName.h"

#include <QtTest>

using namespace FileProc;
using namespace StrProc;

class TestFileNames : public QObject {
    Q_OBJECT
private slots:
    void wildcardMatch_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<bool>("caseSensitive");
        QTest::addColumn<bool>("expected");
        // clang-format off
        QTest::newRow("equal") << "abc" << "abc" << false << true;
        QTest::newRow("case ignored") << "REPORT" << "r*" << false << true;
        QTest::newRow("case kept") << "REPORT" << "r*" << true << false;
        QTest::newRow("empty pattern takes any text") << "abc" << "" << false << true;
        QTest::newRow("empty text, asterisks") << "" << "***" << false << true;
        QTest::newRow("empty text, question mark") << "" << "*?" << false << false;
        QTest::newRow("empty text, literal") << "" << "a" << false << false;
        QTest::newRow("question takes one") << "abc" << "a?c" << false << true;
        QTest::newRow("question needs one") << "ab" << "ab?" << false << false;
        QTest::newRow("text longer than pattern") << "abcd" << "abc" << false << false;
        QTest::newRow("trailing asterisk") << "abcd" << "ab*" << false << true;
        QTest::newRow("asterisk then literal") << "xyzb" << "*b" << false << true;
        // clang-format on
        // No backtracking: the asterisk stops at the first occurrence of the next literal.
        // clang-format off
        QTest::newRow("banana vs *na") << "banana" << "*na" << false << false;
        QTest::newRow("bana vs *na") << "bana" << "*na" << false << true;
        QTest::newRow("banana vs *a") << "banana" << "*a" << false << false;
        QTest::newRow("ab vs *?b") << "ab" << "*?b" << false << false;
        QTest::newRow("axb vs *?b") << "axb" << "*?b" << false << false;
        QTest::newRow("abab vs a*b") << "abab" << "a*b" << false << false;
        QTest::newRow("ab vs a*b") << "ab" << "a*b" << false << true;
        QTest::newRow("literal missing") << "abc" << "*z" << false << false;
        QTest::newRow("only wildcards") << "abc" << "*?*" << false << true;
        QTest::newRow("non-Latin case") << QString::fromUtf8("ÄRGER") << QString::fromUtf8("ä*") << false << true;
        QTest::newRow("question takes a whole character")
            << QString::fromUtf8("a\U0001F600b") << "a?b" << false << true;
        // clang-format on
    }
    void wildcardMatch() {
        QFETCH(QString, text);
        QFETCH(QString, pattern);
        QFETCH(bool, caseSensitive);
        QFETCH(bool, expected);
        QCOMPARE(WildcardMatch(text, pattern, caseSensitive), expected);
    }

    void fileNameMatchesSpec_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("spec");
        QTest::addColumn<bool>("expected");
        // clang-format off
        QTest::newRow("* no extension") << "readme" << "*" << true;
        QTest::newRow("* with extension") << "readme.txt" << "*" << false;
        QTest::newRow("*.* no extension") << "readme" << "*.*" << true;
        QTest::newRow("*.* with extension") << "readme.txt" << "*.*" << true;
        QTest::newRow("*. no extension") << "readme" << "*." << true;
        QTest::newRow("*. with extension") << "readme.txt" << "*." << true;
        QTest::newRow("abc. like abc.*") << "abc.doc" << "abc." << true;
        QTest::newRow("*.txt needs a dot") << "txt" << "*.txt" << false;
        QTest::newRow("*.t* short") << "a.t" << "*.t*" << true;
        QTest::newRow("*.t* long") << "a.txt" << "*.t*" << true;
        QTest::newRow("*.t? no extension") << "a" << "*.t?" << false;
        QTest::newRow("case ignored") << "REPORT.TXT" << "r*.txt" << true;
        QTest::newRow("last dot splits") << "a.b.txt" << "*.txt" << true;
        QTest::newRow("last dot splits spec") << "a.b.txt" << "a.b.*" << true;
        QTest::newRow("name part forward scan") << "banana.txt" << "*na.txt" << false;
        QTest::newRow("name part forward scan 2") << "banana.txt" << "*a.txt" << false;
        QTest::newRow("bana") << "bana.txt" << "*na.txt" << true;
        QTest::newRow("question in spec") << "report1.doc" << "report?.doc" << true;
        QTest::newRow("hidden file") << ".profile" << "*.*" << true;
        QTest::newRow("hidden file, no-extension spec") << ".profile" << "*" << false;
        QTest::newRow("asterisk in name") << "a*b.txt" << "*.txt" << true;
        QTest::newRow("question in name") << "a?.txt" << "*.*" << true;
        QTest::newRow("colon in name") << "2024-01-01T10:30:00.log" << "*.log" << true;
        QTest::newRow("backslash in name") << "dir\\a.txt" << "*.*" << true;
        QTest::newRow("wildcard in name is no wildcard") << "a*.txt" << "a*x.txt" << false;
        QTest::newRow("separator in name") << "dir/a.txt" << "*.*" << false;
        QTest::newRow("raw byte in name") << NativeName::decode("caf\xe9.txt") << "caf?.txt" << true;
        QTest::newRow("exact name") << "a*b.txt" << ExactNameSpec("a*b.txt") << true;
        QTest::newRow("exact name: its * is no wildcard") << "axb.txt" << ExactNameSpec("a*b.txt") << false;
        QTest::newRow("exact name: letter case counts") << "NOTES.txt" << ExactNameSpec("notes.txt") << false;
        // clang-format on
    }
    void fileNameMatchesSpec() {
        QFETCH(QString, name);
        QFETCH(QString, spec);
        QFETCH(bool, expected);
        QCOMPARE(FileNameMatchesSpec(name, spec, false), expected);
    }

    void substituteWildcards_data() {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("spec");
        QTest::addColumn<QString>("expected");
        // clang-format off
        QTest::newRow("asterisk keeps its position") << "report" << "a*" << "aeport";
        QTest::newRow("all") << "report" << "*" << "report";
        QTest::newRow("text after asterisk dropped") << "report" << "*x" << "report";
        QTest::newRow("question takes same position") << "abc" << "x?z" << "xbz";
        QTest::newRow("question past the input vanishes") << "ab" << "x??" << "xb";
        QTest::newRow("asterisk after vanished question") << "a" << "??*" << "a";
        QTest::newRow("question before asterisk") << "report" << "?x*" << "rxport";
        QTest::newRow("no wildcard") << "report" << "fixed" << "fixed";
        QTest::newRow("empty input") << "" << "a?*" << "a";
        QTest::newRow("wildcards in input are just characters") << "a?*b" << "??*" << "a?*b";
        // clang-format on
    }
    void substituteWildcards() {
        QFETCH(QString, input);
        QFETCH(QString, spec);
        QFETCH(QString, expected);
        QCOMPARE(SubstituteWildcards(input, spec), expected);
    }

    void outputNameFromSpec_data() {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("spec");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("code");
        // clang-format off
        QTest::newRow("a*.e*") << "report.txt" << "a*.e*" << "aeport.ext" << 0;
        QTest::newRow("*.enc") << "report.txt" << "*.enc" << "report.enc" << 0;
        QTest::newRow("* drops extension") << "report.txt" << "*" << "report" << 0;
        QTest::newRow("*. final dot removed") << "report.txt" << "*." << "report" << 0;
        QTest::newRow("*.* same") << "report.txt" << "*.*" << "report.txt" << 1;
        QTest::newRow("*.* no extension same") << "report" << "*.*" << "report" << 1;
        QTest::newRow("x??.*") << "ab.c" << "x??.*" << "xb.c" << 0;
        QTest::newRow("fixed name") << "report.txt" << "out.dat" << "out.dat" << 0;
        QTest::newRow("fixed equal name") << "out.dat" << "out.dat" << "out.dat" << 1;
        QTest::newRow("case differs is a new name") << "Report.txt" << "report.*" << "report.txt" << 0;
        QTest::newRow("extension only") << "report.txt" << ".bak" << ".bak" << 0;
        QTest::newRow("spec blanks trimmed") << "report.txt" << "  *.bak " << "report.bak" << 0;
        QTest::newRow("input blanks belong to the name") << "report.txt " << "*.*" << "report.txt " << 1;
        QTest::newRow("dot only") << "report.txt" << "." << "" << -4;
        QTest::newRow("extension of a name without one") << "report" << ".*" << "" << -4;
        QTest::newRow("input empty") << "" << "*.*" << "" << -1;
        QTest::newRow("input empty before spec empty") << "" << "" << "" << -1;
        QTest::newRow("spec empty") << "report.txt" << "" << "" << -2;
        QTest::newRow("spec blank") << "report.txt" << "   " << "" << -2;
        QTest::newRow("input wildcard *") << "a*b.txt" << "*.enc" << "a*b.enc" << 0;
        QTest::newRow("input wildcard ?") << "a?.txt" << "?x.*" << "ax.txt" << 0;
        QTest::newRow("two dots") << "report.2024.txt" << "*.enc" << "report.2024.enc" << 0;
        QTest::newRow("raw bytes kept") << NativeName::decode("caf\xe9\xff.txt") << "?*.enc" << NativeName::decode("caf\xe9\xff.enc") << 0;
        // clang-format on
    }
    void outputNameFromSpec() {
        QFETCH(QString, input);
        QFETCH(QString, spec);
        QFETCH(QString, expected);
        QFETCH(int, code);
        int actual = 12345;
        QCOMPARE(OutputNameFromSpec(input, spec, actual), expected);
        QCOMPARE(actual, code);
    }

    // An added extension: the whole name and ".enc" when encrypting, the name without it when decrypting.
    void outputNameWithAnAddedExtension_data() {
        QTest::addColumn<bool>("encrypt");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("code");
        // clang-format off
        QTest::newRow("encrypt") << true << "notes.txt" << "notes.txt.enc" << 0;
        QTest::newRow("encrypt, no extension") << true << "README" << "README.enc" << 0;
        QTest::newRow("encrypt, wildcards and raw bytes") << true << NativeName::decode("a*\xe9?.txt") << NativeName::decode("a*\xe9?.txt.enc") << 0;
        QTest::newRow("decrypt") << false << "notes.txt.enc" << "notes.txt" << 0;
        QTest::newRow("decrypt, capitals") << false << "NOTES.TXT.ENC" << "NOTES.TXT" << 0;
        QTest::newRow("decrypt, not ending in it") << false << "notes.txt" << "" << -5;
        QTest::newRow("decrypt, the extension alone") << false << ".enc" << "" << -5;
        QTest::newRow("decrypt, an extension that only ends in it") << false << "notes.xenc" << "" << -5;
        // clang-format on
    }
    void outputNameWithAnAddedExtension() {
        QFETCH(bool, encrypt);
        QFETCH(QString, input);
        const QString spec = AddedExtensionSpec(QStringLiteral("enc"));
        QVERIFY(IsAddedExtensionSpec(spec) && !OutputSpecNamesFolder(spec));
        int code = 12345;
        QTEST(OutputName(input, spec, encrypt, code), "expected");
        QTEST(code, "code");
        // Any other pattern goes by its wildcards, whatever the direction.
        QCOMPARE(OutputName(QStringLiteral("notes.txt"), QStringLiteral("*.enc"), encrypt, code),
                 QStringLiteral("notes.enc"));
        QCOMPARE(OutputSpecShown(spec, encrypt),
                 encrypt ? QStringLiteral("(name).enc") : QStringLiteral("(name) without .enc"));
        QVERIFY(OutputSpecNamesFolder(QStringLiteral("/.e/x")));
    }

    void removeChars() {
        QString text = QStringLiteral("a*b?c*?d");
        RemoveChars(text, QStringLiteral("*?"));
        QCOMPARE(text, QStringLiteral("abcd"));
        RemoveChars(text, QString());
        QCOMPARE(text, QStringLiteral("abcd"));
    }

    // Names and patterns of any length or content give an answer and never hang.
    void oddAndLongInputs() {
        const QString longName = QString(200000, QLatin1Char('a')) + QStringLiteral(".txt");
        const QString manyStars = QString(200000, QLatin1Char('*'));
        const QString mixed = QString(100000, QLatin1Char('?')) + manyStars + QStringLiteral("a");
        QVERIFY(WildcardMatch(longName, manyStars));
        QVERIFY(FileNameMatchesSpec(longName, manyStars + QStringLiteral(".*")));
        QVERIFY(!FileNameMatchesSpec(longName, mixed + QStringLiteral(".x")));
        // The pattern ends after one more "a" while the text goes on: no match, however long the inputs.
        QVERIFY(!FileNameMatchesSpec(longName, mixed + QStringLiteral(".txt")));
        QVERIFY(FileNameMatchesSpec(longName, QString(100000, QLatin1Char('?')) + manyStars + QStringLiteral(".txt")));
        QVERIFY(!WildcardMatch(QStringLiteral("short"), mixed));

        int code = 0;
        QCOMPARE(OutputNameFromSpec(longName, mixed + QStringLiteral(".*"), code).size(), longName.size());
        QCOMPARE(code, 1);
        // Only the one final dot goes.
        QCOMPARE(OutputNameFromSpec(QStringLiteral("a"), QString(50000, QLatin1Char('.')), code),
                 QString(49999, QLatin1Char('.')));
        QCOMPARE(code, 0);

        const QString odd = QString::fromUtf8("\x01\t\n .. \xF0\x9F\x98\x80 \\:/");
        QVERIFY(!FileNameMatchesSpec(odd, QStringLiteral("*.*"))); // it holds a "/"
        QVERIFY(WildcardMatch(odd, odd));
        QCOMPARE(OutputNameFromSpec(odd, QStringLiteral("*.*"), code), odd);
        QCOMPARE(code, 1);
        // A lone surrogate is no character of a real name, but must still be handled.
        const QString broken = QString(QChar(0xD800)) + QStringLiteral(".t");
        QVERIFY(FileNameMatchesSpec(broken, QStringLiteral("?.t")));
        QCOMPARE(SubstituteWildcards(broken, QStringLiteral("??????")).size(), 3);
    }
};

QTEST_GUILESS_MAIN(TestFileNames)
#include "test_filenames.moc"
