#include "help/HelpText.h"
#include "help/gui/frmCredits.h"
#include "help/gui/frmHelp.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

class TestHelp : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void placedOverTheMainWindowOnce();
    void opensAtSection_data();
    void opensAtSection();
    void headingZeroShowsTheTop();
    void outOfRangeHeadingShowsTheTop();
    void shrinkingSnapsToMinimum_data();
    void shrinkingSnapsToMinimum();
    void largeEnoughSizeIsLaidOut();
    void minimisedComesBackNormal();
    void closeHidesAndKeepsGeometry();
    void creditsReturnFocusToClose();

private:
    // The selection as the help text counts it: every paragraph break stands for CR LF.
    static QString selectedAsText(const frmHelp* help) {
        QString s = help->txbText->textCursor().selectedText();
        s.replace(QChar::ParagraphSeparator, QStringLiteral("\r\n"));
        return s;
    }
    static qsizetype docPosition(const QString& text, qsizetype index) {
        return index - text.left(index).count(QStringLiteral("\r\n"));
    }

    QTemporaryDir m_home;
    QMainWindow* m_main = nullptr;
};

void TestHelp::initTestCase() {
    TestSupport::prepareEnvironment(m_home);
    m_main = new QMainWindow;
    m_main->setGeometry(50, 50, 700, 500);
    m_main->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_main));
    QVERIFY(helpWindow() == nullptr);
}

void TestHelp::cleanupTestCase() {
    delete m_main; // takes the help window with it
    QVERIFY(helpWindow() == nullptr);
}

void TestHelp::placedOverTheMainWindowOnce() {
    const QRect main = m_main->frameGeometry();
    ShowHelp(m_main, 0);
    frmHelp* help = helpWindow();
    QVERIFY(help);
    QVERIFY(help->isVisible());
    QVERIFY(!help->isModal());
    QCOMPARE(help->windowTitle(), QStringLiteral("Help for Cryptosystem ZQ4"));
    QCOMPARE(TestSupport::shown(help->cmdCredit->text()), QStringLiteral("Author"));
    QCOMPARE(TestSupport::shown(help->cmdClose->text()), QStringLiteral("Close"));
    // 100 and 380 twips in from the main window, 200 narrower and 480 lower.
    QCOMPARE(help->pos(), main.topLeft() + QPoint(7, 25));
    QCOMPARE(help->size(), main.size() - QSize(13, 32));
    QCOMPARE(help->txbText->toPlainText().size(),
             help->helpText().size() - help->helpText().count(QStringLiteral("\r\n")));
    ShowHelp(m_main, 3);
    QCOMPARE(helpWindow(), help);
}

void TestHelp::opensAtSection_data() {
    QTest::addColumn<int>("heading");
    for (int h = 1; h <= HelpText::intNumHeadings; ++h)
        QTest::addRow("%d", h) << h;
}

void TestHelp::opensAtSection() {
    QFETCH(int, heading);
    ShowHelp(m_main, 0);
    ShowHelp(m_main, heading);
    frmHelp* help = helpWindow();
    QCOMPARE(help->intStartHeading, heading);
    const QString& text = help->helpText();
    const qsizetype start = text.indexOf(HelpText::Heading(heading));
    const QTextCursor cursor = help->txbText->textCursor();
    QCOMPARE(cursor.selectionStart(), docPosition(text, start));
    if (heading != 12) {
        // The mark covers the section to its last word: after it comes a line break and the next heading.
        const QString marked = selectedAsText(help);
        QVERIFY(marked.startsWith(HelpText::Heading(heading) + QStringLiteral("\r\n")));
        const qsizetype end = start + marked.size();
        QCOMPARE(text.mid(end, 2), QStringLiteral("\r\n"));
        const QString after = text.mid(end).trimmed();
        QVERIFY(after.isEmpty() || after.startsWith(HelpText::Heading(heading + 1)));
    }
    if (heading == 12) {
        QVERIFY(!cursor.hasSelection());
        QCOMPARE(cursor.position(), docPosition(text, start));
    }
    // The start of the section is in view.
    const QRect caret = help->txbText->cursorRect(cursor);
    QVERIFY(caret.top() >= 0 && caret.bottom() <= help->txbText->viewport()->height());
}

void TestHelp::headingZeroShowsTheTop() {
    ShowHelp(m_main, 10);
    QVERIFY(helpWindow()->txbText->verticalScrollBar()->value() > 0);
    ShowHelp(m_main, 0);
    const QTextCursor cursor = helpWindow()->txbText->textCursor();
    QVERIFY(!cursor.hasSelection());
    QCOMPARE(cursor.position(), 0);
    QCOMPARE(helpWindow()->txbText->verticalScrollBar()->value(), 0);
}

