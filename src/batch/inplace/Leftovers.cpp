#include "batch/inplace/Leftovers.h"

#include "batch/ResultCheck.h"
#include "batch/inplace/InPlaceFiles.h"
#include "batch/inplace/InPlaceJournal.h"
#include "batch/inplace/InPlaceLog.h"
#include "batch/inplace/OwnFile.h"
#include "batch/inplace/WriteBack.h"
#include "files/FileProc.h"
#include "files/FolderListing.h"
#include "files/FolderListingCache.h"
#include "platform/filekit/PosixFile.h"
#include "platform/os/FileIdentity.h"
#include "platform/os/NativeName.h"
#include "platform/os/PathEntry.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <algorithm>
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
QString shown(const QString& name) {
    return NativeName::shown(name);
}
QString interrupted(const QString& name) {
    return QStringLiteral("Found the result of an interrupted operation on ") + shown(name);
}

// The states of a journal entry whose result is still under its temporary name (Final is the one where it is not,
// Leftovers.h).
enum class JournalState { OriginalGone, OriginalIntact, OriginalChanged };

JournalState journalStateOf(const QString& original, const InPlaceJournal::Entry& e, bool complete) {
    const FileStamp now = FileStamp::of(original);
    if (!exists(original) || (now.valid && complete && overwrittenByPurge(original, e, now)))
        return JournalState::OriginalGone;
    if (now.valid && now.size == e.originalSize && now.modifiedNs == e.originalModifiedNs)
        return JournalState::OriginalIntact;
    return JournalState::OriginalChanged;
}

// One journal entry whose name the run covers and whose result is still under its temporary name.
void recoverEntry(const QString& folder, const InPlaceJournal::Entry& e, Outcome& out) {
    const QString temp = folder + e.tempName, original = folder + e.name;
    const bool complete = OwnFile::holdsResult(temp, e.resultSize, e.encrypt, e.resultOwner);
    switch (journalStateOf(original, e, complete)) {
    case JournalState::OriginalGone:
        if (complete && ::rename(NativeName::encode(temp).constData(), NativeName::encode(original).constData()) == 0) {
            out.restoredNames << e.name;
            out.lines << QStringLiteral("Found the complete result of an interrupted operation on ") + shown(e.name) +
                             QStringLiteral(" and put it back under that name.");
        } else {
            const QString aside = keepAside(temp, original);
            out.lines << interrupted(e.name) + QStringLiteral(", but could not put it back; it is in the file ") +
                             shown(aside.isEmpty() ? temp : aside) + QLatin1Char('.');
        }
        break;
    case JournalState::OriginalIntact:
        QFile::remove(temp);
        out.lines << interrupted(e.name) + QStringLiteral("; the original is intact, so the result was removed.");
        break;
    case JournalState::OriginalChanged: {
        const QString aside = keepAside(temp, original);
        out.lines << interrupted(e.name) +
                         QStringLiteral("; the original has changed since and was left as it is, the result is in "
                                        "the file ") +
                         shown(aside.isEmpty() ? temp : aside) + QLatin1Char('.');
        break;
    }
    }
}

// What a file is against a logged result (the log states of Leftovers.h): the result itself (written back, its
// times perhaps not yet given), the original untouched, a state only the writing back can have left (each 512-byte
// stretch the result's or the original's at that place, the size between theirs, the same file), or anything else.
enum class LogState { Complete, Intact, Partial, Other };

