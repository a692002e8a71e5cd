#pragma once

#include <QString>

// The text of a report: lines separated by CR LF, with a fixed capacity in characters. An append that
// would go past the capacity is refused whole, so the caller can treat it as the buffer being full.
// The text may end with a pending piece: the line in progress, shown as it goes and replaced rather than appended to
// and cut back; what is appended goes before it. Before that, the text may have an open part: lines of files whose
// results wait in a group, written as they will read once the group has made them final, and replaced where it
// did not; what is before the open part is settled (a reader that prints lines for good takes only that). The buffer
// also keeps how much of its start no edit but an append has touched, so that a view can bring itself up to date
// with the new text alone.
class ReportBuffer {
public:
    static constexpr qsizetype DefaultCapacity = 8 * 1024 * 1024;

    explicit ReportBuffer(qsizetype capacity = DefaultCapacity) : m_capacity(capacity) {}

    qsizetype capacity() const { return m_capacity; }
    void setCapacity(qsizetype capacity) { m_capacity = capacity; }

    const QString& text() const { return m_text; }
    qsizetype size() const { return m_text.size(); }
    bool isEmpty() const { return m_text.isEmpty(); }

    // false when the text would exceed the capacity; the buffer is then unchanged.
    bool append(const QString& text);
    // Appends regardless of the capacity: closing lines that must appear even in a full report.
    void appendDirect(const QString& text);
    // Replaces the pending piece (empty: none); false when the new piece would exceed the capacity, and the buffer
    // is then unchanged.
    bool setPending(const QString& piece);
    qsizetype pendingSize() const { return m_pending; }
    // Opens the text from its end (before the pending piece), unless it is open already, and gives the position
    // of that end within the open part: where the next append lands.
    qsizetype openEnd();
    // Replaces `was` at a position within the open part with `now`, whatever the capacity; false, with nothing
    // changed, when the text there is not `was` (a full report cut it).
    bool replaceOpen(qsizetype at, const QString& was, const QString& now);
    // All of the text but the pending piece is settled.
    void settle() { m_open = -1; }
    qsizetype settledSize() const { return m_open >= 0 ? m_open : m_text.size() - m_pending; }
    // Removes the last n characters (all of them when the text is shorter); all of the text is settled first.
    void chop(qsizetype n);
    // Removes the first n characters: a reader that has taken them (the command line, once printed) keeps only
    // the rest, so the buffer holds what is still to come rather than the whole run.
    void dropHead(qsizetype n);
    void clear() { setText(QString()); }
    void setText(const QString& text);

    // The length of the start of the text that nothing but appends has touched since the last call; the call
    // starts the count again from the text as it is now.
    qsizetype takeUntouchedLength();

private:
    QString m_text;
    qsizetype m_capacity;
    qsizetype m_pending = 0; // the length of the pending piece at the end of the text
    qsizetype m_open = -1;   // where the open part begins; -1: none
    qsizetype m_untouched = 0;
};
