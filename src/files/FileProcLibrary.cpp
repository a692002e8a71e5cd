#include "files/FileProc.h"
#include "platform/filekit/FileKit.h"
#include "platform/os/DiskProc.h"

#include <QFile>
#include <QFileInfo>

// The only way into the auxiliary library (apart from the program texts); kept apart from the pure
// file-name rules so that they link without it.
namespace FileProc {

double FileRandomness(const QString& path, int minimumFileSize) {
    return filekit::fr(path, minimumFileSize);
}

double KeyRandomness(const QByteArray& key, int length, int sampleLength) {
    return filekit::randomness_measure(key, length, sampleLength);
}

qint64 CompareFiles(const QString& first, const QString& second) {
    return filekit::compare_files(first, second);
}

bool PurgeFile(const QString& path, int purgeParameter, bool mayClearReadOnly, bool useDriveInformation) {
    // The owner's write permission stands for the read-only attribute; permission checks alone would not
    // do, as they always pass for the administrator.
    const QFileInfo info(path);
    if (info.exists() && info.isFile()) {
        const QFile::Permissions permissions = info.permissions();
        if (!(permissions & QFile::WriteOwner)) {
            if (!mayClearReadOnly)
                return false;
            QFile::setPermissions(path, permissions | QFile::WriteOwner);
        }
    }
    const int driveFlag = useDriveInformation ? 1 : 0;
    const int clusterSize = useDriveInformation ? int(DiskProc::ClusterSize(path)) : -1;
    return filekit::purge_file(path, purgeParameter, driveFlag, clusterSize) >= -3;
}

} // namespace FileProc
