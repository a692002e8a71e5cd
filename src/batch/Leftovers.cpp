#include "batch/Leftovers.h"

#include "batch/InPlaceFiles.h"
#include "batch/InPlaceJournal.h"
#include "batch/InPlaceLog.h"
#include "batch/OwnFile.h"
#include "batch/ResultCheck.h"
#include "batch/WriteBack.h"
#include "files/FileIdentity.h"
#include "files/FileProc.h"
#include "platform/filekit/PosixFile.h"
#include "platform/os/NativeName.h"

#include <QDir>
#include <QFile>
#include <QSet>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Leftovers {

namespace {
bool exists(const QString& path) {
    struct stat st {};
    return ::lstat(NativeName::encode(path).constData(), &st) == 0;
}

// The purge overwrites an original with random bytes before it removes it; a file of the original's size
// that now looks random (or is too small to tell) is such an overwritten original.
bool overwrittenByPurge(const QString& path, const InPlaceJournal::Entry& e, const FileStamp& now) {
    if (!e.encrypt || now.size != e.originalSize)
        return false;
    const double randomness = FileProc::FileRandomness(path, 256);
    return randomness <= -15 || randomness >= 0.89;
}
// A result that cannot be put back is given a visible name of its own, so no later run takes it for a
// leftover; empty when even that fails.
QString keepAside(const QString& temp, const QString& original) {
    const QString aside = FileProc::NewFilePath(original + QStringLiteral(".recovered"));
    if (aside.isEmpty() || !QFile::rename(temp, aside))
        return {};
    return aside;
}
QString interrupted(const QString& name) {
    return QStringLiteral("Found the result of an interrupted operation on ") + name;
}

// One journal entry whose name the run covers and whose result is still under its temporary name.
void recoverEntry(const QString& folder, const InPlaceJournal::Entry& e, Outcome& out) {
    const QString temp = folder + e.tempName, original = folder + e.name;
    const FileStamp now = FileStamp::of(original);
    const bool complete = OwnFile::holdsResult(temp, e.resultSize, e.encrypt);
    if (!exists(original) || (now.valid && complete && overwrittenByPurge(original, e, now))) {
        if (complete && ::rename(NativeName::encode(temp).constData(), NativeName::encode(original).constData()) == 0) {
            out.restoredNames << e.name;
            out.lines << QStringLiteral("Found the complete result of an interrupted operation on ") + e.name +
                             QStringLiteral(" and put it back under that name.");
        } else {
            const QString aside = keepAside(temp, original);
            out.lines << interrupted(e.name) + QStringLiteral(", but could not put it back; it is in the file ") +
                             (aside.isEmpty() ? temp : aside) + QLatin1Char('.');
        }
    } else if (now.valid && now.size == e.originalSize && now.modifiedNs == e.originalModifiedNs) {
        QFile::remove(temp);
        out.lines << interrupted(e.name) + QStringLiteral("; the original is intact, so the result was removed.");
    } else {
        const QString aside = keepAside(temp, original);
        out.lines << interrupted(e.name) +
                         QStringLiteral("; the original has changed since and was left as it is, the result is in "
                                        "the file ") +
                         (aside.isEmpty() ? temp : aside) + QLatin1Char('.');
    }
}

// Whether the file holds some of the result where the result has it, which only the writing back can have put
// there: 16 bytes or more of the result at their place within one 512-byte stretch, or (a decryption, whose
// result is shorter than its original) the whole result at the start of a file not yet cut to it. Every stretch
// is compared, not the first bytes alone, as a machine that went down may have kept any of the blocks written.
bool holdsPartOf(const QByteArray& now, const InPlaceLog::Entry& e) {
    const QByteArray& result = e.result;
    if (!result.isEmpty() && now.size() == e.originalSize && now.startsWith(result))
        return true;
    constexpr qsizetype kStretch = 512, kLeast = 16;
    for (qsizetype at = 0; at < result.size() && at < now.size(); at += kStretch) {
        const qsizetype length = qMin(kStretch, qMin(result.size(), now.size()) - at);
        if (length >= kLeast && std::memcmp(now.constData() + at, result.constData() + at, std::size_t(length)) == 0)
            return true;
    }
    return false;
}

QByteArray readUpTo(int fd, qint64 limit) {
    QByteArray bytes(limit, Qt::Uninitialized);
    bytes.truncate(qMax<qint64>(0, filekit::posix::preadFull(fd, bytes.data(), limit, 0)));
    return bytes;
}

// One result of the folder's log: written over its original, unless the writing back had not begun (the original
// intact) or the file has changed since (the result goes beside it).
void recoverWrittenBack(const QString& folder, const InPlaceLog::Entry& e, Outcome& out) {
    const QString original = folder + e.name;
    const QByteArray native = NativeName::encode(original);
    struct stat st {};
    const bool present = ::lstat(native.constData(), &st) == 0;
    const int fd = !present ? ::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600)
                   : OwnFile::isOwn(st) ? ::open(native.constData(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC)
                                        : -1;
    const QByteArray now =
        fd >= 0 && present ? readUpTo(fd, qMax(e.originalSize, qint64(e.result.size())) + 1) : QByteArray();
    const bool ours = !present || (fd >= 0 && holdsPartOf(now, e));
    if (fd >= 0 && present && now == e.result) {
        // Written back before the run ended; the times may not have been given yet.
        WriteBack::giveTimes(fd, e.originalAccessedNs, e.originalModifiedNs);
    } else if (fd >= 0 && ours && WriteBack::writeWhole(fd, e.result, e.originalAccessedNs, e.originalModifiedNs)) {
        out.restoredNames << e.name;
        out.lines << QStringLiteral("Found the complete result of an interrupted operation on ") + e.name +
                         QStringLiteral(" and put it back under that name.");
    } else if (present && fd >= 0 && !ours && st.st_size == e.originalSize &&
               qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec == e.originalModifiedNs) {
        out.lines << interrupted(e.name) + QStringLiteral("; the original is intact, so the result was removed.");
    } else {
        if (!present && fd >= 0)
            ::unlink(native.constData());
        const QString aside = InPlaceFiles::keepInFile(e.result, original + QStringLiteral(".recovered"),
                                                       e.originalAccessedNs, e.originalModifiedNs);
        out.lines << interrupted(e.name) +
                         QStringLiteral("; the original has changed since and was left as it is, the result is in "
                                        "the file ") +
                         (aside.isEmpty() ? InPlaceLog::path(folder) : aside) + QLatin1Char('.');
    }
    if (fd >= 0)
        ::close(fd);
}

// What the folder's log holds (InPlaceLog.h); true when there was anything to put right. The log is acted on
// whatever the run's file pattern: no step of it loses anything, and a file left half written must not wait.
bool recoverLog(const QString& folder, Outcome& out) {
    QList<InPlaceLog::Entry> entries;
    const InPlaceLog::Found found = InPlaceLog::read(folder, entries);
    if (found == InPlaceLog::Found::NotOwn)
        out.lines << QStringLiteral("The file ") + QFileInfo(InPlaceLog::path(folder)).fileName() +
                         QStringLiteral(" in this folder is not a log of this user's (it is a link, not a regular "
                                        "file, or another user's file) and was left as it is.");
    if (found != InPlaceLog::Found::Own)
        return false;
    for (const InPlaceLog::Entry& e : std::as_const(entries))
        recoverWrittenBack(folder, e, out);
    // What was written is on the disk before the log that could write it again goes.
    if (!entries.isEmpty())
        ResultCheck::syncFileSystem(folder + QStringLiteral("."));
    InPlaceLog::remove(folder);
    return true;
}
} // namespace

