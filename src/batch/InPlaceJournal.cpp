#include "batch/InPlaceJournal.h"

#include "platform/os/NativeName.h"

#include <QFile>
#include <QRegularExpression>

#include <fcntl.h>
#include <openssl/rand.h>
#include <unistd.h>

namespace InPlaceJournal {

namespace {
const char kHeader[] = "zq4 in-place journal 1";

// Names may hold any byte but '/' and NUL, line breaks and tabs included: they are stored in hexadecimal.
QByteArray field(const QString& name) {
    return NativeName::encode(name).toHex();
}
QString name(const QByteArray& hex) {
    return NativeName::decode(QByteArray::fromHex(hex));
}
} // namespace

QString path(const QString& folder) {
    return folder + QStringLiteral(".zq4e-journal");
}

bool write(const QString& folder, const QList<Entry>& entries, bool sync) {
    QByteArray text = QByteArray(kHeader) + '\n';
    for (const Entry& e : entries)
        text += QByteArray(e.encrypt ? "E" : "D") + ' ' + field(e.tempName) + ' ' + field(e.name) + ' ' +
                QByteArray::number(e.resultSize) + ' ' + QByteArray::number(e.originalSize) + ' ' +
                QByteArray::number(e.originalModifiedNs) + '\n';
    const QByteArray native = NativeName::encode(path(folder));
    const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return false;
    qsizetype done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.constData() + done, std::size_t(text.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += n;
    }
    const bool ok = done == text.size() && (!sync || ::fsync(fd) == 0);
    ::close(fd);
    if (!ok)
        ::unlink(native.constData());
    return ok;
}

QList<Entry> read(const QString& folder) {
    QList<Entry> entries;
    QFile f(path(folder));
    if (!f.open(QIODevice::ReadOnly))
        return entries;
    const QList<QByteArray> lines = f.read(16 << 20).split('\n');
    if (lines.isEmpty() || lines.first() != kHeader)
        return entries;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QList<QByteArray> f = lines[i].split(' ');
        if (f.size() != 6 || (f[0] != "E" && f[0] != "D"))
            continue;
        Entry e;
        e.encrypt = f[0] == "E";
        e.tempName = name(f[1]);
        e.name = name(f[2]);
        e.resultSize = f[3].toLongLong();
        e.originalSize = f[4].toLongLong();
        e.originalModifiedNs = f[5].toLongLong();
        // Only plain names of this folder, so a damaged journal cannot point anywhere else.
        if (e.tempName.isEmpty() || e.name.isEmpty() || e.tempName.contains(QLatin1Char('/')) ||
            e.name.contains(QLatin1Char('/')) || e.name == QStringLiteral(".") || e.name == QStringLiteral(".."))
            continue;
        entries << e;
    }
    return entries;
}

void remove(const QString& folder) {
    ::unlink(NativeName::encode(path(folder)).constData());
}

QString newTemporaryName() {
    unsigned char r[8];
    if (RAND_bytes(r, sizeof r) != 1)
        return {};
    return QStringLiteral(".zq4e-") + QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(r), 8).toHex()) +
           QStringLiteral(".tmp");
}

bool isTemporaryName(const QString& name) {
    static const QRegularExpression pattern(QStringLiteral("^\\.zq4e-[0-9a-f]{16}\\.tmp$"));
    return pattern.match(name).hasMatch();
}

} // namespace InPlaceJournal
