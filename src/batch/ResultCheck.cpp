#include "batch/ResultCheck.h"

#include "batch/RunContext.h"
#include "files/FileProc.h"
#include "key/frmKeyFrom.h"
#include "platform/engine/Engine.h"

#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <unistd.h>

namespace ResultCheck {

bool resultMatches(const QString& originalPath, const QString& resultPath, bool encrypt, const RunContext& context) {
    const QString cipherPath = encrypt ? resultPath : originalPath;
    const QString plainPath = encrypt ? originalPath : resultPath;
    const QString scratch = FileProc::NewFilePath(resultPath);
    if (scratch.isEmpty())
        return false;
    // The scratch copy lives only for the comparison: never synced, removed at once.
    const bool wasSyncing = zq4e::sync_output();
    zq4e::set_sync_output(false);
    zq4e::operation_initialization(context.key.strKey, 0, QFileInfo(cipherPath).size(), 0);
    const int r = zq4e::decrypt_file(cipherPath, scratch);
    zq4e::set_sync_output(wasSyncing);
    bool same = false;
    if (r == 0)
        same = FileProc::CompareFiles(plainPath, scratch) == -1 ||
               (QFileInfo(plainPath).size() == 0 && QFileInfo(scratch).size() == 0);
    QFile::remove(scratch);
    return same;
}

bool syncFolder(const QString& path) {
    const QByteArray dir = QFile::encodeName(QFileInfo(path).absolutePath());
    const int fd = ::open(dir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

} // namespace ResultCheck
