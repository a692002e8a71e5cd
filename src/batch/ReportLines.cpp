#include "batch/ReportLines.h"

#include <algorithm>

qsizetype ReportLines::update(qsizetype untouched) {
    const QChar* d = m_text.constData();
    const qsizetype n = m_text.size();
    untouched = qBound<qsizetype>(0, untouched, qMin(m_size, n));
    // A line that starts at the untouched end or past it may have moved, and so may one that starts right after a
    // CR there (an LF may have come to follow it); the lines before stay.
    auto firstMoved = std::lower_bound(m_lines.cbegin() + 1, m_lines.cend(), untouched,
                                       [](const Line& l, qsizetype position) { return l.start < position; });
    m_lines.erase(firstMoved, m_lines.cend());
    Line last = m_lines.last();
    // The last kept line holds no line break before the untouched end but perhaps one ending there.
    for (qsizetype i = qMax(last.start, untouched - 1); i < n; ++i) {
        qsizetype lineEnd = i;
        if (d[i] == QLatin1Char('\r')) {
            if (i + 1 < n && d[i + 1] == QLatin1Char('\n'))
                ++i;
        } else if (d[i] == QLatin1Char('\n')) {
            // The scan may start on the LF of a CR LF.
            if (i > last.start && d[i - 1] == QLatin1Char('\r'))
                --lineEnd;
        } else {
            continue;
        }
        last = Line{i + 1, qMax(last.longestBefore, lineEnd - last.start)};
        m_lines.append(last);
    }
    m_size = n;
    return untouched;
}

void ReportLines::clear() {
    m_lines = {Line{0, 0}};
    m_lines.squeeze();
    m_size = 0;
}

QStringView ReportLines::text() const {
    return QStringView(m_text).left(qMin(m_size, m_text.size()));
}

QStringView ReportLines::line(qsizetype line) const {
    const QStringView t = text();
    const qsizetype s = qMin(start(line), t.size());
    qsizetype e = line + 1 < count() ? start(line + 1) : m_size;
    if (e > t.size()) {
        e = t.size();
    } else if (line + 1 < count()) {
        --e; // the line break, a CR LF as one
        if (e > s && t[e] == QLatin1Char('\n') && t[e - 1] == QLatin1Char('\r'))
            --e;
    }
    return t.mid(s, qMax<qsizetype>(0, e - s));
}

qsizetype ReportLines::lineAt(qsizetype position) const {
    auto after = std::upper_bound(m_lines.cbegin(), m_lines.cend(), position,
                                  [](qsizetype p, const Line& l) { return p < l.start; });
    return qMax<qsizetype>(0, after - m_lines.cbegin() - 1);
}

std::pair<qsizetype, qsizetype> ReportLines::wordAround(qsizetype position) const {
    const qsizetype l = lineAt(position), first = start(l);
    const QStringView s = line(l);
    const auto inWord = [&s](qsizetype i) { return s[i] != QLatin1Char(' ') && s[i] != QLatin1Char('\t'); };
    qsizetype a = qBound<qsizetype>(0, position - first, s.size());
    // On a space just after a word, the word before it.
    if ((a == s.size() || !inWord(a)) && a > 0 && inWord(a - 1))
        --a;
    if (a == s.size() || !inWord(a))
        return {first + a, first + a};
    qsizetype b = a;
    while (a > 0 && inWord(a - 1))
        --a;
    while (b < s.size() && inWord(b))
        ++b;
    return {first + a, first + b};
}

qsizetype ReportLines::longest() const {
    return qMax(m_lines.last().longestBefore, line(count() - 1).size());
}

QString ReportLines::between(qsizetype from, qsizetype to, QStringView lineBreak) const {
    if (from > to)
        std::swap(from, to);
    from = qBound<qsizetype>(0, from, m_size);
    to = qBound<qsizetype>(0, to, m_size);
    const qsizetype first = lineAt(from), last = lineAt(to);
    // The part of a line from one column to another, columns past its end at its end.
    const auto part = [this](qsizetype l, qsizetype a, qsizetype b) {
        const QStringView s = line(l);
        a = qMin(a, s.size());
        return s.mid(a, qMax<qsizetype>(0, qMin(b, s.size()) - a));
    };
    if (first == last)
        return part(first, from - start(first), to - start(first)).toString();
    QString result;
    result.reserve(to - from + (last - first) * lineBreak.size());
    result += part(first, from - start(first), m_size);
    for (qsizetype l = first + 1; l < last; ++l) {
        result += lineBreak;
        result += line(l);
    }
    result += lineBreak;
    result += part(last, 0, to - start(last));
    return result;
}
