#pragma once

#include <QList>
#include <QString>

// What an in-place run is about to make final in a folder. The journal is written and made durable before any
// original of its entries is purged and removed once their results carry the originals' names, so a run
// killed in between leaves the next run in that folder enough to put things right (Leftovers.h).
namespace InPlaceJournal {

struct Entry {
    bool encrypt = true;
    QString tempName;            // the checked result, under its temporary name
    QString name;                // the original, and the result's final name
    qint64 resultSize = 0;       // the result's length: a complete result has exactly this
    qint64 originalSize = 0;     // the original as it was checked
    qint64 originalModifiedNs = 0;
};

// The journal of a folder (a path ending with '/').
QString path(const QString& folder);
// Replaces the folder's journal with these entries; synced when asked (else the caller syncs the file system).
bool write(const QString& folder, const QList<Entry>& entries, bool sync);
// The entries of the folder's journal; empty when there is none or it cannot be read.
QList<Entry> read(const QString& folder);
void remove(const QString& folder);

// Temporary files of our own naming: ".zq4e-" + 16 hexadecimal digits + ".tmp".
QString newTemporaryName();
bool isTemporaryName(const QString& name);

} // namespace InPlaceJournal
