#pragma once

#include "platform/os/FileIdentity.h"

#include <QList>
#include <QString>

// Small in-place files waiting to be made final together (InPlaceFiles::commitGroup): synced one by one, small
// files spend most of their time waiting for the disk, so every step that needs the disk is taken for the
// whole group at once. Their results wait in memory, at most kMaxBytes of originals' worth.
class InPlaceGroup {
public:
    struct Member {
        QString path;       // the original, and the result's final name
        QString tempPath;   // where partial output would go
        QByteArray result;  // the checked result, held in memory until the group writes it over the original
        qint64 size = 0;    // the original's size
        FileStamp original; // the original as its result was checked
        int code = 0;       // after commit: 0 or the code of what went wrong
        QString resultPath; // after commit: where the result is when it could not take the original's name
    };

    // Files and bytes a group takes before it is committed.
    static constexpr int kMaxFiles = 256;
    static constexpr qint64 kMaxBytes = 32 << 20;
    // Larger files go one by one: their own writing outweighs a sync.
    static constexpr qint64 kMaxFileSize = 1 << 20;

    void add(const Member& m) {
        m_members << m;
        m_bytes += m.size;
    }
    bool isEmpty() const { return m_members.isEmpty(); }
    bool isFull() const { return m_members.size() >= kMaxFiles || m_bytes >= kMaxBytes; }
    // Hands the members over in order; the group is empty afterwards.
    QList<Member> take() {
        m_bytes = 0;
        QList<Member> out;
        out.swap(m_members);
        return out;
    }

private:
    QList<Member> m_members;
    qint64 m_bytes = 0;
};
