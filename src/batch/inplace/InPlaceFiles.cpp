#include "batch/inplace/InPlaceFiles.h"

#include "batch/inplace/InPlaceLog.h"
#include "batch/ResultCheck.h"
#include "files/FileProc.h"
#include "platform/filekit/FileKit.h"
#include "platform/filekit/PosixFile.h"
#include "platform/os/DiskTrace.h"
#include "platform/os/NativeName.h"
#include "platform/os/PathEntry.h"

#include <QFile>
#include <QFileInfo>

#include <openssl/crypto.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {
QString folderOf(const QString& path) {
    return QFileInfo(path).absolutePath() + QLatin1Char('/');
}

InPlaceJournal::Entry entryFor(bool encrypt, const QString& path, const QString& tempPath, const FileStamp& original) {
    InPlaceJournal::Entry e;
    e.encrypt = encrypt;
    e.tempName = QFileInfo(tempPath).fileName();
    e.name = QFileInfo(path).fileName();
    e.resultSize = PathEntry::size(tempPath);
    e.originalSize = original.size;
    e.originalModifiedNs = original.modifiedNs;
    // The owner the result is given once the journal vouches for it (InPlaceFiles::giveOwner), where it can be.
    e.resultOwner = original.owner;
    return e;
}

bool unchanged(const QString& path, const FileStamp& original) {
    return FileStamp::of(path).unchangedSince(original);
}

// The original's access control list, where it has one, goes with its result, as it does for a result written
// over its original: those the user let read the file may read the result, and no one else.
void copyAccessList(const QString& path, const QString& tempPath) {
    static const char kName[] = "system.posix_acl_access";
    const QByteArray from = NativeName::encode(path), to = NativeName::encode(tempPath);
    const ssize_t size = ::lgetxattr(from.constData(), kName, nullptr, 0);
    if (size <= 0)
        return;
    QByteArray list(size, '\0');
    const ssize_t got = ::lgetxattr(from.constData(), kName, list.data(), std::size_t(list.size()));
    if (got > 0)
        ::lsetxattr(to.constData(), kName, list.constData(), std::size_t(got), 0);
}

// What the folder's log says of an original: its file, times, mode and the digests of its stretches, read from
// the file itself while it is still the original the result was made from. False when it no longer is.
bool describeOriginal(const QString& path, const FileStamp& original, qint64 resultSize, InPlaceLog::Entry& e) {
    const int fd =
        ::open(NativeName::encode(path).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return false;
    QByteArray bytes(original.size, Qt::Uninitialized);
    const bool read = FileStamp::of(path).unchangedSince(original) &&
                      filekit::posix::preadFull(fd, bytes.data(), bytes.size(), 0) == bytes.size();
    ::close(fd);
    if (read)
        e.originalDigests = InPlaceLog::digestsOf(bytes, resultSize);
    OPENSSL_cleanse(bytes.data(), std::size_t(bytes.size())); // plaintext, when encrypting
    e.mode = quint32(original.mode & 07777);
    e.device = quint64(original.device);
    e.inode = quint64(original.inode);
    return read && !e.originalDigests.isEmpty();
}
} // namespace

QString InPlaceFiles::temporaryPathFor(const QString& path) {
    const QString folder = folderOf(path);
    for (int attempt = 0; attempt < 16; ++attempt) {
        const QString name = InPlaceJournal::newTemporaryName();
        if (name.isEmpty())
            return {};
        struct stat st {};
        if (::lstat(NativeName::encode(folder + name).constData(), &st) != 0)
            return folder + name;
    }
    return {};
}

int InPlaceFiles::checkResult(const QString& path, const QString& tempPath, const FileStamp& original,
                              const std::function<bool()>& readBack) {
    int code = 0;
    if (!unchanged(path, original))
        code = ChangedDuringOperation;
    else if (!readBack())
        code = -7; // the result does not read back as the original: keep the original
    if (code != 0) {
        PathEntry::remove(tempPath);
        return code;
    }
    return 0;
}

void InPlaceFiles::giveOwner(const QString& path, const QString& tempPath, const FileStamp& original) {
    // The original's owner and group where we may give them; a group we cannot give takes the group's and
    // others' permissions with it, so the result is never readable by more people than the original.
    const QByteArray temp = NativeName::encode(tempPath);
    if (::chown(temp.constData(), original.owner, original.group) != 0 &&
        ::chown(temp.constData(), uid_t(-1), original.group) != 0) {
        struct stat st {};
        if (::stat(temp.constData(), &st) == 0)
            ::chmod(temp.constData(), st.st_mode & 0700);
        return;
    }
    copyAccessList(path, tempPath);
}

