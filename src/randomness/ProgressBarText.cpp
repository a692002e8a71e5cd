#include "randomness/ProgressBarText.h"

namespace ProgressBarText {

QString emptyBar() {
    return QString(kLength, kEmptyCell);
}

QString fullBar() {
    return QString(kLength, kFullCell);
}

QString bar(int done) {
    done = qBound(0, done, kLength);
    return QString(done, kFullCell) + QString(kLength - done, kEmptyCell);
}

int cellsDone(qint64 processed, qint64 total) {
    if (total <= 0 || processed <= 0)
        return 0;
    // Integer arithmetic keeps the rounding exact for any file size a byte count can hold.
    const qint64 scaled = processed * kLength;
    qint64 q = scaled / total;
    const qint64 twiceRemainder = (scaled % total) * 2;
    if (twiceRemainder > total || (twiceRemainder == total && (q % 2) != 0))
        ++q;
    return static_cast<int>(qMin<qint64>(q, kLength));
}

} // namespace ProgressBarText
