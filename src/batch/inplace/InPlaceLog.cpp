#include "batch/inplace/InPlaceLog.h"

#include "batch/inplace/OwnFile.h"
#include "platform/filekit/PosixFile.h"
#include "platform/os/DiskTrace.h"
#include "platform/os/NativeName.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <openssl/evp.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace InPlaceLog {

namespace {
const QByteArray kHeader = QByteArrayLiteral("zq4 in-place log 2\n");
// Logs of earlier builds: their entries carry no digests, mode or file of the original.
const QByteArray kHeaderV1 = QByteArrayLiteral("zq4 in-place log 1\n");
const QString kName = QStringLiteral(".zq4e-log");

QByteArray checksum(const QByteArray& bytes) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_Digest(bytes.constData(), std::size_t(bytes.size()), digest, &length, EVP_sha256(), nullptr) != 1)
        return {};
    return QByteArray(reinterpret_cast<const char*>(digest), int(length)).toHex();
}

// The fields of an entry before its checksum; names may hold any byte but '/' and NUL, so they are hexadecimal.
QByteArray fieldsOf(const Entry& e) {
    return QByteArray(e.encrypt ? "E " : "D ") + NativeName::encode(e.name).toHex() + ' ' +
           QByteArray::number(e.result.size()) + ' ' + QByteArray::number(e.originalSize) + ' ' +
           QByteArray::number(e.originalModifiedNs) + ' ' + QByteArray::number(e.originalAccessedNs) + ' ' +
           QByteArray::number(e.mode, 8) + ' ' + QByteArray::number(e.device) + ' ' + QByteArray::number(e.inode) +
           ' ' + QByteArray::number(e.originalDigests.size());
}
// The checksum covers the fields, the result and the digests: no part of an entry is believed unless whole.
QByteArray entryChecksum(const QByteArray& fields, const Entry& e) {
    return checksum(fields + '\n' + e.result + e.originalDigests);
}

bool plainName(const QString& name) {
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) && name != QStringLiteral(".") &&
           name != QStringLiteral("..");
}

constexpr qint64 kMaxResult = qint64(64) << 20;

bool readEntryV2(QFile& f, const QList<QByteArray>& fields, Entry& e) {
    bool ok = fields.size() == 11;
    const auto number = [&](int i) {
        bool good = false;
        const qint64 v = fields.value(i).toLongLong(&good);
        ok = ok && good && v >= 0;
        return v;
    };
    e.encrypt = fields.value(0) == "E";
    e.name = NativeName::decode(QByteArray::fromHex(fields.value(1)));
    const qint64 size = number(2);
    e.originalSize = number(3);
    e.originalModifiedNs = number(4);
    e.originalAccessedNs = number(5);
    bool modeOk = false;
    e.mode = fields.value(6).toUInt(&modeOk, 8);
    e.device = quint64(number(7));
    e.inode = quint64(number(8));
    const qint64 digests = number(9);
    const qint64 stretches = (e.originalSize + kStretch - 1) / kStretch;
    ok = ok && modeOk && size <= kMaxResult && e.originalSize <= kMaxResult &&
         (digests == 0 || digests == stretches * kDigestSize || digests == (stretches + 1) * kDigestSize);
    if (!ok)
        return false;
    e.result = f.read(size);
    e.originalDigests = f.read(digests);
    return e.result.size() == size && e.originalDigests.size() == digests &&
           entryChecksum(fieldsOf(e), e) == fields.value(10);
}

bool readEntryV1(QFile& f, const QList<QByteArray>& fields, Entry& e) {
    if (fields.size() != 7)
        return false;
    e.encrypt = fields[0] == "E";
    e.name = NativeName::decode(QByteArray::fromHex(fields[1]));
    bool sized = false;
    const qint64 size = fields[2].toLongLong(&sized);
    e.originalSize = fields[3].toLongLong();
    e.originalModifiedNs = fields[4].toLongLong();
    e.originalAccessedNs = fields[5].toLongLong();
    if (!sized || size < 0 || size > kMaxResult)
        return false;
    e.result = f.read(size);
    return e.result.size() == size && checksum(e.result) == fields[6];
}
} // namespace

namespace {
// The digest of each piece [from[i], to[i]) of the bytes.
QByteArray digestsOfPieces(const char* bytes, const QList<std::pair<qint64, qint64>>& pieces) {
    QByteArray out;
    out.reserve(pieces.size() * kDigestSize);
    const std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    unsigned char digest[EVP_MAX_MD_SIZE];
    for (const auto& [from, to] : pieces) {
        unsigned int length = 0;
        if (!ctx || EVP_DigestInit_ex(ctx.get(), EVP_sha256(), nullptr) != 1 ||
            EVP_DigestUpdate(ctx.get(), bytes + from, std::size_t(to - from)) != 1 ||
            EVP_DigestFinal_ex(ctx.get(), digest, &length) != 1)
            return {};
        out.append(reinterpret_cast<const char*>(digest), kDigestSize);
    }
    return out;
}
// Where a result shorter than its original ends inside a stretch: the original's bytes from there to the
// stretch's end, which a write-back stopped before the file was cut to the result's length leaves behind it.
bool endsInsideAStretch(qint64 resultSize, qint64 originalSize) {
    return resultSize < originalSize && resultSize % kStretch != 0;
}
qint64 boundaryEnd(qint64 resultSize, qint64 originalSize) {
    return qMin((resultSize / kStretch + 1) * kStretch, originalSize);
}
} // namespace

