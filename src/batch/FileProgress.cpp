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

namespace {
// Sizes while a file goes by, in units of 1024 written as such, as the report's byte counts are exact: "1.5 GiB",
// not a "1500.0 MB" that is really mebibytes.
QString binaryText(qint64 bytes, int decimals) {
    static const char* const units[] = {" KiB", " MiB", " GiB", " TiB"};
    if (bytes < 1024)
        return QString::number(bytes) + QStringLiteral(" bytes");
    double value = double(bytes) / 1024.0;
    int unit = 0;
    while (value >= 1024.0 && unit < 3) {
        value /= 1024.0;
        ++unit;
    }
    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
    return locale.toString(value, 'f', decimals) + QLatin1String(units[unit]);
}
} // namespace

QString FileProgress::fileLine(const QString& name) const {
    QString line = name + QStringLiteral(": ");
    if (checking())
        line += QStringLiteral("checking the result, ");
    line += binaryText(m_read, 1) + QStringLiteral(" of ") + binaryText(m_size, 1) +
            QStringLiteral(", ") + binaryText(qint64(bytesPerSecond()), 1) + QStringLiteral("/s");
    const qint64 left = secondsLeft();
    if (left >= 0)
        line += QStringLiteral(", ") + StrProc::SecondsToText(left, false) + QStringLiteral(" left");
    return line;
}

QString FileProgress::folderLine(qint64 fileNumber, qint64 files, qint64 bytesDone, qint64 folderBytes) {
    return QStringLiteral("File ") + QLocale().toString(fileNumber) + QStringLiteral(" of ") +
           QLocale().toString(files) + QStringLiteral(" in this folder, ") + binaryText(bytesDone, 1) +
           QStringLiteral(" of ") + binaryText(folderBytes, 1) + QStringLiteral(" done.");
}
