#include "batch/InPlaceLog.h"

#include "batch/OwnFile.h"
#include "platform/filekit/PosixFile.h"
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

} // namespace

QString path(const QString& folder) {
    return folder + QStringLiteral(".zq4e-log");
}

int write(const QString& folder, const QList<Entry>& entries) {
    struct stat before {};
    const bool created = ::lstat(NativeName::encode(path(folder)).constData(), &before) != 0;
    const int fd = OwnFile::openOwnForWriting(path(folder));
    if (fd < 0)
        return errno == ENOSPC || errno == EDQUOT ? -9 : -7;
    qint64 at = 0;
    const auto append = [fd, &at](const QByteArray& bytes) {
        const bool done = filekit::posix::pwriteFull(fd, bytes.constData(), bytes.size(), at);
        at += bytes.size();
        return done;
    };
    bool ok = ::ftruncate(fd, 0) == 0 && append(kHeader);
    for (const Entry& e : entries)
        ok = ok && append(entryLine(e)) && append(e.result);
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
    const int fd = OwnFile::openOwnForWriting(path(folder));
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
    QFile f;
    if (const Found found = OwnFile::openIfOwn(path(folder), f); found != Found::Own || !f.isOpen())
        return found;
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
