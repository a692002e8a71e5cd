#include "files/ReadAhead.h"

#include "platform/os/NativeName.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <system_error>

namespace {
// The size asked for, or -1 when the path was passed over. A path is opened only when it names a regular file,
// and only kept when what was opened is that same file: opening a device or a pipe could have effects of its own.
qint64 requestFile(const QByteArray& path) {
    struct stat st {};
    if (::stat(path.constData(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0 ||
        st.st_size > ReadAhead::kMaxFileSize)
        return -1;
    const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    struct stat opened {};
    const bool same = ::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) && opened.st_dev == st.st_dev &&
                      opened.st_ino == st.st_ino;
    if (same)
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_WILLNEED);
    ::close(fd);
    return same ? opened.st_size : -1;
}
} // namespace

ReadAhead::ReadAhead(const QString& folder, const QStringList& names) : m_folder(folder), m_names(names) {
    if (m_names.size() < 2)
        return;
    try {
        m_thread = std::thread([this] { work(); });
    } catch (const std::system_error&) {
        // No thread to be had: the run reads its files as they come.
    }
}

ReadAhead::~ReadAhead() {
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
    }
    m_wake.notify_one();
    if (m_thread.joinable())
        m_thread.join();
}

void ReadAhead::reached(qsizetype index) {
    bool wake = false;
    {
        std::lock_guard lock(m_mutex);
        if (index <= m_current)
            return;
        m_current = index;
        while (!m_ahead.empty() && m_ahead.front().first < index) {
            m_bytesAhead -= m_ahead.front().second;
            m_ahead.pop_front();
        }
        wake = m_waiting && hasRoom(kRefillFiles, kRefillBytes);
    }
    if (wake)
        m_wake.notify_one();
}

bool ReadAhead::hasRoom(qsizetype files, qint64 bytes) const {
    return m_next < m_names.size() && m_next - m_current <= kFilesAhead - files &&
           m_bytesAhead < kBytesAhead - bytes;
}

qsizetype ReadAhead::requested() const {
    std::lock_guard lock(m_mutex);
    return m_requested;
}

void ReadAhead::work() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        // The file in progress is being read by the run itself; the room ahead starts after it.
        if (!hasRoom(0, 0)) {
            m_waiting = true;
            m_wake.wait(lock, [this] { return m_quit || hasRoom(kRefillFiles, kRefillBytes); });
            m_waiting = false;
        }
        if (m_quit)
            return;
        const qsizetype index = qMax(m_next, m_current + 1);
        m_next = index + 1;
        if (index >= m_names.size())
            continue;
        lock.unlock();
        const QByteArray path = NativeName::encode(m_folder + m_names.at(index));
        const qint64 size = requestFile(path);
        lock.lock();
        if (size < 0)
            continue;
        ++m_requested;
        if (index >= m_current) {
            m_ahead.emplace_back(index, size);
            m_bytesAhead += size;
        }
    }
}
