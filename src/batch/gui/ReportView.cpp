#include "batch/gui/ReportView.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QStyleHints>
#include <QTextLayout>
#include <QtMath>

#include <algorithm>
#include <climits>

namespace {
// The report to assistive technology: read-only text with a cursor and a selection, positions as the view's.
class ReportViewAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit ReportViewAccessible(ReportView* view) : QAccessibleWidget(view, QAccessible::EditableText) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.readOnly = true;
        s.multiLine = true;
        s.selectableText = true;
        return s;
    }
    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Value ? view()->characters().toString() : QAccessibleWidget::text(t);
    }

    void selection(int index, int* start, int* end) const override {
        *start = *end = 0;
        if (index == 0 && view()->hasSelection()) {
            *start = int(qMin(view()->anchorPosition(), view()->cursorPosition()));
            *end = int(qMax(view()->anchorPosition(), view()->cursorPosition()));
        }
    }
    int selectionCount() const override { return view()->hasSelection() ? 1 : 0; }
    void addSelection(int start, int end) override { view()->select(start, end); }
    void removeSelection(int) override { view()->select(view()->cursorPosition(), view()->cursorPosition()); }
    void setSelection(int, int start, int end) override { view()->select(start, end); }
    int cursorPosition() const override { return int(view()->cursorPosition()); }
    void setCursorPosition(int position) override { view()->select(position, position); }
    QString text(int start, int end) const override {
        const QStringView all = view()->characters();
        const qsizetype from = std::clamp<qsizetype>(start, 0, all.size());
        return all.mid(from, std::clamp<qsizetype>(end, from, all.size()) - from).toString();
    }
    int characterCount() const override { return int(view()->characters().size()); }
    QRect characterRect(int offset) const override {
        const QRect r = view()->characterRect(offset);
        return QRect(view()->viewport()->mapToGlobal(r.topLeft()), r.size());
    }
    int offsetAtPoint(const QPoint& point) const override {
        return int(view()->positionAt(view()->viewport()->mapFromGlobal(point)));
    }
    void scrollToSubstring(int start, int end) override {
        view()->ensureVisible(end);
        view()->ensureVisible(start);
    }
    QString attributes(int offset, int* start, int* end) const override {
        *start = *end = offset;
        return QString();
    }

private:
    ReportView* view() const { return static_cast<ReportView*>(widget()); }
};

QAccessibleInterface* accessibleReportView(const QString& className, QObject* object) {
    if (className == QLatin1String("ReportView") && object && object->isWidgetType())
        return new ReportViewAccessible(static_cast<ReportView*>(object));
    return nullptr;
}
} // namespace

ReportView::ReportView(const QString& text, QWidget* parent) : QAbstractScrollArea(parent), m_lines(text) {
    static const bool accessible = [] {
        QAccessible::installFactory(accessibleReportView);
        return true;
    }();
    Q_UNUSED(accessible);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setCursor(Qt::IBeamCursor);
    updateScrollBars();
}

ReportView::~ReportView() = default;

void ReportView::showChanges(qsizetype untouched) {
    const qsizetype changed = m_lines.update(untouched);
    // A selection in what changed is cut back to where the change starts.
    m_anchor = qMin(m_anchor, changed);
    m_cursor = qMin(m_cursor, changed);
    updateScrollBars();
    viewport()->update();
}

void ReportView::clear() {
    m_lines.clear();
    m_anchor = m_cursor = 0;
    m_goalX = -1;
    m_widestDrawn = 0;
    updateScrollBars();
    viewport()->update();
}

QString ReportView::text() const {
    return m_lines.between(0, m_lines.size(), u"\n");
}

QString ReportView::selectedText() const {
    return m_lines.between(m_anchor, m_cursor, u"\r\n");
}

void ReportView::select(qsizetype anchor, qsizetype position) {
    m_anchor = qBound<qsizetype>(0, anchor, m_lines.size());
    moveCursor(position, true);
}

void ReportView::selectAll() {
    m_anchor = 0;
    m_cursor = m_lines.size();
    viewport()->update();
}

void ReportView::moveToStart() {
    moveCursor(0, false);
}

