#include "platform/os/DurableWrite.h"

#include "platform/filekit/PosixFile.h"
#include "platform/os/NativeName.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace DurableWrite {

namespace {
QString systemError(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}
} // namespace

bool writeFile(const QString& path, const QByteArray& bytes, QString& errorText) {
    errorText.clear();
    const QFileInfo target(path);
    if (target.isDir()) {
        errorText = systemError(EISDIR);
        return false;
    }
    const QByteArray folder = NativeName::encode(target.absolutePath());
    QByteArray temporary = NativeName::encode(QDir(target.absolutePath()).filePath(QStringLiteral(".zq4-XXXXXX")));
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        errorText = systemError(errno);
        return false;
    }
    int error = 0;
    errno = 0;
    if (!filekit::posix::pwriteFull(fd, bytes.constData(), bytes.size(), 0) || ::fsync(fd) != 0)
        error = errno ? errno : EIO;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0 && ::rename(temporary.constData(), NativeName::encode(target.absoluteFilePath()).constData()) != 0)
        error = errno;
    if (error != 0) {
        ::unlink(temporary.constData());
        errorText = systemError(error);
        return false;
    }
    // The rename is only durable once the folder itself is on disk.
    const int dir = ::open(folder.constData(), O_RDONLY | O_DIRECTORY);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

} // namespace DurableWrite