void TestHelp::outOfRangeHeadingShowsTheTop() {
    for (int h : {-3, 15, 999}) {
        ShowHelp(m_main, 8);
        ShowHelp(m_main, h);
        QVERIFY(!helpWindow()->txbText->textCursor().hasSelection());
        QCOMPARE(helpWindow()->txbText->textCursor().position(), 0);
    }
}

void TestHelp::shrinkingSnapsToMinimum_data() {
    QTest::addColumn<QSize>("request");
    QTest::newRow("both small") << QSize(100, 100);
    QTest::newRow("too narrow") << QSize(266, 900);
    QTest::newRow("too low") << QSize(900, 200);
}

void TestHelp::shrinkingSnapsToMinimum() {
    QFETCH(QSize, request);
    ShowHelp(m_main, 0);
    frmHelp* help = helpWindow();
    help->resize(800, 500);
    help->resize(request);
    // 4000 x 4000 twips.
    QTRY_COMPARE(help->size(), QSize(267, 267));
    QVERIFY(help->txbText->width() > 0 && help->txbText->height() > 0);
    QVERIFY(help->cmdClose->geometry().bottom() < help->height());
    QVERIFY(help->cmdCredit->geometry().right() < help->cmdClose->geometry().left());
}

void TestHelp::largeEnoughSizeIsLaidOut() {
    ShowHelp(m_main, 0);
    frmHelp* help = helpWindow();
    help->resize(600, 450);
    QTRY_COMPARE(help->size(), QSize(600, 450));
    // Text box: width - 350 and height - 1080 twips; buttons 800 twips above the bottom, 500 in from the sides.
    QCOMPARE(help->txbText->width(), 600 - 23);
    QCOMPARE(help->txbText->height(), 450 - 72);
    QCOMPARE(help->cmdClose->y(), 450 - 53);
    QCOMPARE(help->cmdCredit->y(), help->cmdClose->y());
    QCOMPARE(help->cmdCredit->x(), 33);
    QCOMPARE(help->cmdClose->geometry().right() + 1, 600 - 33);
}

void TestHelp::minimisedComesBackNormal() {
    ShowHelp(m_main, 0);
    frmHelp* help = helpWindow();
    help->resize(500, 400);
    help->showMinimized();
    QVERIFY(help->isMinimized());
    ShowHelp(m_main, 4);
    QVERIFY(!help->isMinimized());
    QVERIFY(help->isVisible());
    QTRY_COMPARE(help->size(), QSize(500, 400));
    QCOMPARE(help->txbText->textCursor().selectedText().left(4), QStringLiteral("4.  "));
}

void TestHelp::closeHidesAndKeepsGeometry() {
    ShowHelp(m_main, 0);
    frmHelp* help = helpWindow();
    help->resize(520, 410);
    QTRY_COMPARE(help->size(), QSize(520, 410));
    QTest::mouseClick(help->cmdClose, Qt::LeftButton);
    QVERIFY(!help->isVisible());
    QCOMPARE(helpWindow(), help);
    ShowHelp(m_main, 2);
    QVERIFY(help->isVisible());
    QCOMPARE(help->size(), QSize(520, 410));
}

void TestHelp::creditsReturnFocusToClose() {
    ShowHelp(m_main, 0);
    frmHelp* help = helpWindow();
    help->txbText->setFocus();
    QString title, closeCaption, message;
    bool modal = false;
    QTimer::singleShot(0, this, [&] {
        auto* credits = qobject_cast<frmCredits*>(QApplication::activeModalWidget());
        if (!credits)
            return;
        modal = credits->isModal();
        title = credits->windowTitle();
        closeCaption = TestSupport::shown(credits->cmdClose->text());
        message = credits->txbMsg->toPlainText();
        QTest::mouseClick(credits->cmdClose, Qt::LeftButton);
    });
    QTest::mouseClick(help->cmdCredit, Qt::LeftButton);
    QVERIFY(modal);
    QCOMPARE(title, QStringLiteral("Author"));
    QCOMPARE(closeCaption, QStringLiteral("Close"));
    QVERIFY(!message.isEmpty());
    QVERIFY(!help->credits()->isVisible());
    QCOMPARE(help->focusWidget(), help->cmdClose);
}

QTEST_MAIN(TestHelp)
#include "test_help.moc"
