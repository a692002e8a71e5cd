#pragma once

#include "batch/inplace/InPlaceFiles.h"
#include "batch/NewFileGroup.h"

#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>

class BatchRun;
struct FileStamp;
struct OperationSetup;

// One file's step of a run: the output planned, written, checked and made final, and the file's report line.
// The two ways stand side by side: a result to a new file (named in groups, NewFileGroup) and a result that
// replaces its original (in place, small files in groups, InPlaceFiles). The run (BatchRun) walks the folders,
// paces the run and keeps the report; this is what happens to each file on the way.
class FileStep {
public:
    explicit FileStep(BatchRun& run);

    // A run begins: nothing is held over from the last one.
    void start(const std::function<void(const QString&)>& beforePurge);
    // The step for file i of the folder's names; false when the whole run must end.
    bool process(qsizetype i, const QString& inputDir, const QString& outputDir);
    // What waits in a group is made final and its lines are written.
    void commitGroup();
    void commitNewFiles();
    // In place, the folder of the last result replaced is synced.
    void syncPendingFolder() { m_inPlace.syncPendingFolder(); }
    // Entries of a folder's journal that this run leaves for another run (Leftovers.h).
    void keepJournalEntries(const QString& folder, const QList<InPlaceJournal::Entry>& entries) {
        m_inPlace.keepJournalEntries(folder, entries);
    }
    void keepLogs(const QStringList& logPaths) { m_inPlace.keepLogs(logPaths); }

    static int renameFailureCode(const QString& path);

private:
    // To a new file: written, checked against changes of its input, added to the group of new files.
    int writeNewFile(const QString& path, const FileStamp& original, const QString& outPath, qint64 size,
                     QString& partialPath,
                     qint64& resultSize);
    // In place: the result beside the original, checked, then made final in a group or on its own.
    int writeInPlace(const QString& path, qint64 size, bool grouped, QString& tempPath);
    // In place: the result written to tempPath, or with `inMemory` (a file of a group) made in memory and read into
    // it, and checked against the original.
    int prepareInPlace(const QString& path, const QString& tempPath, const FileStamp& original, qint64 size,
                       QByteArray* inMemory = nullptr);
    // In place, one file on its own: prepared, synced, the original purged and the result renamed.
    int replaceInPlace(const QString& path, QString& tempPath, const FileStamp& original, qint64 size);
    bool groupable(const QString& path, qint64 size) const;
    // Commits the group while the current file's line start is held back, so the lines stay in order.
    void commitGroupBefore(const QString& lineStart);
    // resultSize: the result's length when it was measured before the line (-1: measured at the output path).
    void finishLine(int code, qint64 size, bool inPlace, const QString& path, const QString& outName,
                    const QString& outPath, const QString& tempPath, const QString& partialPath,
                    qint64 resultSize = -1);
    const OperationSetup& setup() const;
    void add(const QString& text, bool scroll = false);

    BatchRun& m_run;
    InPlaceFiles m_inPlace;
    NewFileGroup m_newFiles;
    QStringList m_groupLines;       // the held line starts of the in-place group's files
    QSet<QString> m_encryptedTwice; // files that were encrypted already, until their line is written
    bool m_inputWasOurs = false;    // the last file the engine read began with a header of ours
};
