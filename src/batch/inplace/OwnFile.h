#pragma once

#include <QFile>
#include <QString>
#include <QStringList>

#include <sys/stat.h>

// What a run may put right after a killed run: only files it could have written itself. A folder others can
// write to (a shared folder, /tmp) may hold files of our names planted by someone else, or links of those names
// pointing anywhere; such files are never read, renamed or removed on their word.
namespace OwnFile {

// A regular file, not a link, owned by the user the program runs as, and of one name only (a hard link to a file
// elsewhere is not ours to write or remove).
bool isOwn(const struct stat& st);
// The same for the entry at the path, which is not followed if it is a link.
bool isOwn(const QString& path);

// The path's file opened for reading, only when it is the user's own regular file (a link is not followed), or a
// regular file of one name owned by `alsoOwner` (the owner a run gave its result, as root); -1 otherwise. The
// caller closes it.
int openOwn(const QString& path, qint64 alsoOwner = -1);

// What one of our names in a folder holds: nothing, the user's own regular file, or something else (a link, not a
// regular file, another user's file), which is never believed.
enum class Found { None, Own, NotOwn };
// The path's file opened for reading into `file` when it is the user's own (left closed when even that fails).
Found openIfOwn(const QString& path, QFile& file);
// The path's file opened for writing, created private (0600) when missing, only when it is the user's own regular
// file (a link is not followed); -1 otherwise, with errno set. The caller closes it.
int openOwnForWriting(const QString& path);

// The first of `base`, `base`-1 ... `base`-15 in the folder (a path ending with '/') that is free or the user's own
// and not among `keep` (paths); empty when none is. Another user's file under our name in a shared folder never
// stops the user's run: the run takes the next name.
QString usablePath(const QString& folder, const QString& base, const QStringList& keep = {});

// The user's own regular file of exactly `size` bytes; with `withHeader`, it also begins with a header of ours.
bool holdsResult(const QString& path, qint64 size, bool withHeader, qint64 alsoOwner = -1);

} // namespace OwnFile
