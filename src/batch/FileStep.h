#pragma once

#include "batch/FileLine.h"
#include "batch/NewFileGroup.h"
#include "batch/StepHost.h"
#include "batch/inplace/InPlaceFiles.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

struct FileStamp;

// One file's step of a run: the output planned, written, checked and made final, and the file's line. The two
// ways stand side by side: a result to a new file (named in groups, NewFileGroup) and a result that replaces its
// original (in place, small files in groups, InPlaceFiles). The run walks the folders, paces the run and keeps the
// report (StepHost); this is what happens to each file on the way.
//
// A file whose result waits in a group has its line written as it will read once the group has made the result
// final, in the report's open part (ReportBuffer.h); the line is a value until then, and takes its final text
// (a new file's line says `-> name` only once the name is given) when the group commits. The lines after it wait
// with it, so the run is told of each file's line in the report's order.
class FileStep {
public:
    explicit FileStep(StepHost host);

    // A run begins (an encryption or a decryption; the line in progress shown as it goes or not at all): nothing
    // is held over from the last one.
    void start(bool encrypt, bool piecesShown, const std::function<void(const QString&)>& beforePurge);
    // The step for file i of the folder's names; false when the whole run must end.
    bool process(qsizetype i, const QString& inputDir, const QString& outputDir);
    // What waits in a group is made final and the lines that waited for it are written.
    void commitGroup();
    void commitNewFiles();
    // In place, the folder of the last result replaced is synced.
    void syncPendingFolder() { m_inPlace.syncPendingFolder(); }
    // Entries of a folder's journal that this run leaves for another run (Leftovers.h).
    void keepJournalEntries(const QString& folder, const QList<InPlaceJournal::Entry>& entries) {
        m_inPlace.keepJournalEntries(folder, entries);
    }
    void keepLogs(const QStringList& logPaths) { m_inPlace.keepLogs(logPaths); }

    [[nodiscard]] static int renameFailureCode(const QString& path);

private:
    // Where a result went, as its line says it.
    struct Written {
        bool inPlace = false;
        bool outputThere = false; // something was at the output path as the step began
        QString outName, outPath;
        QString tempPath;       // in place: the temporary file
        QString partialPath;    // where partial output may be
        qint64 resultSize = -1; // measured before the line (-1: measured at the output path when the line is made)
    };
    // The ways a result is written, behind one face: plan (which way, from the file and its output), write (the
    // result that way), outcome (the file's line: final at once on its own, or once the way's group has made the
    // result final). A new file's result waits in the group of new files; a small in-place result in the in-place
    // group; a large in-place result is made final on its own.
    enum class Way { NewFile, InPlaceAlone, InPlaceGrouped };
    Way plan(const QString& path, qint64 size, bool inPlace, bool regular) const;
    int write(Way way, const QString& path, const FileStamp& original, qint64 size, Written& w);
    // The group of the way is made final (the lines waiting for it take their final text).
    void commit(Way way);
    bool groupIsFull(Way way);

    // A file's line as it is said: final, or waiting for the group of its way.
    struct Waiting {
        Way way = Way::InPlaceAlone;
        bool waits = false;
        FileLine line;
        Written written;
        QString shown;     // the text written to the report
        qsizetype at = -1; // where, in the report's open part (-1: not there)
    };

    // To a new file: written, checked against changes of its input, added to the group of new files.
    int writeNewFile(const QString& path, const FileStamp& original, const QString& outPath, qint64 size, Written& w);
    // In place: the result beside the original, checked, then made final in a group or on its own.
    int writeInPlace(const QString& path, const FileStamp& original, qint64 size, bool grouped, Written& w);
    // In place: the result written to tempPath, or with `inMemory` (a file of a group) made in memory and read into
    // it, and checked against the original.
    int prepareInPlace(const QString& path, const QString& tempPath, const FileStamp& original, qint64 size,
                       QByteArray* inMemory = nullptr);
    // In place, one file on its own: prepared, synced, the original purged and the result renamed.
    int replaceInPlace(const QString& path, QString& tempPath, const FileStamp& original, qint64 size);
    bool groupable(const QString& path, qint64 size) const;
    // The decryption of a file that seems not ours is asked about; false when it is not to be decrypted (its line
    // says so), and `goOn` then says whether the run goes on.
    bool decryptAnyway(qsizetype i, const FileLine& line, bool& goOn);
    // The piece of the line in progress, when the run shows one.
    void showPiece(const QString& piece, bool scroll);
    // The line of a file whose outcome is final, with what the step knows of its result.
    FileLine finished(FileLine line, const Written& w) const;
    // Writes a file's line; one that waits, or comes after one that waits, stays in the queue.
    void say(Waiting entry);
    // A waiting line takes its final text.
    void settleLine(qsizetype k, const FileLine& line);
    // Hands the run the lines at the head of the queue that wait for nothing.
    void flush();

    StepHost m_host;
    InPlaceFiles m_inPlace;
    NewFileGroup m_newFiles;
    QList<Waiting> m_waiting;    // the lines since the first that waits, in order
    bool m_inputWasOurs = false; // the last file the engine read began with a header of ours
};
