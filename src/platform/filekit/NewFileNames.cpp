#include "platform/filekit/FileKit.h"

#include "platform/os/NativeName.h"
#include "platform/os/PathEntry.h"

#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <unistd.h>

namespace filekit {

int new_file_creatable(const QString& path) {
    if (path.isEmpty() || PathEntry::exists(path))
        return 0;
    // The only sure answer is to create it: the folder may be missing, read-only or on a full file system.
    const QByteArray native = NativeName::encode(path);
    const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return 0;
    ::close(fd);
    ::unlink(native.constData());
    return 1;
}

qint64 new_filepath_extension(const QString& path) {
    if (path.isEmpty())
        return 0;
    constexpr qint64 kLimit = 1'000'000;
    for (qint64 n = 1; n <= kLimit; ++n) {
        QFileInfo candidate(path + QString::number(n));
        if (!candidate.exists() && !candidate.isSymLink())
            return n;
    }
    return 0;
}

} // namespace filekit
