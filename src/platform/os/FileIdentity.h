#pragma once

#include <QString>

#include <sys/stat.h>
#include <sys/types.h>

// A file as the file system sees it: which file a path names (device and inode, so that another spelling of
// the path, a symbolic link to it, a hard link or a bind mount is recognised as the same file), and the marks
// that tell whether its contents may have changed since.
struct FileStamp {
    bool valid = false; // the path named something that could be examined
    dev_t device = 0;
    ino_t inode = 0;
    qint64 size = 0;
    qint64 modifiedNs = 0;
    qint64 changedNs = 0;
    qint64 accessedNs = 0;
    quint64 links = 0;
    uid_t owner = 0;
    gid_t group = 0;
    mode_t mode = 0;

    // The file the path leads to (symbolic links followed).
    static FileStamp of(const QString& path);
    // What one look at a file told (stat, or lstat of what is not a link).
    static FileStamp of(const struct stat& st);
    bool sameFileAs(const FileStamp& other) const {
        return valid && other.valid && device == other.device && inode == other.inode;
    }
    // Same file, and nothing written to it or its attributes since (size, modification and change time).
    bool unchangedSince(const FileStamp& earlier) const {
        return sameFileAs(earlier) && size == earlier.size && modifiedNs == earlier.modifiedNs &&
               changedNs == earlier.changedNs;
    }
};

namespace FileIdentity {

// True when both paths lead to one file or folder. Paths that name nothing are compared by their text.
bool sameFile(const QString& a, const QString& b);

} // namespace FileIdentity
