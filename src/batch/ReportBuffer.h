#pragma once

#include <QString>

// The text of a report: lines separated by CR LF, with a fixed capacity in characters. An append that
// would go past the capacity is refused whole, so the caller can treat it as the buffer being full.
// It also keeps how much of its start no edit but an append has touched, so that a view can bring itself up to
// date with the new text alone.
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
    void appendDirect(const QString& text) { m_text += text; }
    // Removes the last n characters (all of them when the text is shorter).
    void chop(qsizetype n);
    // Removes the first n characters: a reader that has taken them (the command line, once printed) keeps only
    // the rest, so the buffer holds what is still to come rather than the whole run.
    void dropHead(qsizetype n);
    // Removes a tail, but only when the text still ends with exactly that tail.
    bool removeTail(const QString& tail);
    void clear() { setText(QString()); }
    void setText(const QString& text);

    // The length of the start of the text that nothing but appends has touched since the last call; the call
    // starts the count again from the text as it is now.
    qsizetype takeUntouchedLength();

private:
    QString m_text;
    qsizetype m_capacity;
    qsizetype m_untouched = 0;
};