QByteArray digestsOf(const QByteArray& original, qint64 resultSize) {
    QList<std::pair<qint64, qint64>> pieces;
    for (qint64 at = 0; at < original.size(); at += kStretch)
        pieces.append({at, qMin(at + kStretch, qint64(original.size()))});
    if (endsInsideAStretch(resultSize, original.size()))
        pieces.append({resultSize, boundaryEnd(resultSize, original.size())});
    return digestsOfPieces(original.constData(), pieces);
}

bool isOriginalStretch(const Entry& e, qint64 offset, const char* bytes, qint64 length) {
    const qint64 stretches = (e.originalSize + kStretch - 1) / kStretch;
    qint64 index = -1;
    if (offset % kStretch == 0 && length == qMin(kStretch, e.originalSize - offset) && length > 0)
        index = offset / kStretch;
    else if (endsInsideAStretch(e.result.size(), e.originalSize) && offset == e.result.size() &&
             length == boundaryEnd(offset, e.originalSize) - offset)
        index = stretches;
    if (index < 0 || e.originalDigests.size() < (index + 1) * kDigestSize)
        return false;
    const QByteArray digest = digestsOfPieces(bytes, {{0, length}});
    return digest.size() == kDigestSize &&
           std::memcmp(digest.constData(), e.originalDigests.constData() + index * kDigestSize, kDigestSize) == 0;
}

QString path(const QString& folder) {
    return folder + kName;
}

bool isLogName(const QString& name) {
    static const QRegularExpression pattern(QStringLiteral("^\\.zq4e-log(-[1-9][0-9]?)?$"));
    return pattern.match(name).hasMatch();
}

QString usablePath(const QString& folder, const QStringList& keep) {
    return OwnFile::usablePath(folder, kName, keep);
}

int write(const QString& logPath, const QList<Entry>& entries) {
    struct stat before {};
    const bool created = ::lstat(NativeName::encode(logPath).constData(), &before) != 0;
    const int fd = OwnFile::openOwnForWriting(logPath);
    if (fd < 0)
        return errno == ENOSPC || errno == EDQUOT ? -9 : -7;
    qint64 at = 0;
    const auto append = [fd, &at](const QByteArray& bytes) {
        const bool done = filekit::posix::pwriteFull(fd, bytes.constData(), bytes.size(), at);
        at += bytes.size();
        return done;
    };
    bool ok = ::ftruncate(fd, 0) == 0 && append(kHeader);
    for (const Entry& e : entries) {
        const QByteArray fields = fieldsOf(e);
        ok = ok && append(fields + ' ' + entryChecksum(fields, e) + '\n') && append(e.result) &&
             append(e.originalDigests);
    }
    ok = ok && ::fdatasync(fd) == 0;
    const int err = errno;
    ::close(fd);
    if (ok)
        DiskTrace::note(DiskTrace::Step::SyncFile, logPath);
    if (ok && created) {
        const QString folder = QFileInfo(logPath).absolutePath();
        const int dir = ::open(NativeName::encode(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ok = dir >= 0 && ::fsync(dir) == 0;
        if (dir >= 0)
            ::close(dir);
    }
    if (ok)
        return 0;
    // Nothing of it may be believed later, and an empty log is of no use to anyone.
    remove(logPath);
    return err == ENOSPC || err == EDQUOT ? -9 : -7;
}

void clear(const QString& logPath) {
    const int fd = OwnFile::openOwnForWriting(logPath);
    if (fd < 0)
        return;
    const bool emptied = ::ftruncate(fd, 0) == 0;
    ::close(fd);
    if (!emptied)
        remove(logPath); // whatever it holds must not be believed later
}

Found read(const QString& logPath, QList<Entry>& entries) {
    entries.clear();
    QFile f;
    if (const Found found = OwnFile::openIfOwn(logPath, f); found != Found::Own || !f.isOpen())
        return found;
    const QByteArray header = f.read(kHeader.size());
    const bool v1 = header == kHeaderV1;
    if (header != kHeader && !v1)
        return Found::Own;
    for (;;) {
        const QList<QByteArray> fields = f.readLine(1024).trimmed().split(' ');
        if (fields.first() != "E" && fields.first() != "D")
            break;
        Entry e;
        // Only plain names of this folder, so that a damaged log cannot point anywhere else.
        if (!(v1 ? readEntryV1(f, fields, e) : readEntryV2(f, fields, e)) || !plainName(e.name))
            break;
        entries << e;
    }
    return Found::Own;
}

void remove(const QString& logPath) {
    if (OwnFile::isOwn(logPath))
        ::unlink(NativeName::encode(logPath).constData());
}

} // namespace InPlaceLog
