#include "batch/ReportBuffer.h"

bool ReportBuffer::append(const QString& text) {
    if (m_text.size() + text.size() > m_capacity)
        return false;
    appendDirect(text);
    return true;
}

void ReportBuffer::appendDirect(const QString& text) {
    if (m_pending == 0) {
        m_text += text;
        return;
    }
    const qsizetype at = m_text.size() - m_pending;
    m_text.insert(at, text);
    m_untouched = qMin(m_untouched, at);
}

bool ReportBuffer::setPending(const QString& piece) {
    const qsizetype at = m_text.size() - m_pending;
    if (!piece.isEmpty() && at + piece.size() > m_capacity)
        return false;
    // What the new piece shares with the old one stays as it was: a piece that only grows is an append.
    qsizetype same = 0;
    const qsizetype most = qMin(m_pending, piece.size());
    while (same < most && m_text.at(at + same) == piece.at(same))
        ++same;
    m_text.truncate(at + same);
    m_text += QStringView(piece).mid(same);
    m_untouched = qMin(m_untouched, at + same);
    m_pending = piece.size();
    return true;
}

qsizetype ReportBuffer::openEnd() {
    const qsizetype end = m_text.size() - m_pending;
    if (m_open < 0)
        m_open = end;
    return end - m_open;
}

bool ReportBuffer::replaceOpen(qsizetype at, const QString& was, const QString& now) {
    if (m_open < 0 || at < 0)
        return false;
    at += m_open;
    if (at + was.size() > m_text.size() - m_pending || QStringView(m_text).mid(at, was.size()) != was)
        return false;
    m_text.replace(at, was.size(), now);
    m_untouched = qMin(m_untouched, at);
    return true;
}

void ReportBuffer::chop(qsizetype n) {
    m_pending = 0;
    m_open = -1;
    m_text.chop(qMin(n, m_text.size()));
    m_untouched = qMin(m_untouched, m_text.size());
}

void ReportBuffer::dropHead(qsizetype n) {
    n = qBound<qsizetype>(0, n, m_text.size());
    m_text.remove(0, n);
    m_pending = qMin(m_pending, m_text.size());
    if (m_open >= 0)
        m_open = qMax<qsizetype>(0, m_open - n);
    // What is left has moved to the start: none of it is where a view saw it.
    if (n > 0)
        m_untouched = 0;
}

void ReportBuffer::setText(const QString& text) {
    m_text = text;
    m_pending = 0;
    m_open = -1;
    m_untouched = 0;
}

qsizetype ReportBuffer::takeUntouchedLength() {
    const qsizetype untouched = m_untouched;
    m_untouched = m_text.size();
    return untouched;
}
