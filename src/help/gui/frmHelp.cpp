#include "help/gui/frmHelp.h"

#include "help/HelpText.h"
#include "help/gui/frmCredits.h"
#include "platform/os/gui/OnScreen.h"

#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QResizeEvent>
#include <QScrollBar>
#include <QTextBlock>

namespace {

// Placement figures are kept in twips; 15 twips make one pixel at 96 dpi.
int px(int twips) {
    return qRound(twips / 15.0);
}

QPointer<frmHelp> s_help;

} // namespace

frmHelp::frmHelp(QWidget* mainWindow) : QWidget(mainWindow, Qt::Window) {
    setObjectName(QStringLiteral("frmHelp"));
    setWindowTitle(QStringLiteral("Help for Cryptosystem ZQ4"));

    txbText = new QPlainTextEdit(this);
    txbText->setObjectName(QStringLiteral("txbText"));
    txbText->setAccessibleName(QStringLiteral("Help text"));
    txbText->setReadOnly(true);
    // Read-only, but the caret stays visible so the reader sees where a section starts.
    txbText->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);

    cmdCredit = new QPushButton(QStringLiteral("&Author"), this);
    cmdCredit->setObjectName(QStringLiteral("cmdCredit"));
    cmdClose = new QPushButton(QStringLiteral("&Close"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    connect(cmdCredit, &QPushButton::clicked, this, &frmHelp::cmdCredit_Click);
    connect(cmdClose, &QPushButton::clicked, this, &frmHelp::cmdClose_Click);

    if (mainWindow) {
        const QRect main = mainWindow->frameGeometry();
        move(main.left() + px(100), main.top() + px(380));
        resize(main.width() - px(200), main.height() - px(480));
        OnScreen::keepOnScreen(this, mainWindow);
    } else {
        resize(px(9000), px(7000));
    }

    m_text = HelpText::Build();
    txbText->setPlainText(m_text);
    layoutControls();
}

int frmHelp::documentPosition(qsizetype textIndex) const {
    // The text box holds each CR LF as a single paragraph break.
    textIndex = qBound<qsizetype>(0, textIndex, m_text.size());
    qsizetype pairs = 0;
    for (qsizetype i = 1; i < textIndex; ++i) {
        if (m_text.at(i) == QLatin1Char('\n') && m_text.at(i - 1) == QLatin1Char('\r'))
            ++pairs;
    }
    return int(textIndex - pairs);
}

void frmHelp::Form_Activate() {
    QTextCursor cursor(txbText->document());
    const int h = intStartHeading;
    const qsizetype start = (h >= 1 && h <= HelpText::intNumHeadings) ? m_text.indexOf(HelpText::Heading(h)) : -1;
    if (start < 0) {
        cursor.movePosition(QTextCursor::Start);
        txbText->setTextCursor(cursor);
        txbText->verticalScrollBar()->setValue(0);
        return;
    }
    // Coming from the end of the text makes the view stop with the heading on its first line.
    cursor.movePosition(QTextCursor::End);
    txbText->setTextCursor(cursor);
    txbText->ensureCursorVisible();
    // The whole section is marked, so the mark never stops in the middle of a word.
    const qsizetype end = HelpText::SelectionLength(h) == 0 ? start : HelpText::SectionEnd(m_text, h);
    cursor.setPosition(documentPosition(end));
    cursor.setPosition(documentPosition(start), QTextCursor::KeepAnchor);
    txbText->setTextCursor(cursor);
    txbText->ensureCursorVisible();
}

void frmHelp::layoutControls() {
    const int w = width() * 15;
    const int h = height() * 15;
    txbText->setGeometry(px(175), px(120), px(w - 350), px(h - 1080));
    const int top = px(h - 800);
    const int buttonHeight = qMax(cmdClose->sizeHint().height(), px(375));
    const int buttonWidth = qMax(cmdClose->sizeHint().width(), px(1200));
    cmdClose->setGeometry(px(w - 500) - buttonWidth, top, buttonWidth, buttonHeight);
    cmdCredit->setGeometry(px(500), top, qMax(cmdCredit->sizeHint().width(), px(1200)), buttonHeight);
}

void frmHelp::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (isMinimized())
        return;
    if (width() * 15 >= intMinSizeTwips && height() * 15 >= intMinSizeTwips) {
        layoutControls();
        return;
    }
    resize(px(intMinSizeTwips), px(intMinSizeTwips));
    layoutControls();
}

void frmHelp::cmdCredit_Click() {
    if (!m_credits)
        m_credits = new frmCredits(this);
    m_credits->exec();
    // However the credits were closed, the reader comes back to this window's Close button.
    cmdClose->setFocus();
}

void frmHelp::cmdClose_Click() {
    hide();
}

void ShowHelp(QWidget* mainWindow, int heading) {
    if (!s_help)
        s_help = new frmHelp(mainWindow);
    frmHelp* help = s_help;
    help->intStartHeading = heading;
    if (help->isMinimized())
        help->setWindowState((help->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    help->show();
    help->raise();
    help->activateWindow();
    help->Form_Activate();
}

frmHelp* helpWindow() {
    return s_help;
}
