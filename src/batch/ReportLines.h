#pragma once

#include <QList>
#include <QString>
#include <QStringView>

#include <utility>

// Where the lines of a report's text start, so that a view can draw any line straight from the report's own text
// and hold no copy of it. A CR LF, a CR alone or an LF alone ends a line; what follows the last line break is a line
// too (an empty one when the text ends with a break). Positions are offsets into the text.
//
// The text is read where it lives, and may change between two updates: until the next update the index covers the
// text as it was, and whatever is read is kept within the text as it is now.
class ReportLines {
public:
    // `text` must outlive the index.
    explicit ReportLines(const QString& text) : m_text(text) {}

    // Brings the index up to date with the text, whose first `untouched` characters are as they were at the last
    // update (see ReportBuffer::takeUntouchedLength); the lines before them are kept, the rest found again.
    // Returns the position from which the text may differ from what was indexed.
    qsizetype update(qsizetype untouched);
    // Forgets the text: the index is of an empty text until the next update, which then reads the text whole.
    void clear();

    qsizetype size() const { return m_size; } // the characters indexed
    // The text indexed, as far as it is still there.
    QStringView text() const;
    qsizetype count() const { return m_lines.size(); }
    qsizetype start(qsizetype line) const { return m_lines.at(line).start; }
    // The line's text, without its line break.
    QStringView line(qsizetype line) const;
    qsizetype end(qsizetype line) const { return start(line) + this->line(line).size(); }
    // The line that holds a position; a position inside a CR LF is at the end of its line.
    qsizetype lineAt(qsizetype position) const;
    // The word around a position, as a double click takes it: the run of characters other than spaces and tabs that
    // holds the position or ends at it, within its line (a path or a file name is one word). An empty span, at the
    // position, where there is none.
    std::pair<qsizetype, qsizetype> wordAround(qsizetype position) const;
    // The length of the longest line, in characters.
    qsizetype longest() const;

    // The text between two positions, in either order, each line break written as `lineBreak`.
    QString between(qsizetype from, qsizetype to, QStringView lineBreak) const;

private:
    struct Line {
        qsizetype start;
        qsizetype longestBefore; // the longest of the lines before this one
    };

    const QString& m_text;
    QList<Line> m_lines{Line{0, 0}};
    qsizetype m_size = 0;
};
