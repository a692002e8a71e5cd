#include "batch/InPlaceLog.h"

#include "batch/OwnFile.h"
#include "platform/os/DiskTrace.h"
#include "platform/os/NativeName.h"

#include <QFile>

#include <openssl/evp.h>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace InPlaceLog {

namespace {
const QByteArray kHeader = QByteArrayLiteral("zq4 in-place log 1\n");

QByteArray checksum(const QByteArray& bytes) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_Digest(bytes.constData(), std::size_t(bytes.size()), digest, &length, EVP_sha256(), nullptr) != 1)
        return {};
    return QByteArray(reinterpret_cast<const char*>(digest), int(length)).toHex();
}

// Each entry: a line of its fields (the name in hexadecimal, as names may hold any byte but '/' and NUL), then
// the result's bytes.
QByteArray entryLine(const Entry& e) {
    return QByteArray(e.encrypt ? "E " : "D ") + NativeName::encode(e.name).toHex() + ' ' +
           QByteArray::number(e.result.size()) + ' ' + QByteArray::number(e.originalSize) + ' ' +
           QByteArray::number(e.originalModifiedNs) + ' ' + QByteArray::number(e.originalAccessedNs) + ' ' +
           checksum(e.result) + '\n';
}

bool writeAll(int fd, const char* data, qsizetype size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, std::size_t(size));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= n;
    }
    return true;
}

// The log opened for writing, only when it is the user's own regular file (created private when missing).
int openOwnForWriting(const QString& folder, bool& created) {
    const QByteArray native = NativeName::encode(path(folder));
    struct stat before {};
    created = ::lstat(native.constData(), &before) != 0;
    const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
    if (fd < 0)
        return -1;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !OwnFile::isOwn(st)) {
        ::close(fd);
        return -1;
    }
    return fd;
}
} // namespace

QString path(const QString& folder) {
    return folder + QStringLiteral(".zq4e-log");
}

int write(const QString& folder, const QList<Entry>& entries) {
    bool created = false;
    const int fd = openOwnForWriting(folder, created);
    if (fd < 0)
        return errno == ENOSPC || errno == EDQUOT ? -9 : -7;
    bool ok = ::ftruncate(fd, 0) == 0 && writeAll(fd, kHeader.constData(), kHeader.size());
    for (const Entry& e : entries) {
        const QByteArray line = entryLine(e);
        ok = ok && writeAll(fd, line.constData(), line.size()) && writeAll(fd, e.result.constData(), e.result.size());
    }
    ok = ok && ::fdatasync(fd) == 0;
    const int err = errno;
    ::close(fd);
    if (ok)
        DiskTrace::note(DiskTrace::Step::SyncFile, path(folder));
    if (ok && created) {
        const int dir = ::open(NativeName::encode(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ok = dir >= 0 && ::fsync(dir) == 0;
        if (dir >= 0)
            ::close(dir);
    }
    if (ok)
        return 0;
    clear(folder);
    return err == ENOSPC || err == EDQUOT ? -9 : -7;
}

void clear(const QString& folder) {
    bool created = false;
    const int fd = openOwnForWriting(folder, created);
    if (fd < 0)
        return;
    if (::ftruncate(fd, 0) != 0) {
        // Whatever it holds must not be believed later.
        ::close(fd);
        remove(folder);
        return;
    }
    ::close(fd);
}

Found read(const QString& folder, QList<Entry>& entries) {
    entries.clear();
    struct stat st {};
    if (::lstat(NativeName::encode(path(folder)).constData(), &st) != 0)
        return Found::None;
    const int fd = OwnFile::openOwn(path(folder));
    if (fd < 0)
        return Found::NotOwn;
    QFile f;
    if (!f.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return Found::Own;
    }
    if (f.read(kHeader.size()) != kHeader)
        return Found::Own;
    for (;;) {
        const QList<QByteArray> fields = f.readLine(1024).trimmed().split(' ');
        if (fields.size() != 7 || (fields[0] != "E" && fields[0] != "D"))
            break;
        Entry e;
        e.encrypt = fields[0] == "E";
        e.name = NativeName::decode(QByteArray::fromHex(fields[1]));
        bool sized = false;
        const qint64 size = fields[2].toLongLong(&sized);
        e.originalSize = fields[3].toLongLong();
        e.originalModifiedNs = fields[4].toLongLong();
        e.originalAccessedNs = fields[5].toLongLong();
        // Only plain names of this folder, so that a damaged log cannot point anywhere else.
        if (!sized || size < 0 || size > (qint64(64) << 20) || e.name.isEmpty() || e.name.contains(QLatin1Char('/')) ||
            e.name == QStringLiteral(".") || e.name == QStringLiteral(".."))
            break;
        e.result = f.read(size);
        if (e.result.size() != size || checksum(e.result) != fields[6])
            break;
        entries << e;
    }
    return Found::Own;
}

void remove(const QString& folder) {
    if (OwnFile::isOwn(path(folder)))
        ::unlink(NativeName::encode(path(folder)).constData());
}

} // namespace InPlaceLog
