#pragma once

#include <QString>

// Questions about disks. Here a "drive" is the file system holding a path; the first fixed drive is "/".
namespace DiskProc {

QString FirstFixedDrive();
// 0 on success with free bytes available to the caller and total bytes; -1 on failure (outputs unchanged).
int DiskSpace(const QString& drive, double& freeBytes, double& totalBytes);
bool DriveAccessible(const QString& drive);
// Bytes per allocation unit of the file system holding the path.
qint64 ClusterSize(const QString& path);
// Bytes per cluster; -1 if the system call fails, -2 if outside 512..65536.
qint64 BytesPerCluster(const QString& drive);

} // namespace DiskProc
