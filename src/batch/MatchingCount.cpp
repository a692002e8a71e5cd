#include "batch/MatchingCount.h"

#include "files/FolderListing.h"

namespace MatchingCount {

qint64 filesBelow(const QString& folder, const QString& spec, bool subfolders) {
    const QString dir = folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
    const Folder::Listing files = Folder::listMatchingFiles(dir, spec, Folder::Order::AsFound);
    qint64 n = files.ok ? files.names.size() : 0;
    if (subfolders) {
        const Folder::Listing below = Folder::listSubfolders(dir, Folder::Order::AsFound);
        if (below.ok)
            for (const QString& name : below.names)
                n += filesBelow(dir + name, spec, true);
    }
    return n;
}

} // namespace MatchingCount