// Whether the stretch of `now` at `at` is the result's, or the original's with (past the original's end) the
// result's bytes, as a machine that went down while the result was written may have kept either of any block.
bool stretchIsOurs(const QByteArray& now, qsizetype at, const InPlaceLog::Entry& e, bool& original) {
    const qsizetype length = qMin(InPlaceLog::kStretch, now.size() - at);
    const QByteArray& result = e.result;
    const auto isResult = [&](qsizetype from, qsizetype count) {
        return from + count <= result.size() &&
               std::memcmp(now.constData() + from, result.constData() + from, size_t(count)) == 0;
    };
    if (isResult(at, length))
        return true;
    original = true;
    if (at >= e.originalSize)
        return false;
    // The whole of a shorter result written, the file not yet cut to its length: the result, then the original.
    if (at < result.size() && at + length > result.size() && isResult(at, result.size() - at) &&
        InPlaceLog::isOriginalStretch(e, result.size(), now.constData() + result.size(), at + length - result.size())) {
        original = false;
        return true;
    }
    const qsizetype inOriginal = qMin(InPlaceLog::kStretch, e.originalSize - at);
    if (length < inOriginal || !InPlaceLog::isOriginalStretch(e, at, now.constData() + at, inOriginal))
        return false;
    return length == inOriginal || isResult(at + inOriginal, length - inOriginal);
}

LogState stateOf(const QByteArray& now, const struct stat& st, const InPlaceLog::Entry& e) {
    if (!S_ISREG(st.st_mode) || (e.inode != 0 && (quint64(st.st_ino) != e.inode || quint64(st.st_dev) != e.device)))
        return LogState::Other;
    if (now == e.result)
        return LogState::Complete;
    const qint64 modifiedNs = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    if (e.originalDigests.isEmpty()) // a log of an earlier build tells no more than this
        return now.size() == e.originalSize && modifiedNs == e.originalModifiedNs ? LogState::Intact : LogState::Other;
    if (now.size() < qMin(e.originalSize, qint64(e.result.size())) ||
        now.size() > qMax(e.originalSize, qint64(e.result.size())))
        return LogState::Other;
    bool anyResult = false;
    for (qsizetype at = 0; at < now.size(); at += InPlaceLog::kStretch) {
        bool original = false;
        if (!stretchIsOurs(now, at, e, original))
            return LogState::Other;
        anyResult = anyResult || !original;
    }
    return !anyResult && now.size() == e.originalSize ? LogState::Intact : LogState::Partial;
}

QByteArray readUpTo(int fd, qint64 limit) {
    QByteArray bytes(limit, Qt::Uninitialized);
    bytes.truncate(qMax<qint64>(0, filekit::posix::preadFull(fd, bytes.data(), limit, 0)));
    return bytes;
}

void giveMode(int fd, const InPlaceLog::Entry& e) {
    if (e.mode != 0)
        ::fchmod(fd, mode_t(e.mode));
}

