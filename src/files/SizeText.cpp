#include "files/FileProc.h"

#include <QFileInfo>
#include <QLocale>

namespace FileProc {

QString ByteCountText(qint64 bytes, int decimals) {
    if (bytes < 1024)
        return QString::number(bytes) + QLatin1String(" bytes");
    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
    const int places = qBound(0, decimals, 15);
    if (bytes < 1048576)
        return locale.toString(double(bytes) / 1024.0, 'f', places) + QLatin1String(" KB");
    return locale.toString(double(bytes) / 1048576.0, 'f', places) + QLatin1String(" MB");
}

QString FileSizeText(const QString& path, int decimals) {
    if (path.isEmpty())
        return QString();
    const QFileInfo info(path);
    if (!info.isFile())
        return QString();
    return ByteCountText(info.size(), decimals);
}

} // namespace FileProc
