#include "platform/os/PathEntry.h"

#include "platform/os/NativeName.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace PathEntry {

Info of(const QString& path, bool follow) {
    Info info;
    const QByteArray native = NativeName::encode(path);
    struct stat& st = info.status;
    const int r = native.isEmpty() ? -1 : follow ? ::stat(native.constData(), &st) : ::lstat(native.constData(), &st);
    if (r != 0) {
        info.error = native.isEmpty() ? ENOENT : errno;
        const bool missing = info.error == ENOENT || info.error == ENOTDIR || info.error == ENAMETOOLONG ||
                             (follow && info.error == ELOOP);
        info.kind = missing ? Kind::Missing : Kind::Unreachable;
        return info;
    }
    info.size = st.st_size;
    if (S_ISREG(st.st_mode))
        info.kind = Kind::Regular;
    else if (S_ISDIR(st.st_mode))
        info.kind = Kind::Folder;
    else if (S_ISLNK(st.st_mode))
        info.kind = Kind::Link;
    else
        info.kind = Kind::Special;
    return info;
}

qint64 size(const QString& path) {
    const Info info = of(path, true);
    return info.kind == Kind::Missing || info.kind == Kind::Unreachable ? -1 : info.size;
}

QString absolute(const QString& path) {
    if (path.startsWith(QLatin1Char('/')))
        return path;
    QByteArray buffer(4096, '\0');
    while (::getcwd(buffer.data(), size_t(buffer.size())) == nullptr) {
        if (errno != ERANGE || buffer.size() > (1 << 20))
            return path;
        buffer.resize(buffer.size() * 2);
    }
    QString here = NativeName::decode(buffer.constData());
    if (!here.endsWith(QLatin1Char('/')))
        here += QLatin1Char('/');
    return here + path;
}

bool exists(const QString& path) {
    return of(path).kind != Kind::Missing;
}

bool isFile(const QString& path) {
    return of(path, true).kind == Kind::Regular;
}

bool isFolder(const QString& path) {
    return of(path, true).kind == Kind::Folder;
}

bool remove(const QString& path) {
    const QByteArray native = NativeName::encode(path);
    return !native.isEmpty() && ::unlink(native.constData()) == 0;
}

bool rename(const QString& from, const QString& to, bool replace) {
    const QByteArray a = NativeName::encode(from), b = NativeName::encode(to);
    if (a.isEmpty() || b.isEmpty())
        return false;
    if (replace)
        return ::rename(a.constData(), b.constData()) == 0;
    if (::renameat2(AT_FDCWD, a.constData(), AT_FDCWD, b.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // A file system that cannot refuse by itself: a second link refuses an existing name just as well. One that
    // has no links either gets a look first (a name taken in between would be replaced, as a plain rename does).
    if (::link(a.constData(), b.constData()) == 0) {
        ::unlink(a.constData());
        return true;
    }
    if (errno == EEXIST)
        return false;
    struct stat st {};
    return ::lstat(b.constData(), &st) != 0 && errno == ENOENT && ::rename(a.constData(), b.constData()) == 0;
}

QString errorText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace PathEntry
