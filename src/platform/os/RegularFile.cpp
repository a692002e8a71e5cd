#include "platform/os/RegularFile.h"

#include "platform/os/NativeName.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace RegularFile {

int openDescriptor(const QString& path, QString& errorText) {
    const QByteArray native = NativeName::encode(path);
    const int fd = native.isEmpty() ? -1 : ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        errorText = QString::fromLocal8Bit(std::strerror(native.isEmpty() ? ENOENT : errno));
        return -1;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        errorText = path + QStringLiteral(" is not a regular file (it is a folder, pipe, socket or device).");
        return -1;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

bool openForReading(const QString& path, QFile& file, QString& errorText) {
    const int fd = openDescriptor(path, errorText);
    if (fd < 0)
        return false;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        errorText = file.errorString();
        return false;
    }
    return true;
}

} // namespace RegularFile
