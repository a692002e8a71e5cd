#include "support/CliProcess.h"

#include <QCoreApplication>
#include <QProcess>

#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

namespace CliProcess {

QString program() {
    return QCoreApplication::applicationDirPath() + QStringLiteral("/zq4");
}

Outcome run(const QStringList& args, const QByteArray& input, const std::function<void()>& childSetup) {
    QProcess p;
    if (childSetup)
        p.setChildProcessModifier(childSetup);
    p.start(program(), args);
    if (!p.waitForStarted())
        return {};
    if (!input.isNull())
        p.write(input);
    p.closeWriteChannel();
    p.waitForFinished(600000);
    Outcome o;
    o.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    o.rawOut = p.readAllStandardOutput();
    o.out = QString::fromUtf8(o.rawOut);
    o.err = QString::fromUtf8(p.readAllStandardError());
    return o;
}

QByteArray operationFileText(bool encrypt, bool same, bool subfolders, const QByteArray& in, const QString& inSpec,
                             const QByteArray& out, const QString& outSpec) {
    auto flag = [](bool b) { return b ? QByteArray(" 1 ") : QByteArray(" 0 "); };
    return "7.77\r\n" + flag(encrypt) + "\r\n 0 \r\n" + flag(same) + "\r\n" + flag(subfolders) + "\r\n" + in + "\r\n" +
           inSpec.toUtf8() + "\r\n" + out + "\r\n" + outSpec.toUtf8() + "\r\n";
}

bool writeRaw(const QByteArray& path, const QByteArray& bytes) {
    for (qsizetype slash = path.indexOf('/', 1); slash > 0; slash = path.indexOf('/', slash + 1))
        ::mkdir(path.left(slash).constData(), 0700);
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    const bool ok = ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
    ::close(fd);
    return ok;
}

namespace {
void collect(const QByteArray& root, const QByteArray& rel, QMap<QByteArray, QByteArray>& out) {
    DIR* dir = ::opendir((root + rel).constData());
    if (!dir)
        return;
    while (const dirent* e = ::readdir(dir)) {
        const QByteArray name(e->d_name);
        if (name == "." || name == "..")
            continue;
        const QByteArray path = rel + name;
        struct stat st {};
        if (::lstat((root + path).constData(), &st) != 0)
            continue;
        if (S_ISDIR(st.st_mode)) {
            collect(root, path + '/', out);
        } else if (S_ISREG(st.st_mode)) {
            QByteArray bytes(st.st_size, Qt::Uninitialized);
            const int fd = ::open((root + path).constData(), O_RDONLY | O_CLOEXEC);
            const ssize_t got = fd < 0 ? -1 : ::read(fd, bytes.data(), size_t(bytes.size()));
            if (fd >= 0)
                ::close(fd);
            out.insert(path, got == bytes.size() ? bytes : QByteArray("<unreadable>"));
        }
    }
    ::closedir(dir);
}
} // namespace

QMap<QByteArray, QByteArray> rawTree(const QByteArray& folder) {
    QMap<QByteArray, QByteArray> out;
    collect(folder.endsWith('/') ? folder : folder + '/', QByteArray(), out);
    return out;
}

void removeRaw(const QByteArray& folder) {
    ::nftw(
        folder.constData(),
        [](const char* path, const struct stat*, int, FTW*) {
            ::remove(path);
            return 0;
        },
        64, FTW_DEPTH | FTW_PHYS);
}

} // namespace CliProcess
