#pragma once

#include "platform/os/PathEntry.h"

#include <QList>
#include <QString>
#include <QStringList>

// The entries of one folder, as every enumeration of the program sees them: names as the file system holds
// their bytes (NativeName), in case-insensitive name order (never the file system's raw order), hidden entries
// included. Symbolic links are never followed: a link to a parent folder would make a walk through subfolders
// endless, and working on a link in place would replace the link rather than the file it points to. Links,
// devices, pipes and sockets are not files to encrypt; they are listed apart so that a run can say so. The
// folder is open only while it is read.
namespace Folder {

// An entry that is neither a regular file nor a folder, or that could not be looked at.
struct OtherEntry {
    QString name;
    PathEntry::Kind kind = PathEntry::Kind::Special;
    int error = 0; // errno for PathEntry::Kind::Unreachable and Missing (gone while it was listed)
};

struct Contents {
    bool ok = false;
    QString errorText; // the system's description of what went wrong when !ok
    QStringList files;
    QStringList subfolders;
    QList<OtherEntry> others;
};

struct Listing {
    bool ok = false;
    QString errorText;
    QStringList names;
};

// Names in case-insensitive name order (sortByName), or as the file system gives them, where only their number
// counts and sorting a folder of many thousands would be wasted.
enum class Order { ByName, AsFound };

Contents listFolder(const QString& folder, Order order = Order::ByName);
Listing listFiles(const QString& folder, Order order = Order::ByName);
Listing listSubfolders(const QString& folder, Order order = Order::ByName);
// The files whose names satisfy the file specification (FileProc::FileNameMatchesSpec, case ignored).
Listing listMatchingFiles(const QString& folder, const QString& spec, Order order = Order::ByName);
// Keeps only the names that satisfy it.
void keepMatching(QStringList& names, const QString& spec);

// The names of every entry, in the file system's own order and without looking at what they are: for asking
// which names a folder holds.
Listing listAllNames(const QString& folder);

// Case-insensitive name order; names equal but for case keep a fixed order among themselves.
void sortByName(QStringList& names);

} // namespace Folder
