#pragma once

#include <QList>
#include <QSet>
#include <QString>

// Results written to new files, made durable together rather than one sync each: the engine writes them
// unsynced (those that go through a temporary file stay under it), and every so often, and whenever the run
// pauses, stops or ends, one sync of the file system puts them all on disk; then the waiting ones take their
// names and their folders are synced. Killed at any moment, an output name holds nothing, a complete result, or
// an encrypted file without its end (which every decryption refuses): never partial plaintext.
class NewFileGroup {
public:
    static constexpr int kMaxFiles = 1024;
    static constexpr qint64 kMaxBytes = qint64(64) << 20;

    // written: where the engine left the result (the output path itself, or a temporary file beside it).
    // replace: a file at the output path when the result was begun may be replaced; otherwise the result takes
    // its name only if that name is still free (a file that appeared meanwhile is kept, and so is the result).
    void add(const QString& written, const QString& outputPath, qint64 bytes, bool replace);
    bool isEmpty() const { return m_files == 0; }
    bool isFull() const { return m_files >= kMaxFiles || m_bytes >= kMaxBytes; }

    struct Failure {
        QString outputPath;
        QString resultPath; // where the complete result is instead; empty when it could not be made durable
        qint64 bytes = 0;   // the input's size
    };
    // durable: sync before the renames (off only where the engine's syncs are off, in tests and benchmarks).
    // Returns the results that could not take their names. The group is empty afterwards.
    QList<Failure> commit(bool durable);

private:
    struct Rename {
        QString from, to;
        qint64 bytes;
        bool replace;
    };
    QList<Rename> m_renames;
    QSet<QString> m_folders;
    QString m_anyPath;
    int m_files = 0;
    qint64 m_bytes = 0;
};
