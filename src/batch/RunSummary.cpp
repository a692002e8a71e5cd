#include "batch/RunSummary.h"

#include "batch/OperationWording.h"
#include "files/StrProc.h"

#include <QLocale>

#include <cmath>

namespace RunSummary {

namespace {
const QString crlf = QStringLiteral("\r\n");

// Numbers written the platform's way: a leading blank when not negative.
QString withSign(qint64 n) {
    return (n >= 0 ? QStringLiteral(" ") : QString()) + QString::number(n);
}
} // namespace

QString TotalKbText(qint64 bytes) {
    const double kb = static_cast<double>(bytes) / 1024.0;
    return QLocale().toString(kb, 'f', bytes >= 1024000 ? 0 : 2);
}

QStringList Lines(const Figures& f) {
    QStringList lines;
    if (f.filesAttempted != 1)
        lines << crlf + QStringLiteral("Number of files processed:") + withSign(f.filesAttempted) + crlf;
    if (f.randomnessReport)
        return lines;
    if (!(f.filesAttempted == 1 && f.filesProcessed == 1))
        lines << QStringLiteral("Number of files ") + TxtEncDec(QStringLiteral("encrypted"), f.encrypt) +
                     QLatin1Char(':') + withSign(f.filesProcessed) + crlf;
    if (!f.encrypt && f.filesProcessed == 0 && f.wrongKeyFiles > 0)
        lines << QStringLiteral("No file could be decrypted with this key: it is probably not the key these files "
                                "were encrypted with.") +
                     crlf;
    if (f.filesProcessed >= 1)
        lines << QStringLiteral("Total KB ") + TxtEncDec(QStringLiteral("encrypted"), f.encrypt) +
                     QStringLiteral(": ") + TotalKbText(f.bytesProcessed) + crlf;
    if (f.elapsedSeconds > 3.0) {
        const auto whole = static_cast<qint64>(std::nearbyint(f.elapsedSeconds));
        lines << QStringLiteral("Elapsed time: ") + StrProc::SecondsToText(whole, true) + crlf;
        const double speed = static_cast<double>(f.bytesProcessed) / 1024.0 / f.elapsedSeconds;
        if (speed >= 100.0)
            lines << QStringLiteral("Average ") + TxtEncDec(QStringLiteral("encryption"), f.encrypt) +
                         (f.encrypt && f.outputFilesSame ? QStringLiteral(" (with purge)") : QString()) +
                         QStringLiteral(" speed = ") + QLocale().toString(static_cast<qint64>(std::floor(speed))) +
                         QStringLiteral(" KB/sec.") + crlf;
    }
    return lines;
}

} // namespace RunSummary
