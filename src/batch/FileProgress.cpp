#include "batch/FileProgress.h"

#include "files/FileProc.h"
#include "files/StrProc.h"

#include <QLocale>

#include <algorithm>
#include <cmath>

void FileProgress::start(qint64 size, bool inPlace) {
    m_size = std::max<qint64>(size, 0);
    m_passes = inPlace ? 2 : 1;
    m_pass = 0;
    m_read = 0;
    m_elapsedMs = 0;
}

void FileProgress::sample(qint64 bytesRead, qint64 elapsedMs) {
    // The count starting again means the next pass has begun.
    if (bytesRead < m_read && m_pass + 1 < m_passes)
        ++m_pass;
    m_read = std::clamp<qint64>(bytesRead, 0, m_size);
    m_elapsedMs = elapsedMs;
}

qint64 FileProgress::done() const {
    return std::min(total(), m_pass * m_size + m_read);
}

int FileProgress::percent() const {
    return total() > 0 ? int(done() * 100 / total()) : 0;
}

double FileProgress::bytesPerSecond() const {
    return m_elapsedMs > 0 ? done() * 1000.0 / double(m_elapsedMs) : 0.0;
}

qint64 FileProgress::secondsLeft() const {
    const double speed = bytesPerSecond();
    if (speed <= 0 || done() <= 0)
        return -1;
    return qint64(std::ceil(double(total() - done()) / speed));
}

QString FileProgress::fileLine(const QString& name) const {
    QString line = name + QStringLiteral(": ");
    if (checking())
        line += QStringLiteral("checking the result, ");
    line += FileProc::ByteCountText(m_read, 1) + QStringLiteral(" of ") + FileProc::ByteCountText(m_size, 1) +
            QStringLiteral(", ") + FileProc::ByteCountText(qint64(bytesPerSecond()), 1) + QStringLiteral("/s");
    const qint64 left = secondsLeft();
    if (left >= 0)
        line += QStringLiteral(", ") + StrProc::SecondsToText(left, false) + QStringLiteral(" left");
    return line;
}

QString FileProgress::folderLine(qint64 fileNumber, qint64 files, qint64 bytesDone, qint64 folderBytes) {
    return QStringLiteral("File ") + QLocale().toString(fileNumber) + QStringLiteral(" of ") +
           QLocale().toString(files) + QStringLiteral(" in this folder, ") + FileProc::ByteCountText(bytesDone, 1) +
           QStringLiteral(" of ") + FileProc::ByteCountText(folderBytes, 1) + QStringLiteral(" done.");
}
