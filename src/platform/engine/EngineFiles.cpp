#include "platform/engine/EngineFiles.h"

#include "platform/engine/Engine.h"
#include "platform/os/DiskTrace.h"
#include "platform/os/NativeName.h"
#include "platform/os/UnnamedFile.h"

#include <QFile>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <openssl/rand.h>
#include <sys/mman.h>
#include <sys/sendfile.h>
#include <unistd.h>

namespace zq4e {

namespace {

constexpr int kMaxIov = 1024;

QByteArray parentFolder(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return QByteArrayLiteral(".");
    if (slash == 0)
        return QByteArrayLiteral("/");
    return path.left(slash);
}

QByteArray randomSuffix() {
    unsigned char r[8];
    if (RAND_bytes(r, sizeof r) != 1)
        return {};
    return QByteArray(reinterpret_cast<const char*>(r), sizeof r).toHex();
}

QByteArray temporaryName(const QByteArray& folder, const QByteArray& suffix) {
    return folder + "/.zq4e-" + suffix + ".tmp";
}

void syncFolder(const QByteArray& folder) {
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// Moves the vector past `n` bytes already transferred.
void advance(iovec*& iov, int& count, std::size_t n) {
    while (count > 0 && n >= iov->iov_len) {
        n -= iov->iov_len;
        ++iov;
        --count;
    }
    if (count > 0 && n) {
        iov->iov_base = static_cast<char*>(iov->iov_base) + n;
        iov->iov_len -= n;
    }
}

} // namespace

int writeErrorCode(int err) {
    return (err == ENOSPC || err == EDQUOT) ? DiskFull : WriteError;
}

InputFile::~InputFile() {
    if (m_fd >= 0)
        ::close(m_fd);
}

int InputFile::open(const QString& path) {
    const QByteArray p = NativeName::encode(path);
    if (p.isEmpty())
        return InputNotFound;
    // Non-blocking so that a FIFO at the path cannot hang us before we see it is not a file.
    m_fd = ::open(p.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (m_fd < 0)
        return (errno == ENOENT || errno == ENOTDIR) ? InputNotFound : CannotOpenInput;
    // O_NONBLOCK may stay: it means nothing for a regular file.
    if (::fstat(m_fd, &m_stat) != 0 || !S_ISREG(m_stat.st_mode))
        return CannotOpenInput;
    return Ok;
}

long long InputFile::readVec(iovec* iov, int count) {
    long long total = 0;
    while (count > 0) {
        const ssize_t n = ::readv(m_fd, iov, count < kMaxIov ? count : kMaxIov);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (n == 0)
            break;
        total += n;
        advance(iov, count, std::size_t(n));
    }
    m_offset += std::uint64_t(total);
    askAhead();
    return total;
}

void InputFile::askAhead() {
    const std::uint64_t size = std::uint64_t(m_stat.st_size);
    if (size <= kReadAhead || m_offset >= size || m_offset + kReadAhead / 2 < m_askedUntil)
        return;
    const std::uint64_t from = m_askedUntil > m_offset ? m_askedUntil : m_offset;
    m_askedUntil = m_offset + kReadAhead;
    ::posix_fadvise(m_fd, off_t(from), off_t(m_askedUntil - from), POSIX_FADV_WILLNEED);
}

long long InputFile::read(std::uint8_t* data, std::size_t size) {
    iovec v{data, size};
    return readVec(&v, 1);
}

int OutputFile::create(const QString& path, const struct stat& input, Creation how) {
    // Created private; the input's permission bits (never set-id or sticky) are given at commit, so the result
    // is never more readable than what it came from.
    m_mode = input.st_mode & 0777;
    m_times[0] = input.st_atim;
    m_times[1] = input.st_mtim;
    m_path = NativeName::encode(path);
    if (m_path.isEmpty() || m_path.endsWith('/'))
        return CannotOpenOutput;
    // A name that is free is taken at once: nothing is there to protect.
    if (how == Creation::DirectWhenNew) {
        m_fd = ::open(m_path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (m_fd >= 0) {
            m_tempPath = m_path;
            return Ok;
        }
        if (errno != EEXIST)
            return (errno == ENOSPC || errno == EDQUOT) ? DiskFull : CannotOpenOutput;
    }
    if (how == Creation::InMemory) {
        m_fd = ::memfd_create("zq4-result", MFD_CLOEXEC);
        if (m_fd < 0)
            return errno == ENOMEM ? CryptoFailure : CannotOpenOutput;
        m_unnamed = m_inMemory = true;
        return Ok;
    }
    const QByteArray folder = parentFolder(m_path);
    // A free name gets a result that has no name at all until it is complete. Whatever keeps us from making one
    // (a file system without them, above all) leaves the temporary name below, which reports its own errors.
    struct stat st {};
    if (how == Creation::Unnamed ||
        (how == Creation::UnnamedWhenNew && ::lstat(m_path.constData(), &st) != 0 && errno == ENOENT)) {
        m_fd = UnnamedFile::create(folder);
        if (m_fd >= 0) {
            m_unnamed = true;
            return Ok;
        }
    }
    // A folder there is refused, and so is the input itself under any name (the same path, a hard link, a
    // symbolic link to it): renaming onto it would lose the input.
    if (::stat(m_path.constData(), &st) == 0 &&
        (S_ISDIR(st.st_mode) || (st.st_dev == input.st_dev && st.st_ino == input.st_ino)))
        return CannotOpenOutput;
    for (int attempt = 0; attempt < 16; ++attempt) {
        const QByteArray suffix = randomSuffix();
        if (suffix.isEmpty())
            return CryptoFailure;
        m_tempPath = temporaryName(folder, suffix);
        m_fd = ::open(m_tempPath.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (m_fd >= 0)
            return Ok;
        if (errno != EEXIST)
            break;
    }
    const int err = errno;
    m_tempPath.clear();
    return (err == ENOSPC || err == EDQUOT) ? DiskFull : CannotOpenOutput;
}

int OutputFile::writeVec(iovec* iov, int count, std::uint64_t& written) {
    while (count > 0) {
        const ssize_t n = ::writev(m_fd, iov, count < kMaxIov ? count : kMaxIov);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return writeErrorCode(errno);
        }
        written += std::uint64_t(n);
        m_written += std::uint64_t(n);
        advance(iov, count, std::size_t(n));
    }
    if (m_writeBehind && m_written - m_writingFrom >= kWriteBehind)
        writeBehind();
    written_so_far(qint64(written));
    return Ok;
}

// Hands the new bytes to the disk, and lets go of those handed over the time before last once they are written:
// two pieces are on their way while the cipher works on the next. A file system that cannot do either is no
// failure, and neither makes anything durable: the sync at the end does.
void OutputFile::writeBehind() {
    ::sync_file_range(m_fd, off_t(m_writingFrom), off_t(m_written - m_writingFrom), SYNC_FILE_RANGE_WRITE);
    if (m_released < m_lastHanded) {
        const off_t from = off_t(m_released), length = off_t(m_lastHanded - m_released);
        if (::sync_file_range(m_fd, from, length,
                              SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER) == 0)
            ::posix_fadvise(m_fd, from, length, POSIX_FADV_DONTNEED);
        m_released = m_lastHanded;
    }
    m_lastHanded = m_writingFrom;
    m_writingFrom = m_written;
}

int OutputFile::commit(bool sync, bool alsoFolder, long long length, Placing placing) {
    if (m_fd < 0)
        return WriteError;
    int code = m_inMemory && placing != Placing::Leave ? toDisk() : int(Ok);
    if (length >= 0 && ::ftruncate(m_fd, length) != 0)
        code = writeErrorCode(errno);
    if (code == Ok && ::fchmod(m_fd, m_mode) != 0)
        code = WriteError;
    // After the last write, which would set the time again. A file system that keeps no times is no failure.
    if (code == Ok)
        ::futimens(m_fd, m_times);
    if (code == Ok && sync) {
        if (::fsync(m_fd) != 0)
            code = writeErrorCode(errno);
        else
            DiskTrace::note(DiskTrace::Step::SyncFile, NativeName::decode(m_unnamed ? m_path : m_tempPath));
    }
    if (m_unnamed)
        return commitUnnamed(code, sync && alsoFolder, placing);
    const int closed = ::close(m_fd);
    m_fd = -1;
    if (code == Ok && closed != 0)
        code = writeErrorCode(errno);
    if (code == Ok && m_tempPath != m_path) {
        if (placing == Placing::Replace) {
            if (::rename(m_tempPath.constData(), m_path.constData()) != 0)
                code = writeErrorCode(errno);
            else
                DiskTrace::note(DiskTrace::Step::Rename, NativeName::decode(m_path));
        } else if (placing == Placing::Leave) {
            m_path = m_tempPath;
        } else {
            code = placeBesideExisting(placing == Placing::Aside ? 1 : 0);
        }
    }
    if (code != Ok) {
        ::unlink(m_tempPath.constData());
        m_tempPath.clear();
        return code;
    }
    m_tempPath.clear();
    if (sync && alsoFolder)
        syncFolder(parentFolder(m_path));
    return Ok;
}

int OutputFile::toDisk() {
    const int memory = m_fd;
    m_fd = -1;
    m_unnamed = m_inMemory = false;
    struct stat like {};
    like.st_mode = S_IFREG | m_mode;
    like.st_atim = m_times[0];
    like.st_mtim = m_times[1];
    int code = create(NativeName::decode(m_path), like, Creation::UnnamedWhenNew);
    off_t from = 0;
    const off_t size = ::lseek(memory, 0, SEEK_END);
    while (code == Ok && from < size) {
        const ssize_t n = ::sendfile(m_fd, memory, &from, std::size_t(size - from));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            code = n < 0 ? writeErrorCode(errno) : WriteError;
    }
    ::close(memory);
    return code;
}

// An unnamed result is named through its descriptor, so it is closed only afterwards; left for the caller, it
// stays open.
int OutputFile::commitUnnamed(int code, bool alsoFolder, Placing placing) {
    if (code == Ok && placing == Placing::Leave) {
        m_path = UnnamedFile::pathOf(m_fd);
        return Ok;
    }
    if (code == Ok)
        code = placing == Placing::Replace ? placeUnnamed() : placeBesideExisting(placing == Placing::Aside ? 1 : 0);
    const bool closed = ::close(m_fd) == 0;
    const int closeError = errno;
    m_fd = -1;
    m_unnamed = false;
    if (code == Ok && !closed) {
        ::unlink(m_path.constData());
        code = writeErrorCode(closeError);
    }
    if (code != Ok)
        return code;
    if (placing == Placing::Replace)
        DiskTrace::note(DiskTrace::Step::Rename, NativeName::decode(m_path));
    if (alsoFolder)
        syncFolder(parentFolder(m_path));
    return Ok;
}

// The unnamed result takes the output path: linked there while it is free; else, as replacing is what was asked,
// linked under a temporary name and renamed onto it.
int OutputFile::placeUnnamed() {
    int err = takeFreeName(m_path);
    if (err != EEXIST)
        return err ? writeErrorCode(err) : int(Ok);
    const QByteArray folder = parentFolder(m_path);
    QByteArray temporary;
    for (int attempt = 0; attempt < 16 && err == EEXIST; ++attempt) {
        const QByteArray suffix = randomSuffix();
        if (suffix.isEmpty())
            return CryptoFailure;
        temporary = temporaryName(folder, suffix);
        err = takeFreeName(temporary);
    }
    if (err == 0 && ::rename(temporary.constData(), m_path.constData()) != 0) {
        err = errno;
        ::unlink(temporary.constData());
    }
    return err ? writeErrorCode(err) : int(Ok);
}

// Puts the file under the output path if that is free, else under the first free name of the output path
// followed by 1, 2, ...: a failed result must not replace a file that is there.
int OutputFile::placeBesideExisting(int first) {
    for (int n = first; n < 100000; ++n) {
        const QByteArray candidate = n == 0 ? m_path : m_path + QByteArray::number(n);
        const int err = takeFreeName(candidate);
        if (err == 0) {
            m_path = candidate;
            return Ok;
        }
        if (err != EEXIST)
            return writeErrorCode(err);
    }
    return WriteError;
}

int OutputFile::takeFreeName(const QByteArray& name) {
    if (m_unnamed)
        return UnnamedFile::link(m_fd, name) ? 0 : errno;
    if (::renameat2(AT_FDCWD, m_tempPath.constData(), AT_FDCWD, name.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    // No exclusive rename on this file system: a hard link cannot replace anything either.
    if (::link(m_tempPath.constData(), name.constData()) != 0)
        return errno;
    ::unlink(m_tempPath.constData());
    return 0;
}

int OutputFile::releaseUnnamed() {
    if (!m_unnamed)
        return -1;
    const int fd = m_fd;
    m_fd = -1;
    m_unnamed = m_inMemory = false;
    return fd;
}

void OutputFile::discard() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    m_unnamed = m_inMemory = false;
    if (!m_tempPath.isEmpty()) {
        ::unlink(m_tempPath.constData());
        m_tempPath.clear();
    }
}

} // namespace zq4e
