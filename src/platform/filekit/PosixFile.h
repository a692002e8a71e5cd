#pragma once

#include "platform/os/NativeName.h"

#include <QString>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// A file descriptor that closes itself, and the read loop the file services share.
namespace filekit::posix {

class Fd {
public:
    Fd() = default;
    explicit Fd(int fd) : m_fd(fd) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() { reset(); }

    int get() const { return m_fd; }
    bool isOpen() const { return m_fd >= 0; }
    void reset(int fd = -1) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }

private:
    int m_fd = -1;
};

// Opens a path for reading. O_NONBLOCK keeps a FIFO from hanging the caller; it changes nothing for regular
// files, which are the only kind the callers go on to read.
inline int openForReading(const QString& path) {
    const QByteArray native = NativeName::encode(path);
    int fd;
    do
        fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    while (fd < 0 && errno == EINTR);
    return fd;
}

inline bool isMissing(int error) {
    return error == ENOENT || error == ENOTDIR || error == ELOOP || error == ENAMETOOLONG;
}

// Repeats readAt(buffer, count, done) until size bytes are in, the file ends or a read fails.
template <class ReadAt> qint64 readLoop(char* buffer, qint64 size, ReadAt readAt) {
    qint64 done = 0;
    while (done < size) {
        const ssize_t got = readAt(buffer + done, static_cast<size_t>(size - done), done);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (got == 0)
            break;
        done += got;
    }
    return done;
}

// Reads until `size` bytes are in or the end of the file. Returns the count read, or -1 on a read error.
inline qint64 readFull(int fd, char* buffer, qint64 size) {
    return readLoop(buffer, size, [fd](char* b, size_t n, qint64) { return ::read(fd, b, n); });
}

// The same from a given offset, leaving the file position alone.
inline qint64 preadFull(int fd, char* buffer, qint64 size, qint64 offset) {
    return readLoop(buffer, size,
                    [fd, offset](char* b, size_t n, qint64 done) { return ::pread(fd, b, n, offset + done); });
}

// Writes all `size` bytes at `offset`; false (errno set) when a write fails or makes no progress.
inline bool pwriteFull(int fd, const char* data, qint64 size, qint64 offset) {
    while (size > 0) {
        const ssize_t n = ::pwrite(fd, data, static_cast<size_t>(size), offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= n;
        offset += n;
    }
    return true;
}

} // namespace filekit::posix
