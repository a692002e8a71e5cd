#pragma once

#include <QHash>
#include <QString>

// Advisory locks on the folders a run works in, so that two runs (two instances of the program, or the window
// and the command line) never process the same files at once. A lock is held from the first time the run
// enters a folder until the run leaves it for good (release) or ends: a walk through thousands of folders holds
// only the locks of the folders it is working in.
class FolderLock {
public:
    enum class Result { Acquired, HeldElsewhere };
    FolderLock() = default;
    ~FolderLock() { releaseAll(); }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    // Locks the folder unless this run holds it already. A file system without locks does not stop the run.
    Result acquire(const QString& folder);
    void release(const QString& folder);
    void releaseAll();

private:
    QHash<QString, int> m_held;      // folder as the file system sees it (device:inode) -> open descriptor
    QHash<QString, QString> m_paths; // folder as the run named it -> device:inode, for release
};
