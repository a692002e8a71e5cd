#include "files/FileProc.h"
#include "platform/filekit/FileKit.h"
#include "platform/os/DiskProc.h"

#include <QRegularExpression>

namespace FileProc {

QString NewFilePath(const QString& path) {
    if (path.isEmpty())
        return QString();
    // A file on a floppy gets its temporary file on the first fixed drive, as the floppy may be too small.
    static const QRegularExpression kFloppy(QStringLiteral("^[AaBb]:"));
    if (kFloppy.match(path).hasMatch()) {
        QString drive = DiskProc::FirstFixedDrive();
        if (!drive.isEmpty()) {
            if (drive.endsWith(QLatin1Char('/')))
                drive.chop(1);
            const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
            const QString candidate = drive + QLatin1Char('/') + path.mid(qMax<qsizetype>(slash, 1) + 1);
            if (filekit::new_file_creatable(candidate) == 1)
                return candidate;
        }
    }
    const qint64 n = filekit::new_filepath_extension(path);
    return n != 0 ? path + QString::number(n) : QString();
}

} // namespace FileProc