void ReportView::moveToEnd() {
    moveCursor(m_lines.size(), false);
}

void ReportView::copy() const {
    if (hasSelection())
        QGuiApplication::clipboard()->setText(selectedText());
}

int ReportView::lineHeight() const {
    return qMax(1, fontMetrics().height());
}

int ReportView::pageLines() const {
    return qMax(1, (viewport()->height() - 2 * kMargin) / lineHeight());
}

int ReportView::fittingHeight() const {
    const QFontMetrics metrics(font());
    int widest = 0;
    for (qsizetype l = 0; l < m_lines.count(); ++l)
        widest = qMax(widest, metrics.horizontalAdvance(m_lines.line(l).toString()));
    const int frame = 2 * frameWidth();
    int wanted = int(qMin<qsizetype>(m_lines.count(), INT_MAX / lineHeight() / 2)) * lineHeight() + 2 * kMargin + frame;
    if (widest + 2 * kMargin + frame > width())
        wanted += horizontalScrollBar()->sizeHint().height();
    return wanted;
}

int ReportView::heightForLines(int lines) const {
    return lines * lineHeight() + 2 * kMargin + 2 * frameWidth();
}

void ReportView::updateScrollBars() {
    const int page = pageLines();
    QScrollBar* vertical = verticalScrollBar();
    vertical->setRange(0, int(std::clamp<qsizetype>(m_lines.count() - page, 0, INT_MAX)));
    vertical->setPageStep(page);
    vertical->setSingleStep(1);
    // The widest line drawn so far, or the longest line at the width of a figure (the font has a fixed pitch).
    const QFontMetricsF metrics(font());
    const qreal pitch = metrics.horizontalAdvance(QLatin1Char('0'));
    const int widest = int(qMin<qreal>(qMax<qreal>(m_widestDrawn, qCeil(m_lines.longest() * pitch)), INT_MAX / 2));
    QScrollBar* horizontal = horizontalScrollBar();
    horizontal->setRange(0, qMax(0, widest + 2 * kMargin - viewport()->width()));
    horizontal->setPageStep(viewport()->width());
    horizontal->setSingleStep(qMax(1, qRound(pitch)));
}

void ReportView::layOut(QTextLayout& layout, qsizetype line) const {
    layout.setText(m_lines.line(line).toString());
    layout.setFont(font());
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    layout.setTextOption(option);
    layout.setCacheEnabled(true);
    layout.beginLayout();
    QTextLine textLine = layout.createLine();
    if (textLine.isValid())
        textLine.setLineWidth(INT_MAX / 256);
    layout.endLayout();
}

qreal ReportView::xOf(qsizetype position) const {
    const qsizetype line = m_lines.lineAt(position);
    QTextLayout layout;
    layOut(layout, line);
    const int column = int(qBound<qsizetype>(0, position - m_lines.start(line), layout.text().size()));
    return layout.lineAt(0).cursorToX(column);
}

qsizetype ReportView::positionAtX(qsizetype line, qreal x) const {
    QTextLayout layout;
    layOut(layout, line);
    return m_lines.start(line) + layout.lineAt(0).xToCursor(x, QTextLine::CursorBetweenCharacters);
}

QRect ReportView::characterRect(qsizetype position) const {
    position = qBound<qsizetype>(0, position, m_lines.size());
    const qsizetype line = m_lines.lineAt(position);
    QTextLayout layout;
    layOut(layout, line);
    const int column = int(qBound<qsizetype>(0, position - m_lines.start(line), layout.text().size()));
    const QTextLine textLine = layout.lineAt(0);
    const qreal x = textLine.cursorToX(column);
    const qreal width = column < layout.text().size() ? textLine.cursorToX(layout.nextCursorPosition(column)) - x
                                                      : QFontMetricsF(font()).horizontalAdvance(QLatin1Char(' '));
    return QRectF(kMargin - horizontalScrollBar()->value() + x,
                  kMargin + (line - verticalScrollBar()->value()) * lineHeight(), width, lineHeight())
        .toAlignedRect();
}