int InPlaceFiles::purgeCode(int purgeResult) {
    // Gone, a link removed, other names kept, not found, or overwritten but not removable (the rename replaces it).
    return purgeResult >= -2 || purgeResult == -11 || purgeResult == -15 ? 0 : PurgeFailed;
}

QString InPlaceFiles::keepAside(const QString& tempPath, const QString& path) {
    const QString aside = FileProc::NewFilePath(path);
    if (!aside.isEmpty() &&
        ::rename(NativeName::encode(tempPath).constData(), NativeName::encode(aside).constData()) == 0)
        return aside;
    return tempPath;
}

void InPlaceFiles::keepJournalEntries(const QString& folder, const QList<InPlaceJournal::Entry>& entries) {
    // Under the folder's name as folderOf() gives it for any file of the folder.
    const QString key = folderOf(folder + QStringLiteral("file"));
    if (entries.isEmpty())
        m_stuck.remove(key);
    else
        m_stuck[key] = entries;
}

bool InPlaceFiles::writeJournal(const QString& folder, const QList<InPlaceJournal::Entry>& entries, bool sync) {
    return InPlaceJournal::write(folder, m_stuck.value(folder) + entries, sync);
}

void InPlaceFiles::closeJournal(const QString& folder) {
    const QList<InPlaceJournal::Entry> stuck = m_stuck.value(folder);
    if (stuck.isEmpty())
        InPlaceJournal::removeIn(folder);
    else
        InPlaceJournal::write(folder, stuck, false);
}

void InPlaceFiles::noteRenamed(const QString& path) {
    if (!m_unsyncedResult.isEmpty() && folderOf(m_unsyncedResult) != folderOf(path))
        syncPendingFolder();
    m_unsyncedResult = path;
}

int InPlaceFiles::replace(const QString& path, const QString& tempPath, const FileStamp& original, bool encrypt,
                          QString& resultPath) {
    resultPath = tempPath;
    const QString folder = folderOf(path);
    const InPlaceJournal::Entry entry = entryFor(encrypt, path, tempPath, original);
    // The result and the journal (and their names) reach the disk before anything happens to the original.
    if (!writeJournal(folder, {entry}, true) || !ResultCheck::syncFolder(path)) {
        PathEntry::remove(tempPath);
        closeJournal(folder);
        return -7;
    }
    if (!unchanged(path, original)) {
        PathEntry::remove(tempPath);
        closeJournal(folder);
        return ChangedDuringOperation;
    }
    // Only now that the journal vouches for it may the result belong to someone else: a result no journal
    // names is removed by the next run only when it is the user's own.
    giveOwner(path, tempPath, original);
    if (beforePurge)
        beforePurge(path);
    DiskTrace::note(DiskTrace::Step::Purge, path);
    int code =
        purgeCode(filekit::purge_file(path, encrypt ? 1000 : 0, 0, -1, filekit::PurgeSteps::LeaveFolderUnsynced));
    if (code == 0 && !m_rename(tempPath, path))
        code = m_failureCode(path);
    else if (code == 0)
        DiskTrace::note(DiskTrace::Step::Rename, path);
    if (code != 0) {
        resultPath = keepAside(tempPath, path);
        if (resultPath == tempPath)
            m_stuck[folder] << entry;
    }
    closeJournal(folder);
    noteRenamed(path);
    return code;
}

QList<InPlaceGroup::Member> InPlaceFiles::commitGroup(bool encrypt) {
    QList<InPlaceGroup::Member> members = m_group.take();
    if (members.isEmpty())
        return members;
    const QString folder = folderOf(members.first().path);
    if (!m_logPath.isEmpty() && folderOf(m_logPath) != folder)
        closeLog();
    // A disk too full for the whole group's log may still take its files one by one.
    const int logged = commitLogged(folder, members, 0, members.size(), encrypt);
    for (qsizetype i = 0; logged != 0 && i < members.size(); ++i) {
        const int alone = members.size() > 1 ? commitLogged(folder, members, i, i + 1, encrypt) : logged;
        if (alone != 0)
            members[i].code = alone;
    }
    for (InPlaceGroup::Member& m : members) {
        if (!encrypt && !m.result.isEmpty())
            OPENSSL_cleanse(m.result.data(), std::size_t(m.result.size())); // plaintext
        m.result.clear();
    }
    return members;
}

