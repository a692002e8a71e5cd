#include "files/FolderListing.h"

#include "files/FileProc.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>

namespace {

Folder::Listing list(const QString& folder, QDir::Filters kind) {
    Folder::Listing listing;
    const QFileInfo info(folder);
    // An empty path would otherwise stand for the current folder.
    if (folder.isEmpty() || !info.exists())
        listing.errorText = qt_error_string(ENOENT);
    else if (!info.isDir())
        listing.errorText = qt_error_string(ENOTDIR);
    else if (!info.isReadable())
        listing.errorText = qt_error_string(EACCES);
    if (!listing.errorText.isEmpty())
        return listing;

    const QDir dir(folder);
    listing.names = dir.entryList(kind | QDir::Hidden | QDir::NoDotAndDotDot | QDir::NoSymLinks, QDir::Unsorted);
    Folder::sortByName(listing.names);
    listing.ok = true;
    return listing;
}

} // namespace

namespace Folder {

void sortByName(QStringList& names) {
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        const int c = QString::compare(a, b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
}

Listing listFiles(const QString& folder) {
    return list(folder, QDir::Files);
}

Listing listSubfolders(const QString& folder) {
    return list(folder, QDir::Dirs);
}

Listing listMatchingFiles(const QString& folder, const QString& spec) {
    Listing listing = listFiles(folder);
    listing.names.removeIf([&spec](const QString& name) { return !FileProc::FileNameMatchesSpec(name, spec); });
    return listing;
}

} // namespace Folder