qsizetype ReportView::positionAt(const QPoint& point) const {
    const int dy = point.y() - kMargin;
    const int lh = lineHeight();
    // Above the first line in sight is the line before it.
    const qsizetype line = verticalScrollBar()->value() + (dy >= 0 ? dy / lh : -1 - (-dy - 1) / lh);
    return positionAtX(qBound<qsizetype>(0, line, m_lines.count() - 1),
                       point.x() - kMargin + horizontalScrollBar()->value());
}

void ReportView::moveCursor(qsizetype position, bool keepAnchor) {
    m_cursor = qBound<qsizetype>(0, position, m_lines.size());
    if (!keepAnchor)
        m_anchor = m_cursor;
    ensureVisible(m_cursor);
    viewport()->update();
    if (QAccessible::isActive()) {
        QAccessibleTextCursorEvent moved(this, int(m_cursor));
        QAccessible::updateAccessibility(&moved);
        QAccessibleTextSelectionEvent selected(this, int(qMin(m_anchor, m_cursor)), int(qMax(m_anchor, m_cursor)));
        selected.setCursorPosition(int(m_cursor));
        QAccessible::updateAccessibility(&selected);
    }
}

void ReportView::ensureVisible(qsizetype position) {
    position = qBound<qsizetype>(0, position, m_lines.size());
    const qsizetype line = m_lines.lineAt(position);
    QScrollBar* vertical = verticalScrollBar();
    if (line < vertical->value())
        vertical->setValue(int(line));
    else if (line >= vertical->value() + pageLines())
        vertical->setValue(int(line - pageLines() + 1));
    QScrollBar* horizontal = horizontalScrollBar();
    const int x = qRound(xOf(position));
    const int room = viewport()->width() - 2 * kMargin;
    if (x < horizontal->value())
        horizontal->setValue(x);
    else if (x > horizontal->value() + room)
        horizontal->setValue(x - room);
}

void ReportView::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    painter.setPen(palette().color(QPalette::Text));
    const int lh = lineHeight();
    const int height = viewport()->height();
    const QPointF origin(kMargin - horizontalScrollBar()->value(), kMargin);
    const qsizetype from = qMin(m_anchor, m_cursor), to = qMax(m_anchor, m_cursor);
    QTextCharFormat selected;
    selected.setBackground(palette().brush(QPalette::Highlight));
    selected.setForeground(palette().brush(QPalette::HighlightedText));
    const qreal pitch = QFontMetricsF(font()).horizontalAdvance(QLatin1Char(' '));
    const qsizetype cursorLine = m_lines.lineAt(m_cursor);
    int widest = m_widestDrawn;
    qsizetype line = verticalScrollBar()->value();
    for (int y = 0; line < m_lines.count() && origin.y() + y < height; ++line, y += lh) {
        const QPointF at = origin + QPointF(0, y);
        QTextLayout layout;
        layOut(layout, line);
        const qsizetype start = m_lines.start(line), end = start + layout.text().size();
        QList<QTextLayout::FormatRange> ranges;
        if (from < to && from < end && to > start) {
            const qsizetype a = qMax(from, start) - start, b = qMin(to, end) - start;
            ranges.append({int(a), int(b - a), selected});
        }
        layout.draw(&painter, at, ranges);
        const qreal textWidth = layout.lineAt(0).naturalTextWidth();
        // A selected line break shows as a selected space.
        if (from <= end && to > end)
            painter.fillRect(QRectF(at.x() + textWidth, at.y(), pitch, lh), selected.background());
        widest = qMax(widest, qCeil(textWidth));
        if (line == cursorLine && hasFocus())
            layout.drawCursor(&painter, at, int(qMin(m_cursor - start, end - start)));
    }
    if (widest > m_widestDrawn) {
        m_widestDrawn = widest;
        QMetaObject::invokeMethod(this, &ReportView::updateScrollBars, Qt::QueuedConnection);
    }
}

void ReportView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void ReportView::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        m_widestDrawn = 0;
        updateScrollBars();
    }
}

void ReportView::scrollContentsBy(int, int) {
    viewport()->update();
}

