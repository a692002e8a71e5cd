#include "batch/InPlaceFiles.h"

#include "batch/ResultCheck.h"
#include "files/FileProc.h"
#include "platform/filekit/FileKit.h"
#include "platform/os/DiskTrace.h"
#include "platform/os/NativeName.h"
#include "platform/os/PathEntry.h"

#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
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
    return e;
}

bool unchanged(const QString& path, const FileStamp& original) {
    return FileStamp::of(path).unchangedSince(original);
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
    // The original's owner and group where we may give them; a group we cannot give takes the group's and
    // others' permissions with it, so the result is never readable by more people than the original.
    const QByteArray temp = NativeName::encode(tempPath);
    if (::chown(temp.constData(), original.owner, original.group) != 0 &&
        ::chown(temp.constData(), uid_t(-1), original.group) != 0) {
        struct stat st {};
        if (::stat(temp.constData(), &st) == 0)
            ::chmod(temp.constData(), st.st_mode & 0700);
    }
    return 0;
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
        InPlaceJournal::remove(folder);
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
    const QString& anyPath = members.first().path;
    const QString folder = folderOf(anyPath);
    QList<InPlaceJournal::Entry> entries;
    for (const InPlaceGroup::Member& m : std::as_const(members))
        entries << entryFor(encrypt, m.path, m.tempPath, m.original);

    // 1. No original is touched before every result, and the journal that lists them, is on disk.
    if (!writeJournal(folder, entries, false) || !ResultCheck::syncFileSystem(anyPath)) {
        for (InPlaceGroup::Member& m : members) {
            PathEntry::remove(m.tempPath);
            m.code = -7;
        }
        closeJournal(folder);
        return members;
    }
    // 2. An original edited meanwhile keeps the edit. The overwrites reach the disk before the files are removed,
    // or removing them would drop them.
    for (InPlaceGroup::Member& m : members) {
        m.resultPath = m.tempPath;
        if (!unchanged(m.path, m.original)) {
            PathEntry::remove(m.tempPath);
            m.code = ChangedDuringOperation;
        } else if (encrypt) {
            if (beforePurge)
                beforePurge(m.path);
            DiskTrace::note(DiskTrace::Step::Purge, m.path);
            m.code = purgeCode(filekit::purge_file(m.path, 1000, 0, -1, filekit::PurgeSteps::OverwriteUnsynced));
        }
    }
    if (encrypt)
        ResultCheck::syncFileSystem(anyPath);
    // 3. The originals go and the results take their names; a result that cannot is kept aside.
    for (qsizetype i = 0; i < members.size(); ++i) {
        InPlaceGroup::Member& m = members[i];
        if (m.code == ChangedDuringOperation)
            continue;
        if (m.code == 0) {
            if (!encrypt)
                DiskTrace::note(DiskTrace::Step::Purge, m.path);
            m.code = purgeCode(filekit::purge_file(m.path, encrypt ? 1000 : 0, 0, -1,
                                                   encrypt ? filekit::PurgeSteps::RemoveOverwritten
                                                           : filekit::PurgeSteps::LeaveFolderUnsynced));
            if (m.code == 0 && !m_rename(m.tempPath, m.path))
                m.code = m_failureCode(m.path);
            else if (m.code == 0)
                DiskTrace::note(DiskTrace::Step::Rename, m.path);
        }
        if (m.code != 0) {
            m.resultPath = keepAside(m.tempPath, m.path);
            if (m.resultPath == m.tempPath)
                m_stuck[folder] << entries[i];
        }
    }
    ResultCheck::syncFolder(anyPath);
    closeJournal(folder);
    return members;
}

void InPlaceFiles::syncPendingFolder() {
    if (m_unsyncedResult.isEmpty())
        return;
    ResultCheck::syncFolder(m_unsyncedResult);
    m_unsyncedResult.clear();
}