Outcome recover(const QString& folder, const QString& spec) {
    Outcome out;
    bool changed = recoverLog(folder, out);
    QList<InPlaceJournal::Entry> entries;
    QList<InPlaceJournal::Entry>& kept = out.kept;
    const InPlaceJournal::Found journal = InPlaceJournal::read(folder, entries);
    if (journal == InPlaceJournal::Found::NotOwn)
        out.lines << QStringLiteral("The file ") + QFileInfo(InPlaceJournal::path(folder)).fileName() +
                         QStringLiteral(" in this folder is not a journal of this user's (it is a link, not a regular "
                                        "file, or another user's file) and was left as it is.");
    QSet<QString> vouched;
    for (const InPlaceJournal::Entry& e : std::as_const(entries)) {
        vouched.insert(e.tempName);
        struct stat st {};
        if (::lstat(NativeName::encode(folder + e.tempName).constData(), &st) != 0)
            continue; // made final before the run ended
        if (!FileProc::FileNameMatchesSpec(e.name, spec, false)) {
            kept << e;
            out.lines << interrupted(e.name) + QStringLiteral(" in the file ") + e.tempName +
                             QStringLiteral("; the name is not among the files of this run, so both were left as they "
                                            "are.");
            continue;
        }
        if (!OwnFile::isOwn(st)) {
            out.lines << QStringLiteral("The file ") + e.tempName +
                             QStringLiteral(" named in this folder's journal is not a file of this user's (it is a "
                                            "link, not a regular file, or another user's file) and was left as it is.");
            continue;
        }
        recoverEntry(folder, e, out);
        changed = true;
    }
    if (journal == InPlaceJournal::Found::Own) {
        if (kept.isEmpty())
            InPlaceJournal::remove(folder);
        else
            InPlaceJournal::write(folder, kept, true);
        changed = true;
    }
    // Only our own temporary names are asked for: a folder of many files is not listed and sorted again.
    const QStringList hidden =
        QDir(folder).entryList({QStringLiteral(".zq4e-*.tmp")}, QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    for (const QString& name : hidden) {
        if (!InPlaceJournal::isTemporaryName(name) || vouched.contains(name) || !OwnFile::isOwn(folder + name))
            continue;
        if (QFile::remove(folder + name)) {
            changed = true;
            out.lines << QStringLiteral("Removed the temporary file ") + name +
                             QStringLiteral(" left by an interrupted operation.");
        }
    }
    if (changed)
        ResultCheck::syncFolder(folder + QStringLiteral("."));
    return out;
}

} // namespace Leftovers