// One result of the folder's log, where the run covers its name: written over its original when the file is in a
// state only the writing back can have left; given its times and mode when it was written whole; dropped when the
// original is intact; otherwise the file is left exactly as it is and the result goes beside it. False when the
// result could be kept nowhere but in the log.
bool recoverWrittenBack(const QString& folder, const QString& logPath, const InPlaceLog::Entry& e, Outcome& out) {
    const QString original = folder + e.name;
    const QByteArray native = NativeName::encode(original);
    // Whoever owns it: what the writing back could write, recovery may finish, once its contents prove it ours.
    // Never through a link, never waiting on a FIFO; a read-only file is only read until it proves half written.
    int fd = ::open(native.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    struct stat st {};
    const bool present = ::lstat(native.constData(), &st) == 0;
    const bool opened = fd >= 0 && ::fstat(fd, &st) == 0;
    const QByteArray now =
        opened && S_ISREG(st.st_mode) ? readUpTo(fd, qMax(e.originalSize, qint64(e.result.size())) + 1) : QByteArray();
    LogState state = opened ? stateOf(now, st, e) : LogState::Other;
    bool unwritable = false;
    if (state == LogState::Partial) {
        mode_t modeToRestore = 0;
        const int writable = WriteBack::openForWriting(native, modeToRestore);
        struct stat again {};
        if (writable >= 0 && ::fstat(writable, &again) == 0 && again.st_ino == st.st_ino && again.st_dev == st.st_dev) {
            ::close(fd);
            fd = writable;
        } else {
            if (writable >= 0)
                ::close(writable);
            state = LogState::Other;
            unwritable = true;
        }
        if (modeToRestore && e.mode == 0)
            ::fchmod(fd, modeToRestore);
    }
    bool settled = true;
    if (state == LogState::Complete) {
        const qint64 modifiedNs = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
        if (modifiedNs != e.originalModifiedNs)
            WriteBack::giveTimes(fd, e.originalAccessedNs, e.originalModifiedNs);
        giveMode(fd, e);
    } else if (state == LogState::Partial &&
               !(unwritable = !WriteBack::writeWhole(fd, e.result, e.originalAccessedNs, e.originalModifiedNs))) {
        giveMode(fd, e);
        out.restoredNames << e.name;
        out.lines << QStringLiteral("Found the complete result of an interrupted operation on ") + shown(e.name) +
                         QStringLiteral(" and put it back under that name.");
    } else if (state == LogState::Intact) {
        giveMode(fd, e);
        out.lines << interrupted(e.name) + QStringLiteral("; the original is intact, so the result was removed.");
    } else {
        const QString aside =
            InPlaceFiles::keepInFile(e.result, original + QStringLiteral(".recovered"), e.originalAccessedNs,
                                     e.originalModifiedNs, present ? &st : nullptr);
        settled = !aside.isEmpty();
        const QString where = shown(aside.isEmpty() ? logPath : aside);
        out.lines << interrupted(e.name) +
                         (unwritable ? QStringLiteral("; the file holds part of it but could not be written, so it was "
                                                      "left as it is, the result is in the file ")
                          : present  ? QStringLiteral("; the original has changed since and was left as it is, the "
                                                       "result is in the file ")
                                    : QStringLiteral("; the original is no longer there, the result is in the file ")) +
                         where + QLatin1Char('.');
    }
    if (fd >= 0)
        ::close(fd);
    return settled;
}

// One log of the folder (InPlaceLog.h). Entries for names the run does not cover, and results that could be
// kept nowhere else, stay in a log; the log path that keeps them is added to out.keptLogs.
bool recoverLog(const QString& folder, const QString& logPath, const QString& spec, Outcome& out) {
    QList<InPlaceLog::Entry> entries, kept;
    if (InPlaceLog::read(logPath, entries) != InPlaceLog::Found::Own)
        return false;
    bool acted = false;
    for (const InPlaceLog::Entry& e : std::as_const(entries)) {
        if (!FileProc::FileNameMatchesSpec(e.name, spec, false)) {
            kept << e;
            continue;
        }
        acted = true;
        if (!recoverWrittenBack(folder, logPath, e, out))
            kept << e;
    }
    // What was written is on the disk before the log that could write it again goes.
    if (acted)
        ResultCheck::syncFileSystem(folder + QStringLiteral("."));
    if (kept.isEmpty()) {
        InPlaceLog::remove(logPath);
    } else if (kept.size() < entries.size()) {
        // The rest under another name first: the log goes only once they are safe.
        const QString rest = InPlaceLog::usablePath(folder, out.keptLogs + QStringList{logPath});
        if (!rest.isEmpty() && InPlaceLog::write(rest, kept) == 0) {
            InPlaceLog::remove(logPath);
            out.keptLogs << rest;
        } else {
            out.keptLogs << logPath;
        }
    } else {
        out.keptLogs << logPath;
    }
    return true;
}

// The names in the folder that begin with ours (".zq4e-", letter case ignored), in name order: files, links to
// anything but a folder, and pipes, devices and sockets; never folders. Taken from the folder's one listing.
QStringList namesOfOurs(const QString& folder) {
    const Folder::Contents contents = Folder::listFolder(folder, Folder::Order::AsFound);
    const auto isOurs = [](const QString& name) {
        return name.startsWith(QLatin1String(".zq4e-"), Qt::CaseInsensitive);
    };
    QStringList names;
    for (const QString& name : contents.files)
        if (isOurs(name))
            names << name;
    for (const Folder::OtherEntry& e : contents.others) {
        if (!isOurs(e.name) || e.kind == PathEntry::Kind::Missing)
            continue;
        struct stat st {};
        if (e.kind == PathEntry::Kind::Link && ::stat(NativeName::encode(folder + e.name).constData(), &st) == 0 &&
            S_ISDIR(st.st_mode))
            continue;
        names << e.name;
    }
    std::sort(names.begin(), names.end());
    return names;
}

QString notOursLine(const QString& name, const QString& what) {
    return QStringLiteral("The file ") + shown(name) + QStringLiteral(" in this folder is not a ") + what +
           QStringLiteral(" of this user's (it is a link, not a regular file, or another user's file) and was left "
                          "as it is; this user's runs use another name for it here.");
}
} // namespace

