#include "batch/ResultCheck.h"

#include "batch/RunContext.h"
#include "platform/engine/Engine.h"
#include "platform/os/DiskTrace.h"
#include "platform/os/NativeName.h"

#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <unistd.h>

namespace ResultCheck {

bool resultMatches(const QString& originalPath, const QString& resultPath, bool encrypt, const RunContext& context,
                   bool mayDerive) {
    const QString cipherPath = encrypt ? resultPath : originalPath;
    const QString plainPath = encrypt ? originalPath : resultPath;
    // The length is for information only; the check reads both files to their ends.
    zq4e::operation_initialization(context.runKey, 0, 0, 0);
    return zq4e::verify_file(cipherPath, plainPath, mayDerive) == 0;
}

namespace {
// Opens the folder that holds path and hands its descriptor to sync; false if either fails.
bool syncThroughFolder(const QString& path, int (*sync)(int)) {
    const QByteArray dir = NativeName::encode(QFileInfo(path).absolutePath());
    const int fd = ::open(dir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = sync(fd) == 0;
    ::close(fd);
    if (ok)
        DiskTrace::note(sync == ::syncfs ? DiskTrace::Step::SyncFileSystem : DiskTrace::Step::SyncFolder, path);
    return ok;
}
} // namespace

bool syncFolder(const QString& path) {
    return syncThroughFolder(path, ::fsync);
}

bool syncFileSystem(const QString& path) {
    return syncThroughFolder(path, ::syncfs);
}

} // namespace ResultCheck
