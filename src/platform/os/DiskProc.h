#pragma once

#include <QString>

// Questions about disks. There are no drive letters here: a "drive" is the file system that holds a path.
//
// - FirstFixedDrive() is "/".
// - DiskSpace, DriveAccessible and BytesPerCluster take a path (a folder or file, existing or not) and ask
//   statvfs about its nearest existing folder, so a folder still to be created is measured on the file
//   system that will hold it. Give them the full path: "/ho" of "/home/user" names the root's file system.
//   A text in drive-letter form ("C:", "c:\data") names no file system here and fails (-1 / false).
//   Relative paths are taken from the current folder.
// - ClusterSize(path) reads the text first:
//     empty, or a first character that is neither a letter nor '/' (e.g. "\\server\share")  -> 4096
//     "A:" or "B:" at the start (a single letter gets a ":" appended first)                 -> 512, no disk
//                                                                                                touched
//     another letter followed by ':' ("C:\")                                                 -> 4096 (no such
//                                                                                                drive)
//     anything else is a real path: the file system type (statfs f_type) gives a name
//     (FileSystemName), the volume size T comes from DiskSpace and the system's block size (statvfs
//     f_frsize, else f_bsize) serves as bytes per cluster. Names of the table below get the table's value;
//     for any other name the system's block size is the answer (4096 when it is not in 512..65536).
// - The table, ClusterSizeForFileSystem(name, T, bytesPerCluster), with M = 2^20 and the first matching
//   line winning:
//     "FAT", "FAT16", "VFAT": T < 2048 M and bytesPerCluster > 0: bytesPerCluster; else T < 128 M: 2048,
//                             < 256 M: 4096, < 512 M: 8192, < 1024 M: 16384, < 2048 M: 32768, else 65536
//     "FAT32":                T < 8192 M: 4096, < 16384 M: 8192, < 32768 M: 16384, else 32768
//     "NTFS", "NTFS5":        T <= 512 M: 512, <= 1024 M: 1024, <= 2048 M: 2048, <= 4096 M: 4096,
//                             <= 8192 M: 8192, <= 16384 M: 16384, <= 32768 M: 32768, else 65536
//     any other name:         4096
//   Names compare exactly (case matters).
// - File system names: FAT volumes are "FAT32" when they hold 65525 clusters or more, else "FAT"; NTFS
//   (both kernel drivers) "NTFS"; exFAT "exFAT"; others their usual lower-case type name ("ext4" for the
//   ext family, "xfs", "btrfs", "tmpfs", ...) or "0x" and the type number in hex.
namespace DiskProc {

QString FirstFixedDrive();
// 0 on success with free bytes available to the caller and total bytes; -1 on failure (outputs unchanged).
int DiskSpace(const QString& drive, qint64& freeBytes, qint64& totalBytes);
int DiskSpace(const QString& drive, double& freeBytes, double& totalBytes);
bool DriveAccessible(const QString& drive);
// Bytes per allocation unit of the file system holding the path.
qint64 ClusterSize(const QString& path);
// Bytes per cluster; -1 if the system call fails, -2 if outside 512..65536.
qint64 BytesPerCluster(const QString& drive);

// The size table alone, without touching any disk.
qint64 ClusterSizeForFileSystem(const QString& name, qint64 totalBytes, qint64 bytesPerCluster);
// Name of the file system holding the path; empty when it cannot be examined.
QString FileSystemName(const QString& path);
// The name given to a statfs type number; FAT needs the volume's size and cluster size to tell FAT32.
QString FileSystemNameForType(qint64 type, qint64 totalBytes, qint64 bytesPerCluster);

} // namespace DiskProc