Outcome recover(const QString& folder, const QString& spec) {
    Outcome out;
    // Only our own names are asked for: a folder of many files is not listed and sorted again.
    const QStringList ours = namesOfOurs(folder);
    bool changed = false;
    if (OwnFile::usablePath(folder, QStringLiteral(".zq4e-log")) != InPlaceLog::path(folder) &&
        PathEntry::exists(InPlaceLog::path(folder)))
        out.lines << notOursLine(QFileInfo(InPlaceLog::path(folder)).fileName(), QStringLiteral("log"));
    for (const QString& name : ours)
        if (InPlaceLog::isLogName(name))
            changed = recoverLog(folder, folder + name, spec, out) || changed;

    if (OwnFile::usablePath(folder, QStringLiteral(".zq4e-journal")) != InPlaceJournal::path(folder) &&
        PathEntry::exists(InPlaceJournal::path(folder)))
        out.lines << notOursLine(QFileInfo(InPlaceJournal::path(folder)).fileName(), QStringLiteral("journal"));
    QList<InPlaceJournal::Entry> entries;
    QStringList journals;
    for (const QString& name : ours) {
        QList<InPlaceJournal::Entry> more;
        if (InPlaceJournal::isJournalName(name) &&
            InPlaceJournal::read(folder + name, more) == InPlaceJournal::Found::Own) {
            journals << folder + name;
            entries << more;
        }
    }
    QList<InPlaceJournal::Entry>& kept = out.kept;
    QSet<QString> vouched;
    for (const InPlaceJournal::Entry& e : std::as_const(entries)) {
        vouched.insert(e.tempName);
        struct stat st {};
        if (::lstat(NativeName::encode(folder + e.tempName).constData(), &st) != 0)
            continue; // Final: the result took its name before the run ended
        if (!FileProc::FileNameMatchesSpec(e.name, spec, false)) {
            kept << e;
            out.lines << interrupted(e.name) + QStringLiteral(" in the file ") + e.tempName +
                             QStringLiteral("; the name is not among the files of this run, so both were left as they "
                                            "are.");
            continue;
        }
        // The run's own result, or one it gave the original's owner (as root): one name, a regular file.
        const bool given =
            e.resultOwner >= 0 && S_ISREG(st.st_mode) && st.st_nlink == 1 && qint64(st.st_uid) == e.resultOwner;
        if (!OwnFile::isOwn(st) && !given) {
            out.lines << QStringLiteral("The file ") + e.tempName +
                             QStringLiteral(" named in this folder's journal is not a file of this user's (it is a "
                                            "link, not a regular file, or another user's file) and was left as it is.");
            continue;
        }
        recoverEntry(folder, e, out);
        changed = true;
    }
    if (!journals.isEmpty()) {
        if (!kept.isEmpty())
            InPlaceJournal::write(folder, kept, true);
        const QString keptIn =
            kept.isEmpty() ? QString() : OwnFile::usablePath(folder, QStringLiteral(".zq4e-journal"));
        for (const QString& journal : std::as_const(journals))
            if (journal != keptIn)
                InPlaceJournal::remove(journal);
        changed = true;
    }
    for (const QString& name : ours) {
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
    // Whatever was found here, the folder is read again rather than taken from before the run.
    if (!ours.isEmpty() || !out.lines.isEmpty())
        Folder::forgetListing(folder);
    return out;
}

} // namespace Leftovers
