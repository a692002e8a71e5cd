#include "batch/inplace/WriteBack.h"

#include "platform/filekit/PosixFile.h"
#include "platform/os/FileIdentity.h"
#include "platform/os/NativeName.h"

#include <openssl/crypto.h>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace WriteBack {

namespace {
void (*g_halfWay)() = nullptr;

// Extended attributes of the user's namespace describe the contents (where they came from, tags, comments): they
// do not stay with contents that are no longer those, as a file made new would not have them.
void dropUserAttributes(int fd) {
    const ssize_t size = ::flistxattr(fd, nullptr, 0);
    if (size <= 0)
        return;
    QByteArray names(size, '\0');
    const ssize_t got = ::flistxattr(fd, names.data(), std::size_t(names.size()));
    for (const QByteArray& name : names.left(qMax<ssize_t>(got, 0)).split('\0'))
        if (name.startsWith("user."))
            ::fremovexattr(fd, name.constData());
}

struct timespec fromNs(qint64 ns) {
    return {time_t(ns / 1000000000), long(ns % 1000000000)};
}

} // namespace

// The file opened for reading and writing; a read-only one made writable for its owner first (modeToRestore
// then holds its mode). -1 when it cannot be.
int openForWriting(const QByteArray& native, mode_t& modeToRestore) {
    modeToRestore = 0;
    const int flags = O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;
    int fd = ::open(native.constData(), flags);
    if (fd >= 0 || (errno != EACCES && errno != EPERM))
        return fd;
    const int readOnly = ::open(native.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    struct stat st {};
    if (readOnly >= 0 && ::fstat(readOnly, &st) == 0 && S_ISREG(st.st_mode) &&
        ::fchmod(readOnly, (st.st_mode & 07777) | S_IWUSR) == 0) {
        fd = ::open(native.constData(), flags);
        if (fd >= 0)
            modeToRestore = st.st_mode & 07777;
        else
            ::fchmod(readOnly, st.st_mode & 07777);
    }
    if (readOnly >= 0)
        ::close(readOnly);
    return fd;
}

void giveTimes(int fd, qint64 accessedNs, qint64 modifiedNs) {
    // A file system that keeps no times is no failure.
    const struct timespec times[2] = {fromNs(accessedNs), fromNs(modifiedNs)};
    ::futimens(fd, times);
}

bool writeWhole(int fd, const QByteArray& result, qint64 accessedNs, qint64 modifiedNs) {
    if (!filekit::posix::pwriteFull(fd, result.constData(), result.size(), 0) || ::ftruncate(fd, result.size()) != 0)
        return false;
    giveTimes(fd, accessedNs, modifiedNs);
    return true;
}

Outcome over(const QString& path, const FileStamp& original, const QByteArray& result, qint64 accessedNs) {
    mode_t modeToRestore = 0;
    const int fd = openForWriting(NativeName::encode(path), modeToRestore);
    if (fd < 0)
        return Outcome::Failed;
    struct stat st {};
    Outcome outcome = Outcome::Written;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_dev != original.device || st.st_ino != original.inode ||
        st.st_size != original.size)
        outcome = Outcome::NotTheFile;
    // What the original holds, to put back should the writing fail part of the way (a disk that fills as the
    // file grows); wiped afterwards, as it may be plaintext.
    QByteArray before;
    if (outcome == Outcome::Written) {
        before.resize(original.size);
        if (filekit::posix::preadFull(fd, before.data(), before.size(), 0) != before.size())
            outcome = Outcome::Failed;
    }
    if (outcome == Outcome::Written) {
        // The hook's half ends on a 512-byte boundary, as a write cut short by a kill (the kernel copies page by
        // page) or by a crash (the disk keeps whole sectors) does.
        const qint64 half =
            g_halfWay ? qMin<qint64>(result.size(), qMax<qint64>(512, result.size() / 1024 * 512)) : result.size();
        bool ok = filekit::posix::pwriteFull(fd, result.constData(), half, 0);
        if (ok && g_halfWay)
            g_halfWay();
        ok = ok && filekit::posix::pwriteFull(fd, result.constData() + half, result.size() - half, half) &&
             ::ftruncate(fd, result.size()) == 0;
        const int err = errno;
        if (ok) {
            dropUserAttributes(fd);
            giveTimes(fd, accessedNs, original.modifiedNs);
        } else if (writeWhole(fd, before, accessedNs, original.modifiedNs))
            outcome = err == ENOSPC || err == EDQUOT ? Outcome::DiskFull : Outcome::Failed;
        else
            outcome = Outcome::Damaged;
    }
    if (!before.isEmpty())
        OPENSSL_cleanse(before.data(), std::size_t(before.size()));
    if (modeToRestore)
        ::fchmod(fd, modeToRestore);
    ::close(fd);
    return outcome;
}

void setHalfWayHook(void (*hook)()) {
    g_halfWay = hook;
}

} // namespace WriteBack
