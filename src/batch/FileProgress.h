#pragma once

#include <QString>

// How far the file in progress has come, from samples of the engine's count of input bytes read. In place
// the file is read twice: once to write the result and once more to check it (the count starts again at 0),
// so the work is counted over both passes.
class FileProgress {
public:
    // Shown only for files that take longer than this.
    static constexpr qint64 kShowAfterMs = 1000;

    void start(qint64 size, bool inPlace);
    // bytesRead: the engine's count now; elapsedMs: time since start().
    void sample(qint64 bytesRead, qint64 elapsedMs);

    qint64 size() const { return m_size; }
    bool checking() const { return m_pass > 0; }
    // Bytes of input done and in all, over every pass.
    qint64 done() const;
    qint64 total() const { return m_size * m_passes; }
    int percent() const;
    double bytesPerSecond() const;
    // -1 while there is nothing to go by.
    qint64 secondsLeft() const;

    // "big.iso: 1.2 MB of 2.6 MB, 85.3 MB/s, 17s left": the bytes of the pass under way (in the checking pass,
    // "checking the result, " comes first), the speed and the time left over all passes.
    QString fileLine(const QString& name) const;
    // The folder so far: "File 3 of 12 in this folder, 4.1 MB of 9.8 MB done."
    static QString folderLine(qint64 fileNumber, qint64 files, qint64 bytesDone, qint64 folderBytes);

private:
    qint64 m_size = 0;
    int m_passes = 1;
    int m_pass = 0;
    qint64 m_read = 0; // in the current pass
    qint64 m_elapsedMs = 0;
};
