#include "platform/os/DiskProc.h"

#include "platform/os/NativeName.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/statvfs.h>
#include <sys/vfs.h>

namespace DiskProc {
namespace {

constexpr qint64 M = 1024 * 1024;
constexpr qint64 kDefaultClusterSize = 4096;

bool isDriveLetterText(const QString& text) {
    return text.size() >= 2 && text[0].isLetter() && text[0].unicode() < 128 && text[1] == QLatin1Char(':');
}

// The nearest folder of the path that exists; empty for texts that name no place here.
QString existingFolder(const QString& path) {
    if (path.isEmpty() || isDriveLetterText(path))
        return {};
    QString p = QDir::cleanPath(QDir::current().absoluteFilePath(path));
    while (!QFileInfo::exists(p)) {
        const QString parent = QFileInfo(p).path();
        if (parent == p)
            return {};
        p = parent;
    }
    return p;
}

bool statFolder(const QString& path, struct statvfs& out) {
    const QString folder = existingFolder(path);
    return !folder.isEmpty() && ::statvfs(NativeName::encode(folder).constData(), &out) == 0;
}

qint64 blockSize(const struct statvfs& s) {
    return s.f_frsize != 0 ? qint64(s.f_frsize) : qint64(s.f_bsize);
}

bool inTable(const QString& name) {
    static const QStringList names = {"FAT", "FAT16", "VFAT", "FAT32", "NTFS", "NTFS5"};
    return names.contains(name);
}

} // namespace

QString FirstFixedDrive() {
    struct statvfs s;
    return ::statvfs("/", &s) == 0 ? QStringLiteral("/") : QString();
}

int DiskSpace(const QString& drive, qint64& freeBytes, qint64& totalBytes) {
    struct statvfs s;
    if (!statFolder(drive, s))
        return -1;
    const qint64 unit = blockSize(s);
    freeBytes = qint64(s.f_bavail) * unit;
    totalBytes = qint64(s.f_blocks) * unit;
    return 0;
}

int DiskSpace(const QString& drive, double& freeBytes, double& totalBytes) {
    qint64 freeCount = 0;
    qint64 totalCount = 0;
    if (DiskSpace(drive, freeCount, totalCount) != 0)
        return -1;
    freeBytes = double(freeCount);
    totalBytes = double(totalCount);
    return 0;
}

bool DriveAccessible(const QString& drive) {
    qint64 freeBytes = 0;
    qint64 totalBytes = 0;
    return DiskSpace(drive, freeBytes, totalBytes) == 0;
}

qint64 BytesPerCluster(const QString& drive) {
    struct statvfs s;
    if (!statFolder(drive, s))
        return -1;
    const qint64 size = blockSize(s);
    return size < 512 || size > 65536 ? -2 : size;
}

qint64 ClusterSizeForFileSystem(const QString& name, qint64 t, qint64 bytesPerCluster) {
    if (name == QLatin1String("FAT") || name == QLatin1String("FAT16") || name == QLatin1String("VFAT")) {
        if (t < 2048 * M && bytesPerCluster > 0)
            return bytesPerCluster;
        if (t < 128 * M)
            return 2048;
        if (t < 256 * M)
            return 4096;
        if (t < 512 * M)
            return 8192;
        if (t < 1024 * M)
            return 16384;
        if (t < 2048 * M)
            return 32768;
        return 65536;
    }
    if (name == QLatin1String("FAT32")) {
        if (t < 8192 * M)
            return 4096;
        if (t < 16384 * M)
            return 8192;
        if (t < 32768 * M)
            return 16384;
        return 32768;
    }
    if (name == QLatin1String("NTFS") || name == QLatin1String("NTFS5")) {
        for (qint64 size = 512; size <= 32768; size *= 2) {
            if (t <= size * M)
                return size;
        }
        return 65536;
    }
    return kDefaultClusterSize;
}

QString FileSystemNameForType(qint64 type, qint64 totalBytes, qint64 bytesPerCluster) {
    switch (quint32(type)) {
    case 0x4d44: // FAT of any width; the cluster count decides, as it does on the volume itself
        return bytesPerCluster > 0 && totalBytes / bytesPerCluster >= 65525 ? QStringLiteral("FAT32")
                                                                            : QStringLiteral("FAT");
    case 0x5346544e:
    case 0x7366746e:
        return QStringLiteral("NTFS");
    case 0x2011bab0:
        return QStringLiteral("exFAT");
    case 0xef53:
        return QStringLiteral("ext4");
    case 0x58465342:
        return QStringLiteral("xfs");
    case 0x9123683e:
        return QStringLiteral("btrfs");
    case 0x01021994:
        return QStringLiteral("tmpfs");
    case 0x794c7630:
        return QStringLiteral("overlay");
    case 0x6969:
        return QStringLiteral("nfs");
    case 0xff534d42:
        return QStringLiteral("cifs");
    case 0x2fc12fc1:
        return QStringLiteral("zfs");
    case 0xf2f52010:
        return QStringLiteral("f2fs");
    case 0x65735546:
        return QStringLiteral("fuse");
    case 0x9660:
        return QStringLiteral("iso9660");
    case 0x15013346:
        return QStringLiteral("udf");
    default:
        return QStringLiteral("0x") + QString::number(quint32(type), 16);
    }
}

QString FileSystemName(const QString& path) {
    const QString folder = existingFolder(path);
    struct statfs fs;
    struct statvfs s;
    if (folder.isEmpty() || ::statfs(NativeName::encode(folder).constData(), &fs) != 0 ||
        ::statvfs(NativeName::encode(folder).constData(), &s) != 0)
        return {};
    return FileSystemNameForType(qint64(fs.f_type), qint64(s.f_blocks) * blockSize(s), blockSize(s));
}

qint64 ClusterSize(const QString& path) {
    QString text = path;
    if (text.isEmpty())
        return kDefaultClusterSize;
    if (!text.startsWith(QLatin1Char('/'))) {
        if (text.size() == 1)
            text += QLatin1Char(':');
        const QChar letter = text[0].toUpper();
        if (letter < QLatin1Char('A') || letter > QLatin1Char('Z'))
            return kDefaultClusterSize;
        if (text[1] == QLatin1Char(':'))
            return letter == QLatin1Char('A') || letter == QLatin1Char('B') ? 512 : kDefaultClusterSize;
    }
    const QString name = FileSystemName(text);
    qint64 freeBytes = 0;
    qint64 totalBytes = 0;
    if (name.isEmpty() || DiskSpace(text, freeBytes, totalBytes) != 0)
        return kDefaultClusterSize;
    const qint64 reported = BytesPerCluster(text);
    if (inTable(name))
        return ClusterSizeForFileSystem(name, totalBytes, reported);
    return reported > 0 ? reported : kDefaultClusterSize;
}

} // namespace DiskProc
