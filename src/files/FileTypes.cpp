#include "files/FileProc.h"

#include <QStringList>

namespace FileProc {

bool IsAntivirusWatchedType(const QString& path) {
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return false;
    const QString extension = path.mid(dot + 1).toUpper();
    if (extension.size() != 3)
        return false;
    if (extension.startsWith(QLatin1String("XL")) || extension.startsWith(QLatin1String("OV")))
        return true;
    static const QStringList kWatched = {
        QStringLiteral("SHS"), QStringLiteral("RTF"), QStringLiteral("PPT"), QStringLiteral("MSO"),
        QStringLiteral("MDB"), QStringLiteral("DOT"), QStringLiteral("CPL"), QStringLiteral("CLA"),
        QStringLiteral("CBT"), QStringLiteral("ADT"), QStringLiteral("BAT"), QStringLiteral("INI"),
        QStringLiteral("SYS"), QStringLiteral("SCR"), QStringLiteral("EXE"), QStringLiteral("DRV"),
        QStringLiteral("DOC"), QStringLiteral("DLL"), QStringLiteral("COM"), QStringLiteral("BIN"),
        QStringLiteral("386"),
    };
    return kWatched.contains(extension);
}

} // namespace FileProc
