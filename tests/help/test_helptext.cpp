#include "help/HelpText.h"

#include <QTest>

class TestHelpText : public QObject {
    Q_OBJECT
private slots:
    void headingsAppearOnceInOrderOnLinesOfTheirOwn();
    void everySectionCoversItsSelection();
    void introductionHoldsTheFixedSentences();
    void linesEndWithCrLf();
    void outOfRangeIndexesAreEmpty();
};

void TestHelpText::headingsAppearOnceInOrderOnLinesOfTheirOwn() {
    const QString text = HelpText::Build();
    qsizetype previous = -1;
    for (int i = 1; i <= HelpText::intNumHeadings; ++i) {
        const QString heading = HelpText::Heading(i);
        const qsizetype at = text.indexOf(heading);
        QVERIFY2(at > previous, qPrintable(heading));
        QCOMPARE(text.indexOf(heading, at + 1), qsizetype(-1));
        QVERIFY(at >= 2 && text.mid(at - 2, 2) == QLatin1String("\r\n"));
        QCOMPARE(text.mid(at + heading.size(), 2), QStringLiteral("\r\n"));
        previous = at;
    }
    // Two blanks after the number's point, and after the colon where a heading has a subtitle.
    QCOMPARE(HelpText::Heading(10), QStringLiteral("10.  Randomness report"));
    QCOMPARE(HelpText::Heading(11), QStringLiteral("11.  Setup:  Saving the setup"));
    QCOMPARE(HelpText::Heading(14), QStringLiteral("14.  Quit:  Exiting"));
    QCOMPARE(HelpText::Heading(5), QStringLiteral("5.  Output file(s) same?: whether the output files should be the "
                                                  "same as the input files"));
}

void TestHelpText::everySectionCoversItsSelection() {
    const QString text = HelpText::Build();
    for (int i = 1; i <= HelpText::intNumHeadings; ++i) {
        const qsizetype start = text.indexOf(HelpText::Heading(i));
        const qsizetype end =
            i < HelpText::intNumHeadings ? text.indexOf(HelpText::Heading(i + 1)) : text.size();
        QVERIFY2(end - start >= HelpText::SelectionLength(i),
                 qPrintable(QStringLiteral("section %1 has %2 characters").arg(i).arg(end - start)));
    }
    QCOMPARE(HelpText::SelectionLength(8), 830);
    QCOMPARE(HelpText::SelectionLength(12), 0);
    QCOMPARE(HelpText::SelectionLength(13), 1300);
}

void TestHelpText::introductionHoldsTheFixedSentences() {
    const QString text = HelpText::Build();
    const qsizetype firstHeading = text.indexOf(HelpText::Heading(1));
    const QString intro = text.left(firstHeading);
    QVERIFY(intro.contains(QLatin1String("The use of Cryptosystem ZQ4 will be explained according to the fifteen "
                                         "command buttons on the main screen")));
    QVERIFY(intro.contains(QLatin1String("\r\nIf you right-mouse-click on any of the command buttons on the main "
                                         "screen ")));
    QVERIFY(intro.contains(QLatin1String("This help screen can be resized for easier reading.")));
}

void TestHelpText::linesEndWithCrLf() {
    const QString text = HelpText::Build();
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == QLatin1Char('\n'))
            QVERIFY2(i > 0 && text.at(i - 1) == QLatin1Char('\r'), qPrintable(text.mid(i - 40, 40)));
        if (text.at(i) == QLatin1Char('\r'))
            QVERIFY(i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'));
    }
    QVERIFY(HelpText::Credits().contains(QLatin1String("Cryptosystem ZQ4")));
    QVERIFY(HelpText::Credits().contains(QLatin1String("Version 7.77")));
}

void TestHelpText::outOfRangeIndexesAreEmpty() {
    for (int i : {-1, 0, 15}) {
        QVERIFY(HelpText::Heading(i).isEmpty());
        QCOMPARE(HelpText::SelectionLength(i), 0);
    }
}

QTEST_GUILESS_MAIN(TestHelpText)
#include "test_helptext.moc"
