#pragma once

#include "batch/inplace/OwnFile.h"

#include <QByteArray>
#include <QList>
#include <QString>

// The results of a group of small in-place files, on the disk in one file of the folder before any of them is
// written over its original (InPlaceFiles::commitGroup). Killed, or the machine down, while results are written
// back, the next run in the folder finds every result whole in the log and finishes what was begun (Leftovers.h).
//
// The log also describes each original (its file, size, times, mode and a digest of every 512-byte stretch), so
// that the next run can prove a file is in a state the writing back could have left: every stretch the
// original's or the result's, nothing else. A file in any other state was changed by someone since and is never
// written over.
//
// One log a folder, rewritten for every group, emptied once the group's files are on the disk and removed when
// the run leaves the folder. Its name is ".zq4e-log"; where that name is taken by a file that is not the user's
// own, or by a log this run must keep, ".zq4e-log-1", "-2", ... (OwnFile::usablePath).
namespace InPlaceLog {

struct Entry {
    bool encrypt = true;
    QString name;                  // the original's name in the folder, and the result's
    qint64 originalSize = 0;       // the original as its result was checked
    qint64 originalModifiedNs = 0; // and the times the result is given, the original's
    qint64 originalAccessedNs = 0;
    quint32 mode = 0;              // the original's permissions (0: not known, a log of an earlier build)
    quint64 device = 0, inode = 0; // the original's file (0: not known)
    // kDigestSize bytes per stretch of the original (empty: not known), then, where a shorter result ends inside a
    // stretch, the digest of the original's bytes from the result's end to that stretch's end.
    QByteArray originalDigests;
    QByteArray result;
};

constexpr qint64 kStretch = 512;
constexpr int kDigestSize = 8;
// The digests an entry keeps of an original whose result has resultSize bytes.
QByteArray digestsOf(const QByteArray& original, qint64 resultSize);
// Whether the bytes at `offset` (a whole stretch of the original, or from a shorter result's end to the end of its
// stretch) are the original's there.
bool isOriginalStretch(const Entry& e, qint64 offset, const char* bytes, qint64 length);

// The default log of a folder (a path ending with '/'), and whether a name in a folder is one of the log's names.
QString path(const QString& folder);
bool isLogName(const QString& name);
// The log this run may write in the folder: the first of the log's names that is free or the user's own, other
// than those in `keep`; empty when there is none.
QString usablePath(const QString& folder, const QStringList& keep = {});

// Replaces the log's contents with these entries and syncs it (and the folder, when the log is new). 0; or -9 for
// a full disk, -7 for any other failure (its name holds anything but the user's own regular file, the writing or
// the sync failed), and the log is removed.
[[nodiscard]] int write(const QString& logPath, const QList<Entry>& entries);
// Empties the log: what it held is final. Not synced: a log found again holds results the next run finds in
// place.
void clear(const QString& logPath);
// None, the user's own log (entries: those whole, in order, up to the first that is damaged or cut short), or
// something else under its name that is never believed.
using Found = OwnFile::Found;
Found read(const QString& logPath, QList<Entry>& entries);
// Removes the log if it is the user's own.
void remove(const QString& logPath);

} // namespace InPlaceLog
