#pragma once

#include "platform/os/UnnamedFile.h"

#include <QSet>
#include <QString>

#include <vector>

// Results written to new files, made durable together rather than one sync each: the engine writes them
// unsynced and leaves them unnamed (UnnamedFile) or, where the file system has no unnamed files, under a
// temporary name; every so often, and whenever the run pauses, stops or ends, one sync of the file system puts
// them all on disk, then they take their names and their folders are synced. Killed at any moment, an output
// name holds nothing or a complete result.
class NewFileGroup {
public:
    // A sync of the file system costs much the same for a few files as for thousands: a group is large.
    static constexpr int kMaxFiles = 16384;
    static constexpr qint64 kMaxBytes = qint64(256) << 20;
    // Each unnamed result holds a descriptor until the commit. The process asks for room for a full group, and
    // a group leaves 1,024 descriptors free for everything else (three quarters of a small limit: a group holds
    // 256 under a limit of 1,024), so that reading the next inputs never fails for want of one.
    static int maxUnnamed();

    // written: where the engine left the result (a temporary file beside the output path, or the output path
    // itself). replace: a file at the output path when the result was begun may be replaced; otherwise the
    // result takes its name only if that name is still free (a file that appeared meanwhile is kept, and so is
    // the result).
    void add(const QString& written, const QString& outputPath, qint64 bytes, bool replace);
    // An unnamed result, begun when its output name was free: it takes that name only if it is still free.
    void add(UnnamedFile result, const QString& outputPath, qint64 bytes);
    bool isEmpty() const { return m_files == 0; }
    bool isFull() const { return m_files >= kMaxFiles || m_bytes >= kMaxBytes || m_unnamed >= maxUnnamed(); }

    struct Failure {
        QString outputPath;
        QString resultPath; // where the complete result is instead; empty when it could not be made durable
        qint64 bytes = 0;   // the input's size
    };
    // durable: sync before the names are given (off only where the engine's syncs are off, in tests and
    // benchmarks). Returns the results that could not take their names. The group is empty afterwards.
    QList<Failure> commit(bool durable);

private:
    struct Waiting {
        QString from; // the temporary name; empty for an unnamed result
        UnnamedFile unnamed;
        QString to;
        qint64 bytes;
        bool replace;
    };
    void count(const QString& outputPath, qint64 bytes);
    static bool name(const Waiting& w);
    // Where a result whose name was taken is kept instead; empty when it is lost.
    static QString keepAside(const Waiting& w);
    std::vector<Waiting> m_waiting;
    QSet<QString> m_folders;
    QString m_anyPath;
    int m_files = 0;
    int m_unnamed = 0;
    qint64 m_bytes = 0;
};
