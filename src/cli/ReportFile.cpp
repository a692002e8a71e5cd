#include "cli/ReportFile.h"

#include "cli/Console.h"
#include "platform/os/FileIdentity.h"
#include "platform/os/NativeName.h"
#include "platform/os/PathEntry.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Identity {
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const Identity& o) const { return device == o.device && inode == o.inode; }
};

bool identityOf(const QByteArray& path, Identity& id) {
    struct stat st {};
    if (::stat(path.constData(), &st) != 0)
        return false;
    id = {st.st_dev, st.st_ino};
    return true;
}

QString cannotWrite(const QString& path, const QString& why) {
    return QStringLiteral("cannot write the report to ") + path + QStringLiteral(": ") + why;
}

QString systemError(int err) {
    return QString::fromLocal8Bit(std::strerror(err));
}

} // namespace

QString ReportFile::target() const {
    // Links resolved by the bytes of the names (a name that is not UTF-8 included).
    char* resolved = ::realpath(NativeName::encode(m_path).constData(), nullptr);
    if (!resolved)
        return m_path;
    const QString target = NativeName::decode(resolved);
    std::free(resolved);
    return target;
}

bool ReportFile::isSpecial() const {
    struct stat st {};
    return ::stat(NativeName::encode(m_path).constData(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode);
}

QString ReportFile::refusal(const QStringList& files, const QStringList& folders, const QStringList& trees) const {
    const QString folder = QFileInfo(target()).path();
    const QByteArray folderBytes = NativeName::encode(folder);
    struct stat st {};
    if (::stat(folderBytes.constData(), &st) != 0)
        return cannotWrite(m_path, systemError(errno));
    if (!S_ISDIR(st.st_mode))
        return cannotWrite(m_path, systemError(ENOTDIR));
    if (PathEntry::isFolder(m_path))
        return cannotWrite(m_path, systemError(EISDIR));
    if (!isSpecial() && ::access(folderBytes.constData(), W_OK | X_OK) != 0)
        return cannotWrite(m_path, systemError(errno));

    for (const QString& file : files)
        if (!file.isEmpty() && FileIdentity::sameFile(m_path, file))
            return QStringLiteral("the report file ") + m_path + QStringLiteral(" is the file ") + file +
                   QStringLiteral(" of this run.");
    // The report's folder and, for the trees, every folder above it up to the root.
    Identity at{st.st_dev, st.st_ino};
    QByteArray up = folderBytes;
    for (int level = 0; level < 4096; ++level) {
        for (const QString& f : level == 0 ? folders + trees : trees) {
            Identity id;
            if (!f.isEmpty() && identityOf(NativeName::encode(f), id) && id == at)
                return QStringLiteral("the report file ") + m_path + QStringLiteral(" lies in the folder ") + f +
                       QStringLiteral(" of this run.");
        }
        if (trees.isEmpty())
            break;
        up += "/..";
        Identity parent;
        if (!identityOf(up, parent) || parent == at)
            break;
        at = parent;
    }
    return QString();
}

bool ReportFile::write(const QString& report) const {
    const QByteArray bytes = Console::unixLines(report).toUtf8();
    const QByteArray target = NativeName::encode(this->target());
    const QByteArray folder = NativeName::encode(QFileInfo(this->target()).path());
    const bool special = isSpecial();
    QByteArray temp;
    int fd = special ? ::open(target.constData(), O_WRONLY | O_NOCTTY | O_CLOEXEC) : -1;
    for (int attempt = 0; attempt < 16 && fd < 0 && !special; ++attempt) {
        temp = folder + "/.zq4-report-" + QByteArray::number(QRandomGenerator::system()->generate64(), 36) + ".tmp";
        // Private while it is written; the umask may take more away, never add.
        fd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    int err = fd < 0 ? errno : 0;
    for (qsizetype done = 0; err == 0 && done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno != EINTR)
            err = errno;
        else if (n > 0)
            done += n;
    }
    if (fd >= 0 && special) {
        if (::close(fd) != 0 && err == 0)
            err = errno;
    } else if (fd >= 0) {
        if (err == 0 && ::fsync(fd) != 0)
            err = errno;
        if (::close(fd) != 0 && err == 0)
            err = errno;
        if (err == 0 && ::rename(temp.constData(), target.constData()) != 0)
            err = errno;
        if (err != 0)
            ::unlink(temp.constData());
    }
    if (err == 0)
        return true;
    Console::err(QCoreApplication::applicationName() + QStringLiteral(": ") + cannotWrite(m_path, systemError(err)) +
                 QLatin1Char('\n'));
    return false;
}