void ReportView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return QAbstractScrollArea::mousePressEvent(event);
    m_goalX = -1;
    const QPoint at = event->position().toPoint();
    const bool thirdClick =
        m_sinceDoubleClick.isValid() &&
        m_sinceDoubleClick.elapsed() < QGuiApplication::styleHints()->mouseDoubleClickInterval() &&
        (at - m_doubleClickAt).manhattanLength() < QGuiApplication::styleHints()->startDragDistance();
    m_sinceDoubleClick.invalidate();
    if (thirdClick) {
        const qsizetype line = m_lines.lineAt(positionAt(at));
        select(m_lines.start(line), m_lines.end(line));
        return;
    }
    moveCursor(positionAt(at), event->modifiers() & Qt::ShiftModifier);
}

void ReportView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return QAbstractScrollArea::mouseDoubleClickEvent(event);
    m_goalX = -1;
    const auto [from, to] = m_lines.wordAround(positionAt(event->position().toPoint()));
    select(from, to);
    m_doubleClickAt = event->position().toPoint();
    m_sinceDoubleClick.start();
}

void ReportView::mouseMoveEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton))
        return QAbstractScrollArea::mouseMoveEvent(event);
    // Dragged past an edge, the view scrolls a line a move.
    moveCursor(positionAt(event->position().toPoint()), true);
}

void ReportView::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::SelectAll))
        return selectAll();
    if (event->matches(QKeySequence::Copy))
        return copy();
    const bool extend = event->modifiers() & Qt::ShiftModifier;
    const bool whole = event->modifiers() & Qt::ControlModifier;
    const qsizetype line = m_lines.lineAt(m_cursor);
    const qsizetype column = qMin(m_cursor, m_lines.end(line)) - m_lines.start(line);
    // Up and down keep to the x where they started.
    const auto toLine = [&](qsizetype target) {
        if (m_goalX < 0)
            m_goalX = xOf(m_cursor);
        const qreal goal = m_goalX;
        moveCursor(positionAtX(qBound<qsizetype>(0, target, m_lines.count() - 1), goal), extend);
        m_goalX = goal;
    };
    QScrollBar* vertical = verticalScrollBar();
    switch (event->key()) {
    case Qt::Key_Up:
        return toLine(line - 1);
    case Qt::Key_Down:
        return toLine(line + 1);
    case Qt::Key_PageUp:
        vertical->setValue(vertical->value() - pageLines());
        return toLine(line - pageLines());
    case Qt::Key_PageDown:
        vertical->setValue(vertical->value() + pageLines());
        return toLine(line + pageLines());
    default:
        break;
    }
    m_goalX = -1;
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right: {
        const bool left = event->key() == Qt::Key_Left;
        if (left ? column == 0 : m_cursor >= m_lines.end(line)) {
            // Over the line break, to the end of the line before or the start of the next.
            if (left && line > 0)
                moveCursor(m_lines.end(line - 1), extend);
            else if (!left && line + 1 < m_lines.count())
                moveCursor(m_lines.start(line + 1), extend);
            return;
        }
        QTextLayout layout;
        layOut(layout, line);
        const int c = int(column);
        // With Ctrl, a word at a time.
        const QTextLayout::CursorMode mode = whole ? QTextLayout::SkipWords : QTextLayout::SkipCharacters;
        moveCursor(m_lines.start(line) +
                       (left ? layout.previousCursorPosition(c, mode) : layout.nextCursorPosition(c, mode)),
                   extend);
        return;
    }
    case Qt::Key_Home:
        return moveCursor(whole ? 0 : m_lines.start(line), extend);
    case Qt::Key_End:
        return moveCursor(whole ? m_lines.size() : m_lines.end(line), extend);
    default:
        QAbstractScrollArea::keyPressEvent(event);
    }
}

void ReportView::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    QAction* copyAction = menu.addAction(tr("&Copy"), this, &ReportView::copy);
    copyAction->setEnabled(hasSelection());
    menu.addAction(tr("Select All"), this, &ReportView::selectAll);
    menu.exec(event->globalPos());
}

void ReportView::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
}

void ReportView::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}
