#include "files/FolderNames.h"

#include "files/FolderListing.h"
#include "platform/os/NativeName.h"

#include <cerrno>
#include <sys/stat.h>

FolderNames::FolderNames(const QString& folder) {
    const Folder::Listing listing = Folder::listAllNames(folder);
    struct stat st {};
    // Missing altogether (an output folder the run will make) holds nothing either.
    m_listed = listing.ok || (::lstat(NativeName::encode(folder).constData(), &st) != 0 && errno == ENOENT);
    m_names.reserve(listing.names.size());
    for (const QString& name : listing.names)
        m_names.insert(folded(name));
}

bool FolderNames::mayHold(const QString& name) const {
    return !m_listed || m_names.contains(folded(name));
}

QString FolderNames::folded(const QString& name) {
    return name.normalized(QString::NormalizationForm_C).toCaseFolded();
}
