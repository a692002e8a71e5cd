#include "platform/filekit/FileKit.h"
#include "platform/filekit/PosixFile.h"
#include "platform/os/NativeName.h"

#include <QFileInfo>

#include <openssl/rand.h>

#include <cstdio>
#include <memory>

namespace filekit {

namespace {

constexpr int kOverwritten = 1;
constexpr int kRemoved = 0;
constexpr int kLinkRemoved = -1;
constexpr int kOtherNamesKept = -2;
constexpr int kInvalid = -4;
constexpr int kNotFound = -11;
constexpr int kNotAFile = -12;
constexpr int kCannotOpen = -13;
constexpr int kOverwriteFailed = -14;
constexpr int kCannotRemove = -15;

constexpr qint64 kBufferSize = 1 << 20;

// Makes the removal itself durable; a failure here costs nothing but that guarantee.
void syncFolder(const QByteArray& folder) {
    posix::Fd dir(::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.isOpen())
        ::fsync(dir.get());
}

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool overwrite(int fd, qint64 size) {
    const std::unique_ptr<unsigned char[]> buffer(new (std::nothrow) unsigned char[kBufferSize]);
    if (!buffer)
        return false;
    for (qint64 offset = 0; offset < size;) {
        const qint64 chunk = std::min(kBufferSize, size - offset);
        if (RAND_bytes(buffer.get(), static_cast<int>(chunk)) != 1)
            return false;
        qint64 done = 0;
        while (done < chunk) {
            const ssize_t put = ::pwrite(fd, buffer.get() + done, static_cast<size_t>(chunk - done), offset + done);
            if (put < 0 && errno == EINTR)
                continue;
            if (put <= 0)
                return false;
            done += put;
        }
        offset += chunk;
    }
    return true;
}

void (*g_hiddenHook)() = nullptr;

// Renames the file to a random name beside it, so the old name no longer points at the overwritten contents
// even in the folder's history, and returns that name; empty when no rename was possible. The name has the form
// of a run's temporary files (".zq4e-" + 16 hexadecimal digits + ".tmp"): should the process end before the
// removal, the next run in the folder removes the overwritten file with the other leftovers.
QByteArray hideUnderRandomName(const QByteArray& native, const QByteArray& folder) {
    for (int attempt = 0; attempt < 8; ++attempt) {
        unsigned char random[8];
        if (RAND_bytes(random, sizeof random) != 1)
            return {};
        const QByteArray hidden =
            folder + "/.zq4e-" + QByteArray(reinterpret_cast<const char*>(random), sizeof random).toHex() + ".tmp";
        if (::renameat2(AT_FDCWD, native.constData(), AT_FDCWD, hidden.constData(), RENAME_NOREPLACE) == 0)
            return hidden;
        if (errno == EEXIST)
            continue;
        if (errno != EINVAL && errno != ENOSYS)
            return {};
        // A file system without no-replace renames: check first, accepting the tiny race.
        struct stat st {};
        if (::lstat(hidden.constData(), &st) == 0)
            continue;
        return ::rename(native.constData(), hidden.constData()) == 0 ? hidden : QByteArray();
    }
    return {};
}

} // namespace

void set_purge_hidden_hook(void (*hook)()) {
    g_hiddenHook = hook;
}

int purge_file(const QString& path, int parameter, int /*reserved0*/, int /*reservedMinus1*/, PurgeSteps steps) {
    if (path.isEmpty() || parameter < 0)
        return kInvalid;
    const QByteArray native = NativeName::encode(path);
    const QByteArray folder = NativeName::encode(QFileInfo(path).absolutePath());
    const auto removed = [&] {
        if (steps == PurgeSteps::Whole)
            syncFolder(folder);
    };

    struct stat entry {};
    if (::lstat(native.constData(), &entry) != 0)
        return posix::isMissing(errno) ? kNotFound : kCannotOpen;
    if (steps == PurgeSteps::RemoveOverwritten) {
        const QByteArray hidden = hideUnderRandomName(native, folder);
        if (!hidden.isEmpty() && g_hiddenHook)
            g_hiddenHook();
        return ::unlink((hidden.isEmpty() ? native : hidden).constData()) == 0 ? kOverwritten : kCannotRemove;
    }
    const bool overwriteOnly = steps == PurgeSteps::OverwriteUnsynced;
    if (overwriteOnly && (S_ISLNK(entry.st_mode) || parameter == 0 || (S_ISREG(entry.st_mode) && entry.st_nlink > 1)))
        return kRemoved;
    if (S_ISLNK(entry.st_mode)) {
        if (::unlink(native.constData()) != 0)
            return kCannotRemove;
        removed();
        return kLinkRemoved;
    }
    if (!S_ISREG(entry.st_mode))
        return kNotAFile;
    if (parameter == 0 || entry.st_nlink > 1) {
        if (::unlink(native.constData()) != 0)
            return kCannotRemove;
        removed();
        return parameter == 0 ? kRemoved : kOtherNamesKept;
    }

    // A read-only file is made writable for its owner first: it is about to disappear anyway.
    posix::Fd fd(::open(native.constData(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    posix::Fd readOnly;
    bool modeChanged = false;
    if (!fd.isOpen() && (errno == EACCES || errno == EPERM)) {
        readOnly.reset(::open(native.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        struct stat st {};
        if (readOnly.isOpen() && ::fstat(readOnly.get(), &st) == 0 && sameFile(st, entry) &&
            ::fchmod(readOnly.get(), (entry.st_mode & 07777) | S_IWUSR) == 0) {
            modeChanged = true;
            fd.reset(::open(native.constData(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        }
    }
    const auto fail = [&](int code) {
        if (modeChanged)
            ::fchmod(readOnly.get(), entry.st_mode & 07777);
        return code;
    };
    struct stat opened {};
    if (!fd.isOpen() || ::fstat(fd.get(), &opened) != 0 || !sameFile(opened, entry) || !S_ISREG(opened.st_mode))
        return fail(kCannotOpen);
    if (!overwrite(fd.get(), opened.st_size) || (!overwriteOnly && ::fsync(fd.get()) != 0))
        return fail(kOverwriteFailed);
    if (overwriteOnly)
        return kOverwritten;
    // Ours from here on, where we may make it so (root purging another user's file): killed before the removal, the
    // next run finds the overwritten file under a name of ours, and removes only what is the user's own.
    if (::geteuid() == 0)
        ::fchown(fd.get(), 0, uid_t(-1));
    fd.reset();
    readOnly.reset();

    const QByteArray hidden = hideUnderRandomName(native, folder);
    if (!hidden.isEmpty() && g_hiddenHook)
        g_hiddenHook();
    const QByteArray& victim = hidden.isEmpty() ? native : hidden;
    if (::unlink(victim.constData()) != 0)
        return kCannotRemove;
    removed();
    return kOverwritten;
}

} // namespace filekit
