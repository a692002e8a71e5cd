#include "batch/FolderLock.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

FolderLock::Result FolderLock::acquire(const QString& folder) {
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return Result::Acquired; // the run itself reports a folder it cannot read
    struct stat st {};
    ::fstat(fd, &st);
    const QString id = QString::number(st.st_dev) + QLatin1Char(':') + QString::number(st.st_ino);
    if (m_held.contains(id)) {
        ::close(fd);
        return Result::Acquired;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        ::close(fd);
        return err == EWOULDBLOCK ? Result::HeldElsewhere : Result::Acquired;
    }
    m_held.insert(id, fd);
    return Result::Acquired;
}

void FolderLock::releaseAll() {
    for (const int fd : std::as_const(m_held))
        ::close(fd);
    m_held.clear();
}
