#pragma once

#include <QString>
#include <QtGlobal>

// The text progress bar of the byte-pair graphic: a fixed number of cells, each "_" (to do) or a solid block
// (done).
namespace ProgressBarText {

constexpr int kLength = 43;
constexpr QChar kEmptyCell = u'_';
constexpr QChar kFullCell = QChar(0x2588);

QString emptyBar();
QString fullBar();
// The first `done` cells full, the rest empty; done is clamped to 0..kLength.
QString bar(int done);
// Full cells for `processed` of `total` bytes: processed * kLength / total rounded to the nearest whole
// number, halves to even. 0 when total is not positive.
int cellsDone(qint64 processed, qint64 total);

} // namespace ProgressBarText
