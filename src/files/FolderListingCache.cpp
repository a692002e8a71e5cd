#include "files/FolderListingCache.h"

#include "platform/os/NativeName.h"

#include <QHash>
#include <QMutex>

#include <sys/stat.h>

namespace {

// A listing and the folder it was read from, as the system identifies it: a folder written under another
// spelling (through a link, or "sub/..") is still the folder forgotten.
struct Kept {
    Folder::Contents contents;
    quint64 device = 0, inode = 0;
};

QMutex g_mutex;
int g_scopes = 0;
QHash<QByteArray, Kept> g_listings;
quint64 g_generation = 0;

// A folder with and without its final '/' is one folder; the key is its bytes, as the system is asked.
QByteArray keyOf(const QString& folder) {
    QByteArray key = NativeName::encode(folder);
    while (key.size() > 1 && key.endsWith('/'))
        key.chop(1);
    return key;
}

} // namespace

namespace Folder {

ListingScope::ListingScope() {
    const QMutexLocker lock(&g_mutex);
    ++g_scopes;
    ++g_generation;
}

ListingScope::~ListingScope() {
    const QMutexLocker lock(&g_mutex);
    if (--g_scopes == 0)
        g_listings.clear();
    ++g_generation;
}

void forgetListing(const QString& folder) {
    struct stat st {};
    const bool identified = ::stat(NativeName::encode(folder).constData(), &st) == 0;
    const QMutexLocker lock(&g_mutex);
    ++g_generation;
    g_listings.remove(keyOf(folder));
    if (identified)
        g_listings.removeIf([&st](const QHash<QByteArray, Kept>::iterator it) {
            return it->device == quint64(st.st_dev) && it->inode == quint64(st.st_ino);
        });
}

void forgetListings() {
    const QMutexLocker lock(&g_mutex);
    ++g_generation;
    g_listings.clear();
}

namespace ListingCache {

bool open() {
    const QMutexLocker lock(&g_mutex);
    return g_scopes > 0;
}

quint64 generation() {
    const QMutexLocker lock(&g_mutex);
    return g_generation;
}

std::optional<Contents> find(const QString& folder) {
    const QMutexLocker lock(&g_mutex);
    if (g_scopes == 0 || folder.isEmpty())
        return std::nullopt;
    const auto it = g_listings.constFind(keyOf(folder));
    if (it == g_listings.cend())
        return std::nullopt;
    return it->contents;
}

void keep(const QString& folder, const Contents& contents, quint64 device, quint64 inode) {
    const QMutexLocker lock(&g_mutex);
    if (g_scopes > 0 && contents.ok && !folder.isEmpty() && inode != 0)
        g_listings.insert(keyOf(folder), Kept{contents, device, inode});
}

} // namespace ListingCache
} // namespace Folder