int InPlaceFiles::commitLogged(const QString& folder, QList<InPlaceGroup::Member>& members, qsizetype from,
                               qsizetype to, bool encrypt) {
    QList<InPlaceLog::Entry> entries;
    QList<bool> described;
    for (qsizetype i = from; i < to; ++i) {
        const InPlaceGroup::Member& m = members[i];
        InPlaceLog::Entry e;
        e.encrypt = encrypt;
        e.name = QFileInfo(m.path).fileName();
        e.originalSize = m.original.size;
        e.originalModifiedNs = m.original.modifiedNs;
        e.originalAccessedNs = m.original.accessedNs;
        described << describeOriginal(m.path, m.original, m.result.size(), e);
        if (described.last()) {
            e.result = m.result;
            entries << e;
        }
    }
    // 1. No original is touched before every result is on the disk, in the folder's log.
    if (m_logPath.isEmpty())
        m_logPath = InPlaceLog::usablePath(folder, m_keptLogs);
    if (m_logPath.isEmpty())
        return -7;
    if (const int code = InPlaceLog::write(m_logPath, entries)) {
        m_logPath.clear();
        return code;
    }
    // 2. Each result over its original, unless the original was edited meanwhile: the writing is the purge.
    bool allSettled = true;
    for (qsizetype i = from; i < to; ++i) {
        InPlaceGroup::Member& m = members[i];
        if (!described[i - from] || !unchanged(m.path, m.original)) {
            m.code = ChangedDuringOperation;
            continue;
        }
        if (beforePurge)
            beforePurge(m.path);
        DiskTrace::note(DiskTrace::Step::Purge, m.path);
        m.code = writeBackCode(WriteBack::over(m.path, m.original, m.result, m.original.accessedNs));
        // An original that could not be put back as it was: the result is kept where the user sees it.
        if (m.code == PurgeFailed) {
            struct stat like {};
            like.st_uid = m.original.owner;
            like.st_gid = m.original.group;
            like.st_mode = m.original.mode;
            m.resultPath = keepInFile(m.result, m.path, m.original.accessedNs, m.original.modifiedNs, &like);
            if (m.resultPath.isEmpty()) {
                allSettled = false; // the log keeps it for the next run
                m.resultPath = m_logPath;
            }
        }
    }
    // 3. On the disk; then the log holds nothing anyone needs. A log that holds the only copy of a result is
    // kept as it is, for the user and the next run, and the next group writes a log of another name.
    ResultCheck::syncFileSystem(folder + QStringLiteral("."));
    if (allSettled) {
        InPlaceLog::clear(m_logPath);
    } else {
        m_keptLogs << m_logPath;
        m_logPath.clear();
    }
    return 0;
}

int InPlaceFiles::writeBackCode(WriteBack::Outcome outcome) {
    switch (outcome) {
    case WriteBack::Outcome::Written:
        return 0;
    case WriteBack::Outcome::NotTheFile:
        return ChangedDuringOperation;
    case WriteBack::Outcome::DiskFull:
        return -9;
    case WriteBack::Outcome::Damaged:
        return PurgeFailed;
    case WriteBack::Outcome::Failed:
        break;
    }
    return -7;
}

QString InPlaceFiles::keepInFile(const QByteArray& result, const QString& path, qint64 accessedNs, qint64 modifiedNs,
                                 const struct stat* like) {
    const QString aside = FileProc::NewFilePath(path);
    const int fd = aside.isEmpty() ? -1
                                   : ::open(NativeName::encode(aside).constData(),
                                            O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return {};
    // The original's owner and mode, where they can be given; a group that cannot be given takes the group's and
    // others' permissions with it, so the copy is never readable by more people than the original.
    if (like) {
        const bool owned = ::fchown(fd, like->st_uid, like->st_gid) == 0 || ::fchown(fd, uid_t(-1), like->st_gid) == 0;
        ::fchmod(fd, owned ? (like->st_mode & 0777) : (like->st_mode & 0700));
    }
    const bool ok = WriteBack::writeWhole(fd, result, accessedNs, modifiedNs) && ::fsync(fd) == 0;
    ::close(fd);
    if (!ok)
        PathEntry::remove(aside);
    return ok ? aside : QString();
}

void InPlaceFiles::keepLogs(const QStringList& logPaths) {
    m_keptLogs << logPaths;
}

void InPlaceFiles::closeLog() {
    if (m_logPath.isEmpty())
        return;
    InPlaceLog::remove(m_logPath);
    m_logPath.clear();
}

void InPlaceFiles::syncPendingFolder() {
    closeLog();
    if (m_unsyncedResult.isEmpty())
        return;
    ResultCheck::syncFolder(m_unsyncedResult);
    m_unsyncedResult.clear();
}
