#pragma once

#include "batch/ReportLines.h"

#include <QAbstractScrollArea>
#include <QElapsedTimer>
#include <QPoint>

class QTextLayout;

// A read-only view of a report's text that draws the lines in sight straight from the text and keeps only where
// the lines start (ReportLines): a long report is held once, by its owner. One line to a line of the text, never
// wrapped; a selection by mouse or keyboard, copied with CR LF line ends.
class ReportView : public QAbstractScrollArea {
    Q_OBJECT
public:
    // `text` is read whenever the view draws and must outlive it; the view shows it as at the last showChanges.
    explicit ReportView(const QString& text, QWidget* parent = nullptr);
    ~ReportView() override;

    // The text changed; its first `untouched` characters are as they were at the last call.
    void showChanges(qsizetype untouched);
    // Shows nothing until the next showChanges, which then reads the text whole.
    void clear();

    // What the view shows, a line break as an LF.
    QString text() const;

    bool hasSelection() const { return m_anchor != m_cursor; }
    // The selected text, a line break as CR LF.
    QString selectedText() const;
    // Selects from `anchor` to `position`, offsets into the text; the view scrolls to `position`.
    void select(qsizetype anchor, qsizetype position);
    void selectAll();
    void moveToStart();
    void moveToEnd();
    void copy() const;

    // The height at which the view shows every line without scrolling up and down, with a horizontal scroll bar if
    // the widest line is wider than the view. Measures every line: for short texts.
    int fittingHeight() const;
    // The height that shows this many lines without scrolling.
    int heightForLines(int lines) const;
    int lineHeight() const;

    static constexpr int kMargin = 4; // around the text, inside the frame

    qsizetype cursorPosition() const { return m_cursor; }
    qsizetype anchorPosition() const { return m_anchor; }
    // The viewport's rectangle of the character at a position, and the position nearest a point of the viewport.
    QRect characterRect(qsizetype position) const;
    qsizetype positionAt(const QPoint& point) const;
    // Scrolls the least that brings a position into view.
    void ensureVisible(qsizetype position);
    // The characters of the text as shown, a line break as it is in the text (positions count them).
    QStringView characters() const { return m_lines.text(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    // A double click selects the word under it, a third click soon after the line.
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void updateScrollBars();
    int pageLines() const;
    // Moves the cursor, the anchor with it unless `keepAnchor`, and scrolls the cursor into view.
    void moveCursor(qsizetype position, bool keepAnchor);
    // A line of the text laid out in the view's font, and x of a column in it.
    void layOut(QTextLayout& layout, qsizetype line) const;
    qreal xOf(qsizetype position) const;
    qsizetype positionAtX(qsizetype line, qreal x) const;

    ReportLines m_lines;
    qsizetype m_anchor = 0;
    qsizetype m_cursor = 0;
    qreal m_goalX = -1; // where up and down go on a line, kept while they repeat
    int m_widestDrawn = 0;
    QElapsedTimer m_sinceDoubleClick; // a press soon after a double click is the third click
    QPoint m_doubleClickAt;
};
