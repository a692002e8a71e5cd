#include "randomness/FolderEntries.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace {

void sortNames(QStringList& names) {
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        const int c = a.compare(b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b; // names differing only in case keep a fixed order
    });
}

} // namespace

namespace FolderEntries {

Listing list(const QString& folder) {
    Listing result;
    const QDir dir(folder);
    const QFileInfo info(folder);
    if (folder.isEmpty() || !info.isDir() || !info.isReadable())
        return result;
    const QFileInfoList entries =
        dir.entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Unsorted);
    for (const QFileInfo& entry : entries) {
        if (entry.isDir()) {
            if (!entry.isSymLink())
                result.subfolders.append(entry.fileName());
        } else if (entry.isFile()) {
            result.files.append(entry.fileName());
        }
    }
    sortNames(result.files);
    sortNames(result.subfolders);
    result.ok = true;
    return result;
}

} // namespace FolderEntries
