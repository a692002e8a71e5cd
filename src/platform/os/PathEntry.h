#pragma once

#include <QString>

#include <sys/stat.h>

// What stands at a path, asked of the system by the path's bytes (NativeName), and the few changes the run
// makes to names. A symbolic link is looked at as the link itself unless `follow` says otherwise.
namespace PathEntry {

enum class Kind {
    Missing,     // nothing there (or a path that cannot name anything: too long, a file in its middle)
    Regular,     // a regular file
    Folder,      // a folder
    Link,        // a symbolic link
    Special,     // a socket, FIFO or device
    Unreachable, // something the system would not tell about (no permission on the way, an I/O error)
};

struct Info {
    Kind kind = Kind::Missing;
    qint64 size = 0;
    int error = 0; // errno when the system was asked in vain
    struct stat status {}; // all the system told, when it told anything
};

Info of(const QString& path, bool follow = false);
// The size of the file the path leads to, or -1.
qint64 size(const QString& path);
// Whether anything at all, a dangling link included, stands at the path.
bool exists(const QString& path);
bool isFile(const QString& path);
bool isFolder(const QString& path);
// Removes a file or link (never a folder).
bool remove(const QString& path);
// Renames an entry; a link at `to` is replaced, never followed. Without `replace` nothing that stands at `to`
// is replaced: the rename then fails.
bool rename(const QString& from, const QString& to, bool replace = true);

// The path made absolute against the current folder, by the bytes of the names (QDir and QFileInfo would lose a
// name that is not UTF-8); an absolute path, or one when the current folder cannot be told, is returned as given.
QString absolute(const QString& path);

// The system's description of an errno value.
QString errorText(int error);

} // namespace PathEntry
