#pragma once

#include <QString>
#include <QStringList>

// The files and immediate subfolders of a folder, each in case-insensitive order of their names.
namespace FolderEntries {

struct Listing {
    bool ok = false; // false: the folder does not exist or cannot be read
    QStringList files;
    QStringList subfolders;
};

// Files are regular files (or links to them), hidden ones included; devices, pipes and sockets are left out,
// since reading one could block or never end. Linked folders are left out so that a link loop cannot make a
// search endless.
Listing list(const QString& folder);

} // namespace FolderEntries
