#include "batch/inplace/OwnFile.h"

#include "platform/engine/CipherHeader.h"
#include "platform/os/FileIdentity.h"
#include "platform/os/NativeName.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace OwnFile {

bool isOwn(const struct stat& st) {
    return S_ISREG(st.st_mode) && st.st_uid == ::geteuid() && st.st_nlink == 1;
}

bool isOwn(const QString& path) {
    struct stat st {};
    return ::lstat(NativeName::encode(path).constData(), &st) == 0 && isOwn(st);
}

int openOwn(const QString& path, qint64 alsoOwner) {
    // Not following a link, and not waiting on a FIFO: what the name holds is checked on the open file itself.
    const int fd =
        ::open(NativeName::encode(path).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return -1;
    struct stat st {};
    const bool examined = ::fstat(fd, &st) == 0;
    const bool given = S_ISREG(st.st_mode) && st.st_nlink == 1 && alsoOwner >= 0 && qint64(st.st_uid) == alsoOwner;
    if (!examined || !(isOwn(st) || given)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

Found openIfOwn(const QString& path, QFile& file) {
    struct stat st {};
    if (::lstat(NativeName::encode(path).constData(), &st) != 0)
        return Found::None;
    const int fd = openOwn(path);
    if (fd < 0)
        return Found::NotOwn;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        ::close(fd);
    return Found::Own;
}

int openOwnForWriting(const QString& path) {
    const int fd =
        ::open(NativeName::encode(path).constData(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
    if (fd < 0)
        return -1;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !isOwn(st)) {
        ::close(fd);
        errno = EPERM;
        return -1;
    }
    return fd;
}

QString usablePath(const QString& folder, const QString& base, const QStringList& keep) {
    for (int n = 0; n < 16; ++n) {
        const QString path = folder + base + (n == 0 ? QString() : QLatin1Char('-') + QString::number(n));
        struct stat st {};
        const bool free = ::lstat(NativeName::encode(path).constData(), &st) != 0 && errno == ENOENT;
        // A name kept is recognised however its folder was spelled when it was kept.
        const bool kept = std::any_of(keep.cbegin(), keep.cend(),
                                      [&path](const QString& k) { return FileIdentity::sameFile(path, k); });
        if ((free || isOwn(st)) && !kept)
            return path;
    }
    return {};
}

bool holdsResult(const QString& path, qint64 size, bool withHeader, qint64 alsoOwner) {
    const int fd = openOwn(path, alsoOwner);
    if (fd < 0)
        return false;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && st.st_size == size;
    if (ok && withHeader) {
        std::uint8_t bytes[zq4e::kHeaderSize];
        ssize_t n;
        do
            n = ::pread(fd, bytes, sizeof bytes, 0);
        while (n < 0 && errno == EINTR);
        zq4e::CipherHeader h;
        ok = n == ssize_t(sizeof bytes) && zq4e::decodeHeader(bytes, h);
    }
    ::close(fd);
    return ok;
}

} // namespace OwnFile
