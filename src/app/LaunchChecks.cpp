#include "app/LaunchChecks.h"

#include <QRegularExpression>

#include <cmath>

namespace {

// Numbers as the number-to-text conversion writes them: a leading blank when not negative, a point, no grouping.
QString numberText(double value) {
    const QString digits = QString::number(value, 'g', 15);
    return value < 0 ? digits : QLatin1Char(' ') + digits;
}

double availableKb(double freeBytes) {
    return std::nearbyint(freeBytes / 1024.0);
}

// Below 1024 KB the amount is in KB, else in MB; the required amount is cut to whole MB, the available is not.
QString amountText(double kb, bool truncate) {
    if (kb < 1024)
        return numberText(kb) + QStringLiteral(" KB");
    const double mb = kb / 1024.0;
    return numberText(truncate ? std::trunc(mb) : mb) + QStringLiteral(" MB");
}

} // namespace

namespace LaunchChecks {

bool IsFloppyPath(const QString& path) {
    static const QRegularExpression floppy(QStringLiteral("^[AaBb]:"));
    return floppy.match(path).hasMatch();
}

bool NeedsSpaceCheck(const QString& inputDirpath, bool outputFilesSame) {
    return !outputFilesSame || IsFloppyPath(inputDirpath);
}

QString TargetDrive(bool outputFilesSame, const QString& outputDirpath, const QString& firstFixedDrive) {
    if (outputFilesSame)
        return firstFixedDrive;
    static const QRegularExpression letter(QStringLiteral("^[A-Za-z]:"));
    if (letter.match(outputDirpath).hasMatch())
        return outputDirpath.left(2);
    return outputDirpath;
}

bool SpaceIsInsufficient(qint64 totalInputBytes, double freeBytes) {
    return static_cast<double>(totalInputBytes) / 1024.0 > availableKb(freeBytes);
}

QString InsufficientSpaceMessage(const QString& drive, qint64 totalInputBytes, double freeBytes) {
    const double required = static_cast<double>(totalInputBytes / 1024);
    return QStringLiteral("Estimated space required on drive ") + drive + QStringLiteral(" is") +
           amountText(required, true) + QStringLiteral(", but there is only") +
           amountText(availableKb(freeBytes), false) + QStringLiteral(" available.");
}

QByteArray StretchedKey(const QByteArray& key) {
    if (key.isEmpty() || key.size() >= 64)
        return key;
    QByteArray stretched;
    while (stretched.size() < 64)
        stretched += key;
    return stretched.left(64);
}

} // namespace LaunchChecks
