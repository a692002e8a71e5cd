#include "cli/VerifyCommand.h"

#include "cli/CliSession.h"
#include "cli/CommandLine.h"
#include "cli/Console.h"
#include "cli/StreamTexts.h"
#include "files/FolderListing.h"
#include "key/KeyMaterial.h"
#include "platform/engine/StreamCipher.h"
#include "platform/os/NativeName.h"
#include "platform/os/PathEntry.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace CliSession;

namespace {

bool encryptedName(const QString& name) {
    return name.size() > 4 && name.endsWith(QLatin1String(".enc"), Qt::CaseInsensitive);
}

// The files to verify: each file named, and a folder's files ending in .enc (with -r, those of its subfolders
// too). False with the message printed when a path is not there or a folder cannot be read.
bool collect(const QString& given, bool recursive, QStringList& files) {
    const QString& path = given;
    const PathEntry::Info entry = PathEntry::of(path, true);
    if (entry.kind == PathEntry::Kind::Missing || entry.kind == PathEntry::Kind::Unreachable) {
        printError(NativeName::shown(given) + QStringLiteral(": ") +
                   Console::sentence(PathEntry::errorText(entry.error)));
        return false;
    }
    if (entry.kind != PathEntry::Kind::Folder) {
        files << path;
        return true;
    }
    const Folder::Contents contents = Folder::listFolder(path);
    if (!contents.ok) {
        printError(NativeName::shown(given) + QStringLiteral(": ") + Console::sentence(contents.errorText));
        return false;
    }
    const QString folder = withTrailingSlash(path);
    for (const QString& name : contents.files)
        if (encryptedName(name))
            files << folder + name;
    if (recursive)
        for (const QString& sub : contents.subfolders)
            if (!collect(folder + sub, true, files))
                return false;
    return true;
}

// Why the file cannot be verified before its contents are read, or empty.
QString openRefusal(int fd) {
    if (fd < 0)
        return Console::sentence(PathEntry::errorText(errno));
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return Console::sentence(PathEntry::errorText(errno));
    if (!S_ISREG(st.st_mode))
        return QStringLiteral("not a regular file.");
    return QString();
}

} // namespace

namespace VerifyCommand {

int run(const CliOptions::Options& options) {
    QStringList files;
    for (const QString& path : options.paths)
        if (!collect(path, options.recursive, files))
            return CommandLine::Refused;
    if (files.isEmpty()) {
        printError(QStringLiteral("no file ending in .enc to verify."));
        return CommandLine::Refused;
    }
    Session session;
    if (!readKey(session.key, options.keyfile, options.keyFromStdin, KeyAsk::OnStandardInput, false))
        return CommandLine::Refused;
    EngineBuffers engine;
    QByteArray key = frmKeyFrom::stretchedKey(session.key.strKey);
    qint64 bad = 0;
    for (const QString& file : std::as_const(files)) {
        // Opened without waiting (a FIFO named by mistake is refused, not waited on), then read as usual.
        const int fd = ::open(NativeName::encode(file).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        QString why = openRefusal(fd);
        if (why.isEmpty())
            ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        if (why.isEmpty()) {
            const zq4e::StreamOutcome r = zq4e::decrypt_stream(key, fd, -1);
            if (r.code != 0)
                why = StreamTexts::verifyFailure(r);
        }
        if (fd >= 0)
            ::close(fd);
        if (!why.isEmpty()) {
            ++bad;
            printError(NativeName::shown(file) + QStringLiteral(": ") + why);
        } else if (options.verbose) {
            Console::out(NativeName::shown(file) + QStringLiteral(": verified.\n"));
        }
    }
    KeyMaterial::wipe(key);
    int status = bad ? CommandLine::SomeNotDone : CommandLine::AllDone;
    if (bad)
        printError(QString::number(bad) + QStringLiteral(" of ") + QString::number(files.size()) +
                   (files.size() == 1 ? QStringLiteral(" file") : QStringLiteral(" files")) +
                   QStringLiteral(" did not verify."));
    if (Console::outFailed()) {
        printError(QStringLiteral("standard output: the report could not be written."));
        status = CommandLine::SomeNotDone;
    }
    return status;
}

} // namespace VerifyCommand
