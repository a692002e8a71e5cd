#pragma once

#include "batch/OwnFile.h"

#include <QByteArray>
#include <QList>
#include <QString>

// The results of a group of small in-place files, on the disk in one file of the folder before any of them is
// written over its original (InPlaceFiles::commitGroup). Killed, or the machine down, while results are written
// back, the next run in the folder finds every result whole in the log and finishes what was begun (Leftovers.h).
// One log a folder, rewritten for every group, emptied once the group's files are on the disk and removed when
// the run leaves the folder.
namespace InPlaceLog {

struct Entry {
    bool encrypt = true;
    QString name;                  // the original's name in the folder, and the result's
    qint64 originalSize = 0;       // the original as its result was checked
    qint64 originalModifiedNs = 0; // and the times the result is given, the original's
    qint64 originalAccessedNs = 0;
    QByteArray result;
};

// The log of a folder (a path ending with '/').
QString path(const QString& folder);
// Replaces the log's contents with these entries and syncs it (and the folder, when the log is new). 0; or -9 for
// a full disk, -7 for any other failure (its name holds anything but the user's own regular file, the writing or
// the sync failed), and the log is emptied.
int write(const QString& folder, const QList<Entry>& entries);
// Empties the log: what it held is final. Not synced: a log found again holds results already in place.
void clear(const QString& folder);
// None, the user's own log (entries: those whole, in order, up to the first that is damaged or cut short), or
// something else under its name that is never believed.
using Found = OwnFile::Found;
Found read(const QString& folder, QList<Entry>& entries);
// Removes the folder's log if it is the user's own.
void remove(const QString& folder);

} // namespace InPlaceLog
