#pragma once

#include "batch/OperationSetup.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <sys/types.h>

// The paths of one command, each taken once. A path named twice (or by two spellings, or through a link) is
// one; a path inside another path of the command (a file of a named folder, a subfolder of a folder taken with
// -r) is refused, since its files would be done twice. The files named in one folder are one run, so that many
// paths cost what their folder would: the folder is listed once, not once per file.
class NamedPaths {
public:
    explicit NamedPaths(bool recursive) : m_recursive(recursive) {}

    // A path and the setup made of it (a folder's, or one file's with its exact name).
    void add(const QString& path, const OperationSetup& setup);
    // False with the message when a path lies inside another.
    bool apart(QString& wrong) const;

    struct Run {
        OperationSetup setup;
        QString about; // the path, or for several files the folder
    };
    // The runs, in the order their first path was named.
    QList<Run> runs() const;

private:
    struct Identity {
        dev_t device = 0;
        ino_t inode = 0;
        bool operator==(const Identity& o) const { return device == o.device && inode == o.inode; }
    };
    friend size_t qHash(const Identity& id, size_t seed) { return qHashMulti(seed, id.device, id.inode); }
    static bool identityOf(const QByteArray& path, Identity& id);

    struct Group {
        OperationSetup setup;
        QString about;
        QStringList names; // files named in the folder; empty for a folder
        QString shownFirst;
    };
    bool m_recursive;
    QList<Group> m_groups;
    QHash<QString, qsizetype> m_fileGroups; // folder path -> group of files named in it
    QSet<Identity> m_seen;
    QHash<Identity, QString> m_folders; // named folders -> as shown
};
