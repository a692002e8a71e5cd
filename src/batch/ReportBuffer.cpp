#include "batch/ReportBuffer.h"

bool ReportBuffer::append(const QString& text) {
    if (m_text.size() + text.size() > m_capacity)
        return false;
    m_text += text;
    return true;
}

void ReportBuffer::chop(qsizetype n) {
    m_text.chop(qMin(n, m_text.size()));
    m_untouched = qMin(m_untouched, m_text.size());
}

void ReportBuffer::dropHead(qsizetype n) {
    n = qBound<qsizetype>(0, n, m_text.size());
    m_text.remove(0, n);
    // What is left has moved to the start: none of it is where a view saw it.
    if (n > 0)
        m_untouched = 0;
}

bool ReportBuffer::removeTail(const QString& tail) {
    if (!m_text.endsWith(tail))
        return false;
    chop(tail.size());
    return true;
}

void ReportBuffer::setText(const QString& text) {
    m_text = text;
    m_untouched = 0;
}

qsizetype ReportBuffer::takeUntouchedLength() {
    const qsizetype untouched = m_untouched;
    m_untouched = m_text.size();
    return untouched;
}
