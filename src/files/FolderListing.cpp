#include "files/FolderListing.h"

#include "files/FileProc.h"
#include "files/FolderListingCache.h"
#include "platform/os/NativeName.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

using PathEntry::Kind;

Kind kindOf(mode_t mode) {
    if (S_ISREG(mode))
        return Kind::Regular;
    if (S_ISDIR(mode))
        return Kind::Folder;
    if (S_ISLNK(mode))
        return Kind::Link;
    return Kind::Special;
}

// The kind the folder's entry gives, or what lstat says when the file system does not give it.
Kind kindOf(DIR* dir, const dirent* e, int& error) {
    switch (e->d_type) {
    case DT_REG:
        return Kind::Regular;
    case DT_DIR:
        return Kind::Folder;
    case DT_LNK:
        return Kind::Link;
    case DT_UNKNOWN:
        break;
    default:
        return Kind::Special;
    }
    struct stat st {};
    if (::fstatat(::dirfd(dir), e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0)
        return kindOf(st.st_mode);
    error = errno;
    return error == ENOENT ? Kind::Missing : Kind::Unreachable;
}

// Letter case ignored, then as written. Names are compared over and over while a folder is sorted, so the
// characters of the ASCII range are folded here; the first other character hands the pair to Qt's comparison,
// which folds the same way and finds the characters before it equal.
bool lessByName(const QString& a, const QString& b) {
    const qsizetype n = qMin(a.size(), b.size());
    const QChar* pa = a.constData();
    const QChar* pb = b.constData();
    for (qsizetype i = 0; i < n; ++i) {
        char16_t ca = pa[i].unicode(), cb = pb[i].unicode();
        if (ca >= 0x80 || cb >= 0x80) {
            const int c = QString::compare(a, b, Qt::CaseInsensitive);
            return c != 0 ? c < 0 : a < b;
        }
        if (ca == cb)
            continue;
        if (ca >= 'A' && ca <= 'Z')
            ca += 32;
        if (cb >= 'A' && cb <= 'Z')
            cb += 32;
        if (ca != cb)
            return ca < cb;
    }
    return a.size() != b.size() ? a.size() < b.size() : a < b;
}

// Calls f(dir, entry) for every entry but "." and ".."; false, with the system's words in errorText, when the
// folder cannot be opened or read. The folder is open only while it is read.
template <class F>
bool readEntries(const QString& folder, QString& errorText, F f, struct stat* identity = nullptr) {
    const QByteArray native = NativeName::encode(folder);
    // An empty path would otherwise stand for the current folder.
    DIR* dir = native.isEmpty() ? nullptr : ::opendir(native.constData());
    if (!dir) {
        errorText = PathEntry::errorText(native.isEmpty() ? ENOENT : errno);
        return false;
    }
    if (identity && ::fstat(::dirfd(dir), identity) != 0)
        *identity = {};
    for (;;) {
        errno = 0;
        const dirent* e = ::readdir(dir);
        if (!e) {
            const int error = errno;
            ::closedir(dir);
            if (error != 0)
                errorText = PathEntry::errorText(error);
            return error == 0;
        }
        const char* n = e->d_name;
        if (!(n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0))))
            f(dir, e);
    }
}
// Every entry of the folder, as found; identity: the folder's own.
Folder::Contents readFolder(const QString& folder, struct stat& identity) {
    Folder::Contents contents;
    contents.ok = readEntries(folder, contents.errorText, [&contents](DIR* dir, const dirent* e) {
        int error = 0;
        const Kind kind = kindOf(dir, e, error);
        QString name = NativeName::decode(QByteArrayView(e->d_name));
        if (kind == Kind::Regular)
            contents.files << std::move(name);
        else if (kind == Kind::Folder)
            contents.subfolders << std::move(name);
        else
            contents.others << Folder::OtherEntry{std::move(name), kind, error};
    }, &identity);
    return contents;
}
} // namespace

namespace Folder {

void sortByName(QStringList& names) {
    std::sort(names.begin(), names.end(), lessByName);
}

Contents listFolder(const QString& folder, Order order) {
    // A listing kept for the launch is kept in name order, sorted once for every caller (those that only count
    // take any order).
    std::optional<Contents> cached = ListingCache::find(folder);
    if (cached)
        return std::move(*cached);
    struct stat identity {};
    Contents contents = readFolder(folder, identity);
    const bool kept = contents.ok && ListingCache::open();
    if (contents.ok && (order == Order::ByName || kept)) {
        sortByName(contents.files);
        sortByName(contents.subfolders);
        std::sort(contents.others.begin(), contents.others.end(),
                  [](const OtherEntry& a, const OtherEntry& b) { return lessByName(a.name, b.name); });
    }
    if (kept)
        ListingCache::keep(folder, contents, quint64(identity.st_dev), quint64(identity.st_ino));
    return contents;
}

Listing listAllNames(const QString& folder) {
    Listing listing;
    // While listings are kept, the one listing of the folder answers this too.
    if (ListingCache::open()) {
        Contents c = listFolder(folder, Order::AsFound);
        listing.ok = c.ok;
        listing.errorText = std::move(c.errorText);
        listing.names = std::move(c.files);
        listing.names << c.subfolders;
        for (const OtherEntry& e : std::as_const(c.others))
            listing.names << e.name;
        return listing;
    }
    listing.ok = readEntries(folder, listing.errorText, [&listing](DIR*, const dirent* e) {
        listing.names << NativeName::decode(QByteArrayView(e->d_name));
    });
    return listing;
}

Listing listFiles(const QString& folder, Order order) {
    Contents c = listFolder(folder, order);
    return Listing{c.ok, c.errorText, std::move(c.files)};
}

Listing listSubfolders(const QString& folder, Order order) {
    Contents c = listFolder(folder, order);
    return Listing{c.ok, c.errorText, std::move(c.subfolders)};
}

void keepMatching(QStringList& names, const QString& spec) {
    names.removeIf([&spec](const QString& name) { return !FileProc::FileNameMatchesSpec(name, spec); });
}

Listing listMatchingFiles(const QString& folder, const QString& spec, Order order) {
    // Sorted once the others are gone: a pattern that takes a few names of a large folder sorts only those.
    Listing listing = listFiles(folder, Order::AsFound);
    keepMatching(listing.names, spec);
    if (order == Order::ByName)
        sortByName(listing.names);
    return listing;
}

} // namespace Folder
