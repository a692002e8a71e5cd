#pragma once

#include <QString>
#include <QStringList>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

// Asks the system to read the next files of a folder into its cache while the run works on the file before them,
// on a thread of its own, up to kFilesAhead files or kBytesAhead bytes ahead of the file in progress. A run of
// many small files would otherwise wait for the disk at the start of every file. Only a hint: nothing is read into
// this process, a path that is not a regular file is never opened, and what the run then reads is checked as
// always.
class ReadAhead {
public:
    static constexpr qsizetype kFilesAhead = 512;
    static constexpr qint64 kBytesAhead = qint64(64) << 20;
    // Larger files are left to the system's own read-ahead, which follows a file as it is read.
    static constexpr qint64 kMaxFileSize = qint64(8) << 20;
    // Once the room ahead is full, the thread waits until this much of it is free again: the run wakes it once
    // in so many files, not at every file.
    static constexpr qsizetype kRefillFiles = 8;
    static constexpr qint64 kRefillBytes = qint64(1) << 20;

    // Starts on the files of the folder (its path ends in a slash) in the order the run takes them. The list is
    // shared, not copied: a folder of a million names costs no second list.
    ReadAhead(const QString& folder, const QStringList& names);
    // Stops, waiting only for the one file the thread may be asking about.
    ~ReadAhead();
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    // The run has come to file `index`: the files before it need no more room ahead.
    void reached(qsizetype index);
    // How many files have been asked for so far (regular files of a suitable size only).
    qsizetype requested() const;

private:
    void work();
    // Whether a file past those asked for may be asked for with `files` and `bytes` to spare (under the lock).
    bool hasRoom(qsizetype files, qint64 bytes) const;

    const QString m_folder;
    const QStringList m_names;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    qsizetype m_current = 0;  // the file in progress
    qsizetype m_next = 0;     // the next file to look at
    qsizetype m_requested = 0;
    qint64 m_bytesAhead = 0;                           // of the files asked for at or past m_current
    std::deque<std::pair<qsizetype, qint64>> m_ahead; // those files: index and size
    bool m_quit = false;
    bool m_waiting = false; // the thread waits for room
    std::thread m_thread;
};
