#include "batch/InPlaceGroup.h"

#include "batch/ResultCheck.h"
#include "platform/filekit/FileKit.h"

#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <unistd.h>

namespace {

// Syncs the file system that holds path: everything written there so far is on disk afterwards.
bool syncFileSystem(const QString& path) {
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::syncfs(fd) == 0;
    ::close(fd);
    return ok;
}

} // namespace

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
    if (!syncFileSystem(anyPath)) {
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
        syncFileSystem(anyPath);
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
