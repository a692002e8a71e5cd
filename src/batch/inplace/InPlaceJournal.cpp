#include "batch/inplace/InPlaceJournal.h"

#include "batch/inplace/OwnFile.h"
#include "platform/filekit/PosixFile.h"
#include "platform/os/NativeName.h"

#include <QFile>
#include <QRegularExpression>

#include <fcntl.h>
#include <openssl/rand.h>
#include <sys/stat.h>
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

const QString kName = QStringLiteral(".zq4e-journal");

QString path(const QString& folder) {
    return folder + kName;
}

bool isJournalName(const QString& name) {
    static const QRegularExpression pattern(QStringLiteral("^\\.zq4e-journal(-[1-9][0-9]?)?$"));
    return pattern.match(name).hasMatch();
}

bool write(const QString& folder, const QList<Entry>& entries, bool sync) {
    QByteArray text = QByteArray(kHeader) + '\n';
    for (const Entry& e : entries)
        text += QByteArray(e.encrypt ? "E" : "D") + ' ' + field(e.tempName) + ' ' + field(e.name) + ' ' +
                QByteArray::number(e.resultSize) + ' ' + QByteArray::number(e.originalSize) + ' ' +
                QByteArray::number(e.originalModifiedNs) + ' ' + QByteArray::number(e.resultOwner) + '\n';
    const QString journal = OwnFile::usablePath(folder, kName);
    const QByteArray native = NativeName::encode(journal);
    // Emptied only once it is known to be ours: another user's file under the name is neither written nor removed.
    const int fd = journal.isEmpty() ? -1 : OwnFile::openOwnForWriting(journal);
    if (fd < 0)
        return false;
    const bool ok = ::ftruncate(fd, 0) == 0 && filekit::posix::pwriteFull(fd, text.constData(), text.size(), 0) &&
                    (!sync || ::fsync(fd) == 0);
    ::close(fd);
    if (!ok)
        ::unlink(native.constData());
    return ok;
}

Found read(const QString& journalPath, QList<Entry>& entries) {
    entries.clear();
    QFile f;
    if (const Found found = OwnFile::openIfOwn(journalPath, f); found != Found::Own || !f.isOpen())
        return found;
    const QList<QByteArray> lines = f.read(16 << 20).split('\n');
    if (lines.isEmpty() || lines.first() != kHeader)
        return Found::Own;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QList<QByteArray> f = lines[i].split(' ');
        if ((f.size() != 6 && f.size() != 7) || (f[0] != "E" && f[0] != "D"))
            continue;
        Entry e;
        e.encrypt = f[0] == "E";
        e.tempName = name(f[1]);
        e.name = name(f[2]);
        e.resultSize = f[3].toLongLong();
        e.originalSize = f[4].toLongLong();
        e.originalModifiedNs = f[5].toLongLong();
        e.resultOwner = f.size() == 7 ? f[6].toLongLong() : -1;
        // Only our temporary names and plain names of this folder, so a damaged journal cannot point anywhere else.
        if (!isTemporaryName(e.tempName) || e.name.isEmpty() || e.name.contains(QLatin1Char('/')) ||
            e.name == QStringLiteral(".") || e.name == QStringLiteral(".."))
            continue;
        entries << e;
    }
    return Found::Own;
}

void remove(const QString& journalPath) {
    if (OwnFile::isOwn(journalPath))
        ::unlink(NativeName::encode(journalPath).constData());
}

void removeIn(const QString& folder) {
    const QString journal = OwnFile::usablePath(folder, kName);
    if (!journal.isEmpty())
        remove(journal);
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
