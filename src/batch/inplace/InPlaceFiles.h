#pragma once

#include "batch/StepCode.h"
#include "batch/inplace/InPlaceGroup.h"
#include "batch/inplace/InPlaceJournal.h"
#include "batch/inplace/WriteBack.h"
#include "platform/os/FileIdentity.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>

#include <sys/stat.h>

// Files encrypted or decrypted in place. A large file's result is written under a temporary name beside the
// original, checked, and only then takes the original's place (the original purged first); a journal
// (InPlaceJournal.h) tells a run killed in between which is which. Small files' results are checked in memory and
// written over their originals in groups, after the folder's log (InPlaceLog.h) holds them on the disk. Either
// way, killed at any moment, a folder holds each original or its complete result, or the next run can tell: the
// states a kill can leave and what the next run does in each are tabled in Leftovers.h.
class InPlaceFiles {
public:
    // Puts a result under the original's name; false when it could not. Gives the code of a failed rename.
    using Rename = std::function<bool(const QString& tempPath, const QString& path)>;
    using RenameFailureCode = std::function<int(const QString& path)>;
    InPlaceFiles(Rename rename, RenameFailureCode failureCode)
        : m_rename(std::move(rename)), m_failureCode(std::move(failureCode)) {}

    // Result codes of the run's own, beyond those of a file's step.
    static constexpr int ChangedDuringOperation = +StepCode::ChangedDuringOperation;
    static constexpr int PurgeFailed = +StepCode::PurgeFailed;

    // A free temporary name beside the file, of our own naming; empty when none can be had.
    static QString temporaryPathFor(const QString& path);

    // After the engine wrote tempPath from path: the original must be as it was before (`original`) and the result
    // must read back as the original (readBack). 0, or the result is removed and the code says why
    // (ChangedDuringOperation, -7 for a failed check).
    [[nodiscard]] int checkResult(const QString& path, const QString& tempPath, const FileStamp& original,
                                  const std::function<bool()>& readBack);

    // One checked result made final on its own: it and its folder reach the disk before the original is purged,
    // and the original must still be unchanged; once the journal names it, it takes the original's owner, group
    // and access control list where it may. 0, ChangedDuringOperation, PurgeFailed, -7, or a rename failure
    // code; resultPath tells where the result is when it could not take the original's name.
    [[nodiscard]] int replace(const QString& path, const QString& tempPath, const FileStamp& original, bool encrypt,
                              QString& resultPath);

    // Tests only: called just before an original is purged.
    std::function<void(const QString& path)> beforePurge;

    InPlaceGroup& group() { return m_group; }
    // Makes every member of the group final, sharing the disk syncs, and hands them back in order with their codes:
    // the results go to the folder's log (InPlaceLog.h), which is synced, and then each over its original.
    // resultPath tells where a result is when its original could not be put back as it was (PurgeFailed).
    QList<InPlaceGroup::Member> commitGroup(bool encrypt);

    // Renames into a folder are synced once per folder: when the run moves on, pauses or ends. The folder's
    // log goes then too.
    void syncPendingFolder();

    // Entries of the folder's journal that this run leaves for another (Leftovers.h): the journal keeps them
    // whenever this run rewrites it.
    void keepJournalEntries(const QString& folder, const QList<InPlaceJournal::Entry>& entries);

    // Logs found in a folder that hold results for another run (Leftovers.h), or that this run had to keep: the run
    // writes its own log under another name.
    void keepLogs(const QStringList& logPaths);

    // A result that cannot take its original's name gets a visible free name beside it (the path followed by a
    // number), so no later run takes it for a leftover; the name it has afterwards.
    static QString keepAside(const QString& tempPath, const QString& path);
    // The same for a result in memory: written and synced to the first free name of path followed by 1, 2, ...,
    // with these times (and the owner, group and mode of `like`, where given); that name, or empty when none could
    // be written.
    static QString keepInFile(const QByteArray& result, const QString& path, qint64 accessedNs, qint64 modifiedNs,
                              const struct stat* like = nullptr);

private:
    static void giveOwner(const QString& path, const QString& tempPath, const FileStamp& original);
    bool writeJournal(const QString& folder, const QList<InPlaceJournal::Entry>& entries, bool sync);
    void closeJournal(const QString& folder);
    // The purge of one original: 0 when it is gone (or overwritten and about to be replaced), else PurgeFailed.
    static int purgeCode(int purgeResult);
    void noteRenamed(const QString& path);
    // Members [from, to) of a group logged, written over their originals and synced: 0, or the log's failure
    // code with nothing done.
    int commitLogged(const QString& folder, QList<InPlaceGroup::Member>& members, qsizetype from, qsizetype to,
                     bool encrypt);
    static int writeBackCode(WriteBack::Outcome outcome);
    void closeLog();

    Rename m_rename;
    RenameFailureCode m_failureCode;
    InPlaceGroup m_group;
    QString m_unsyncedResult;
    QString m_logPath;      // the log this run is writing, in the folder of the group
    QStringList m_keptLogs; // logs that hold results no one else has: never written over or removed by this run
    // Results that stayed under their temporary names: their journal entries are kept for the next run.
    QHash<QString, QList<InPlaceJournal::Entry>> m_stuck;
};
