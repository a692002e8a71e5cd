#pragma once

#include <QByteArray>
#include <QString>

#include <sys/types.h>

struct FileStamp;

// A checked result written over its original, which thereby is purged: the file keeps its inode, owner,
// permissions and attributes, holds the result and is given back its access and modification times.
namespace WriteBack {

enum class Outcome {
    Written,
    NotTheFile, // the path no longer leads to the file the result was made from, as it was: nothing written
    Failed,     // nothing of the original changed, or it was put back as it was
    DiskFull,   // the same, for a full disk or quota
    Damaged,    // the writing failed part of the way and the original could not be put back
};
// The original must still be the file `original` describes (same file, same size). A read-only original is made
// writable for the writing and given its mode back.
[[nodiscard]] Outcome over(const QString& path, const FileStamp& original, const QByteArray& result, qint64 accessedNs);

// The result written whole into an open file from its start, the file cut to its length and given the times
// (nanoseconds since the epoch). False when the writing or the cut failed.
[[nodiscard]] bool writeWhole(int fd, const QByteArray& result, qint64 accessedNs, qint64 modifiedNs);

// The file opened for reading and writing, never through a link; a read-only one made writable for its owner
// first (modeToRestore then holds its mode, which the caller gives back). -1 when it cannot be.
int openForWriting(const QByteArray& native, mode_t& modeToRestore);

// Gives an open file these access and modification times (nanoseconds since the epoch), where it keeps them.
void giveTimes(int fd, qint64 accessedNs, qint64 modifiedNs);

// Tests only: called once half of a result has been written over its original.
void setHalfWayHook(void (*hook)());

} // namespace WriteBack
