#include "files/FileProc.h"

namespace {

constexpr QLatin1Char kSeparator('/');

} // namespace

namespace FileProc {

QString FileExtension(const QString& path, bool lowerCase) {
    const QString fileName = path.mid(path.lastIndexOf(kSeparator) + 1);
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return QString();
    const QString extension = fileName.mid(dot + 1);
    return lowerCase ? extension.toLower() : extension;
}

QString FileNamePart(const QString& path, bool lowerCase) {
    const qsizetype slash = path.lastIndexOf(kSeparator);
    if (slash < 0)
        return QString();
    const QString fileName = path.mid(slash + 1);
    return lowerCase ? fileName.toLower() : fileName;
}

QString FolderPart(const QString& path) {
    const qsizetype slash = path.lastIndexOf(kSeparator);
    if (slash < 0)
        return QString();
    return NormalizePathCase(path.left(slash + 1));
}

QString NormalizePathCase(const QString& path) {
#ifdef Q_OS_WIN
    if (path.size() >= 2 && path.at(1) == QLatin1Char(':'))
        return path.left(1).toUpper() + path.mid(1).toLower();
#endif
    // File systems here tell Report.txt from report.txt: changing the case would name another file.
    return path;
}

QString ShortenPath(const QString& path, qsizetype maximum) {
    if (path.size() <= maximum)
        return path;
    maximum = qMax<qsizetype>(maximum, 0);
    // Half the maximum, an exact half going to the even neighbour.
    qsizetype half = maximum / 2;
    if (maximum % 2 != 0 && half % 2 != 0)
        ++half;

    QString left = path.left(half);
    const qsizetype leftSlash = left.lastIndexOf(kSeparator);
    if (leftSlash + 1 > 3)
        left.truncate(leftSlash + 1);

    QString right = path.right(half);
    const qsizetype rightSlash = right.indexOf(kSeparator);
    if (rightSlash > 0)
        right = right.mid(rightSlash);

    return left + QStringLiteral("...") + right;
}

} // namespace FileProc
