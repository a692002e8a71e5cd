#pragma once

#include "batch/inplace/OwnFile.h"

#include <QList>
#include <QString>

// What an in-place run is about to make final in a folder. The journal is written and made durable before any
// original of its entries is purged and removed once their results carry the originals' names, so a run
// killed in between leaves the next run in that folder enough to put things right (Leftovers.h).
namespace InPlaceJournal {

struct Entry {
    bool encrypt = true;
    QString tempName;        // the checked result, under its temporary name
    QString name;            // the original, and the result's final name
    qint64 resultSize = 0;   // the result's length: a complete result has exactly this
    qint64 originalSize = 0; // the original as it was checked
    qint64 originalModifiedNs = 0;
    // The result's owner as the run left it: the original's, where the run could give it (as root). -1: the
    // user's own (journals of earlier builds).
    qint64 resultOwner = -1;
};

// The default journal of a folder (a path ending with '/'), and whether a name in a folder is one of the
// journal's names: ".zq4e-journal", or where that is taken by a file not the user's own, ".zq4e-journal-1" ...
QString path(const QString& folder);
bool isJournalName(const QString& name);
// Replaces the folder's journal (the first of its names that is free or the user's own) with these entries;
// synced when asked (else the caller syncs the file system). False, with nothing written, when none of its names
// can be had or the writing failed.
bool write(const QString& folder, const QList<Entry>& entries, bool sync);
// What a folder's journal may be: none, or a damaged one; the user's own; something else under its name (a link,
// not a regular file, another user's file), which is never believed.
using Found = OwnFile::Found;
// The entries of a journal, when it is the user's own (OwnFile.h). Entries that do not name a temporary file of
// our naming and a plain name of this folder are left out.
Found read(const QString& journalPath, QList<Entry>& entries);
// Removes a journal if it is the user's own; removeIn: the folder's journal that write() would write.
void remove(const QString& journalPath);
void removeIn(const QString& folder);

// Temporary files of our own naming: ".zq4e-" + 16 hexadecimal digits + ".tmp".
QString newTemporaryName();
bool isTemporaryName(const QString& name);

} // namespace InPlaceJournal
