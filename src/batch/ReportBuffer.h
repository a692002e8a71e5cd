#pragma once

#include <QString>

// The text of a report: lines separated by CR LF, with a fixed capacity in characters. An append that
// would go past the capacity is refused whole, so the caller can treat it as the buffer being full.
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
    void chop(qsizetype n) { m_text.chop(qMin(n, m_text.size())); }
    // Removes a tail, but only when the text still ends with exactly that tail.
    bool removeTail(const QString& tail);
    void clear() { m_text.clear(); }
    void setText(const QString& text) { m_text = text; }

private:
    QString m_text;
    qsizetype m_capacity;
};
