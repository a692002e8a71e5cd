#include "platform/os/UnnamedFile.h"

#include "platform/filekit/PosixFile.h"
#include "platform/os/NativeName.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::atomic<bool> g_available{true};

} // namespace

UnnamedFile& UnnamedFile::operator=(UnnamedFile&& other) noexcept {
    if (this != &other) {
        close();
        m_fd = other.release();
    }
    return *this;
}

int UnnamedFile::create(const QByteArray& folder) {
    // Without /proc such a file could get a name only with a privilege we do not ask for.
    static const bool canName = ::access("/proc/self/fd", X_OK) == 0;
    if (!g_available.load(std::memory_order_relaxed) || !canName) {
        errno = EOPNOTSUPP;
        return -1;
    }
    return ::open(folder.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
}

bool UnnamedFile::link(int fd, const QByteArray& path) {
    return ::linkat(AT_FDCWD, pathOf(fd).constData(), AT_FDCWD, path.constData(), AT_SYMLINK_FOLLOW) == 0;
}

QByteArray UnnamedFile::pathOf(int fd) {
    return QByteArrayLiteral("/proc/self/fd/") + QByteArray::number(fd);
}

void UnnamedFile::setAvailable(bool on) {
    g_available.store(on, std::memory_order_relaxed);
}

int UnnamedFile::release() {
    const int fd = m_fd;
    m_fd = -1;
    return fd;
}

void UnnamedFile::close() {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

qint64 UnnamedFile::size() const {
    struct stat st {};
    return m_fd >= 0 && ::fstat(m_fd, &st) == 0 ? qint64(st.st_size) : -1;
}

bool UnnamedFile::readAll(QByteArray& out) const {
    const qint64 length = size();
    if (length < 0 || length > (qint64(1) << 30))
        return false;
    out.resize(length);
    return filekit::posix::preadFull(m_fd, out.data(), length, 0) == length;
}

bool UnnamedFile::link(const QString& path) const {
    const QByteArray native = NativeName::encode(path);
    return m_fd >= 0 && !native.isEmpty() && link(m_fd, native);
}
