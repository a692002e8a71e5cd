#pragma once

#include <QSet>
#include <QString>

// Which names a folder holds, read once: a cheap first answer to "is anything at folder + name?" for every
// output of a run, where a look of its own at each would cost a path walk per name in a folder that mostly holds
// none of them. Names are compared as a file system that ignores letter case or Unicode normal form would compare
// them, so only a name that may be there is looked at afterwards.
class FolderNames {
public:
    // Lists the folder (a path ending with '/'); a folder that does not exist holds nothing.
    explicit FolderNames(const QString& folder);
    // False only when nothing can stand at the name; true also whenever the folder could not be listed.
    bool mayHold(const QString& name) const;

private:
    static QString folded(const QString& name);
    bool m_listed = false;
    QSet<QString> m_names;
};
