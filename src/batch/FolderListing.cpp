#include "batch/FolderListing.h"

#include "files/FileProc.h"

#include <QDir>
#include <QFileInfo>

namespace FolderListing {

bool list(const QString& folder, QStringList& files, QStringList& subfolders, QString* error) {
    const QFileInfo info(folder);
    if (!info.isDir() || !info.isReadable()) {
        if (error)
            *error = QStringLiteral("Path not found: ") + folder;
        return false;
    }
    const QDir dir(folder);
    const auto order = QDir::Name | QDir::IgnoreCase;
    files = dir.entryList(QDir::Files | QDir::Hidden | QDir::System, order);
    subfolders = dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::NoSymLinks, order);
    return true;
}

qint64 countMatching(const QString& folder, const QString& spec, QString* error) {
    QStringList files, subfolders;
    if (!list(folder, files, subfolders, error))
        return -1;
    qint64 n = 0;
    for (const QString& f : std::as_const(files))
        if (FileProc::FileNameMatchesSpec(f, spec, false))
            ++n;
    return n;
}

} // namespace FolderListing
