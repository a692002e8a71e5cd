#pragma once

#include <QList>
#include <QString>

#include <functional>

// In-place results of small files, made final together. Synced one by one, small files spend most of their
// time waiting for the disk; here every step that needs the disk is taken for the whole group at once, in
// the order that keeps each file safe:
//   1. the results (written and checked, not yet synced) are synced: one sync of the file system;
//   2. the originals are overwritten (encryption) and synced: one more;
//   3. the originals are removed and the results renamed onto their names; the folder is synced.
// Killed at any moment, each file is its original or its complete result (under the temporary name at worst).
class InPlaceGroup {
public:
    struct Member {
        QString path;     // the original, and the result's final name
        QString tempPath; // the checked result
        qint64 size = 0;  // the original's size
        int code = 0;     // after commit: 0, -7 (a sync failed; the original is kept) or the rename's code
    };

    // Files and bytes a group takes before it is committed.
    static constexpr int kMaxFiles = 64;
    static constexpr qint64 kMaxBytes = 8 << 20;
    // Larger files go one by one: their own writing outweighs a sync.
    static constexpr qint64 kMaxFileSize = 1 << 20;

    void add(const Member& m);
    bool isEmpty() const { return m_members.isEmpty(); }
    bool isFull() const { return m_members.size() >= kMaxFiles || m_bytes >= kMaxBytes; }

    // Commits every member and hands them back in order with their codes; the group is empty afterwards.
    // overwrite: purge the originals by overwriting them (encryption) rather than only removing them.
    // rename: puts a result under its final name; false when it could not.
    QList<Member> commit(bool overwrite, const std::function<bool(const QString&, const QString&)>& rename,
                         const std::function<int(const QString&)>& renameFailureCode);

private:
    QList<Member> m_members;
    qint64 m_bytes = 0;
};
