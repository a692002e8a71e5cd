#pragma once

#include <QString>
#include <QStringList>

// The files and subfolders of one folder, as every enumeration of the program sees them: names only, in
// case-insensitive name order (never the file system's raw order), hidden entries included. Symbolic links
// are left out: a link to a parent folder would make a walk through subfolders endless, and working on a
// link in place would replace the link rather than the file it points to. Devices, pipes and sockets are
// not files to encrypt and are left out too.
namespace Folder {

struct Listing {
    bool ok = false;
    QString errorText; // the system's description of what went wrong when !ok
    QStringList names;
};

Listing listFiles(const QString& folder);
Listing listSubfolders(const QString& folder);
// The files whose names satisfy the file specification (FileProc::FileNameMatchesSpec, case ignored).
Listing listMatchingFiles(const QString& folder, const QString& spec);

// Case-insensitive name order; names equal but for case keep a fixed order among themselves.
void sortByName(QStringList& names);

} // namespace Folder
