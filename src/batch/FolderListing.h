#pragma once

#include <QStringList>

// The files and immediate subfolders of a folder, names only, in case-insensitive order (the order the run
// processes them in). Used until the shared folder enumeration takes over.
namespace FolderListing {

// false with a description when the folder cannot be read.
bool list(const QString& folder, QStringList& files, QStringList& subfolders, QString* error);
// Files of the folder itself matching the specification; -1 when the folder cannot be read.
qint64 countMatching(const QString& folder, const QString& spec, QString* error);

} // namespace FolderListing
