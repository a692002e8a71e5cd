#include "batch/FolderLock.h"

#include "platform/os/NativeName.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
QString identity(const struct stat& st) {
    return QString::number(st.st_dev) + QLatin1Char(':') + QString::number(st.st_ino);
}
} // namespace

FolderLock::Result FolderLock::acquire(const QString& folder) {
    const int fd = ::open(NativeName::encode(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return Result::Acquired; // the run itself reports a folder it cannot read
    struct stat st {};
    ::fstat(fd, &st);
    const QString id = identity(st);
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
    m_paths.insert(folder, id);
    return Result::Acquired;
}

void FolderLock::release(const QString& folder) {
    const QString id = m_paths.take(folder);
    const auto it = m_held.constFind(id);
    if (id.isEmpty() || it == m_held.constEnd())
        return;
    ::close(it.value());
    m_held.erase(it);
    m_paths.removeIf([&id](const auto& entry) { return entry.value() == id; });
}

void FolderLock::releaseAll() {
    for (const int fd : std::as_const(m_held))
        ::close(fd);
    m_held.clear();
    m_paths.clear();
}
