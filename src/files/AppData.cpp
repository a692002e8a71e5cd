#include "files/Folder.h"
#include "platform/os/DiskProc.h"

#include <QDir>
#include <QStandardPaths>

namespace Folder {

QString SpecialFolderPath(int specialFolder) {
    QStandardPaths::StandardLocation location;
    switch (specialFolder) {
    case SpecialFolderDesktop:
        location = QStandardPaths::DesktopLocation;
        break;
    case SpecialFolderDocuments:
        location = QStandardPaths::DocumentsLocation;
        break;
    case SpecialFolderAppData:
        location = QStandardPaths::GenericConfigLocation;
        break;
    case SpecialFolderLocalAppData:
        location = QStandardPaths::GenericDataLocation;
        break;
    default:
        return QString();
    }
    return QStandardPaths::writableLocation(location);
}

QString AppDataFilePath(const QString& fileName, const QString& subfolder, bool* ok) {
    QString base = SpecialFolderPath(SpecialFolderAppData);
    if (base.isEmpty())
        base = DiskProc::FirstFixedDrive();
    const QString folder = QDir::cleanPath(base + QLatin1Char('/') + subfolder);
    // The configuration folder itself may not exist yet on a fresh account; it is made along with ours.
    const bool exists = QFileInfo(folder).isDir() || QDir().mkpath(folder);
    if (ok)
        *ok = exists && QFileInfo(folder).isDir();
    return QDir::cleanPath(folder + QLatin1Char('/') + fileName);
}

} // namespace Folder
