#include "batch/InPlaceGroup.h"

#include "batch/ResultCheck.h"
#include "platform/filekit/FileKit.h"

#include <QFile>

void InPlaceGroup::add(const Member& m) {
    m_members << m;
    m_bytes += m.size;
}

QList<InPlaceGroup::Member> InPlaceGroup::commit(bool overwrite,
                                                 const std::function<bool(const QString&, const QString&)>& rename,
                                                 const std::function<int(const QString&)>& renameFailureCode) {
    QList<Member> members;
    members.swap(m_members);
    m_bytes = 0;
    if (members.isEmpty())
        return members;
    const QString& anyPath = members.first().path;

    // 1. No original is touched before every result is on disk.
    if (!ResultCheck::syncFileSystem(anyPath)) {
        for (Member& m : members) {
            QFile::remove(m.tempPath);
            m.code = -7;
        }
        return members;
    }
    // 2. The overwrites reach the disk before the files are removed, or removing them would drop them.
    QList<bool> overwritten(members.size(), true);
    if (overwrite) {
        for (qsizetype i = 0; i < members.size(); ++i)
            overwritten[i] =
                filekit::purge_file(members[i].path, 1000, 0, -1, filekit::PurgeSteps::OverwriteUnsynced) >= 0;
        ResultCheck::syncFileSystem(anyPath);
    }
    // 3. An original that could not be overwritten or removed keeps its name, so the rename fails and the
    // report says where the result is.
    for (qsizetype i = 0; i < members.size(); ++i) {
        Member& m = members[i];
        if (overwritten[i])
            filekit::purge_file(m.path, overwrite ? 1000 : 0, 0, -1,
                                overwrite ? filekit::PurgeSteps::RemoveOverwritten
                                          : filekit::PurgeSteps::LeaveFolderUnsynced);
        m.code = rename(m.tempPath, m.path) ? 0 : renameFailureCode(m.path);
    }
    ResultCheck::syncFolder(anyPath);
    return members;
}
