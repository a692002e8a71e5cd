#include "cli/StreamCommand.h"

#include "cli/CliSession.h"
#include "cli/CommandLine.h"
#include "cli/Console.h"
#include "cli/StreamTexts.h"
#include "key/KeyMaterial.h"
#include "platform/engine/StreamCipher.h"
#include "platform/os/NativeName.h"
#include "platform/os/PathEntry.h"

#include <QFileInfo>
#include <QRandomGenerator>

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

using namespace CliSession;

namespace {

// The temporary file of -o FILE, removed when a signal ends the program before it is complete.
char g_temp[4096] = {0};

extern "C" void removeTempAndDie(int sig) {
    if (g_temp[0])
        ::unlink(g_temp);
    ::signal(sig, SIG_DFL);
    ::raise(sig);
}

// -o FILE: written under a private temporary name beside it and renamed onto it only when complete, so a
// failure never leaves part of a result (or of unauthenticated plaintext) under its name.
class FileTarget {
public:
    explicit FileTarget(const QString& path) : m_path(NativeName::encode(path)) {}
    ~FileTarget() { discard(); }
    bool open() {
        const QByteArray folder = NativeName::encode(QFileInfo(NativeName::decode(m_path)).path());
        for (int attempt = 0; attempt < 16 && m_fd < 0; ++attempt) {
            m_temp =
                folder + "/.zq4-stream-" + QByteArray::number(QRandomGenerator::system()->generate64(), 36) + ".tmp";
            m_fd = ::open(m_temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
            if (m_fd < 0 && errno != EEXIST)
                break;
        }
        if (m_fd >= 0 && size_t(m_temp.size()) < sizeof g_temp) {
            std::memcpy(g_temp, m_temp.constData(), size_t(m_temp.size()) + 1);
            for (int sig : {SIGINT, SIGTERM, SIGHUP})
                ::signal(sig, removeTempAndDie);
        }
        return m_fd >= 0;
    }
    int fd() const { return m_fd; }
    bool commit() {
        const bool ok = ::fsync(m_fd) == 0 && ::close(m_fd) == 0;
        m_fd = -1;
        if (!ok || ::rename(m_temp.constData(), m_path.constData()) != 0)
            return false;
        g_temp[0] = 0;
        m_temp.clear();
        return true;
    }
    void discard() {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
        if (!m_temp.isEmpty())
            ::unlink(m_temp.constData());
        g_temp[0] = 0;
        m_temp.clear();
    }

private:
    QByteArray m_path, m_temp;
    int m_fd = -1;
};

// Where the result goes, checked before the key is asked for. Empty when it may go there.
QString targetRefusal(const CliOptions::Options& options) {
    if (options.output.isEmpty())
        return ::isatty(STDOUT_FILENO) == 1
                   ? QStringLiteral("standard output: is a terminal; ") +
                         (options.encrypt() ? QStringLiteral("encrypted data") : QStringLiteral("decrypted data")) +
                         QStringLiteral(" is not written there (redirect it, or give -o FILE).")
                   : QString();
    const QString shown = NativeName::shown(options.output);
    const PathEntry::Info entry = PathEntry::of(options.output, true);
    if (entry.kind == PathEntry::Kind::Folder)
        return shown + QStringLiteral(": is a folder; with - the output is a file.");
    if (entry.kind != PathEntry::Kind::Missing && !options.overwrite)
        return shown + QStringLiteral(": exists already; give --overwrite to replace it.");
    const QString folder = QFileInfo(options.output).path();
    if (!PathEntry::isFolder(folder))
        return NativeName::shown(folder) + QStringLiteral(": the output folder does not exist.");
    return QString();
}

} // namespace

namespace StreamCommand {

int run(const CliOptions::Options& options) {
    const QString refusal = targetRefusal(options);
    if (!refusal.isEmpty()) {
        printError(refusal);
        return CommandLine::Refused;
    }
    Session session;
    // Standard input carries the data: a key given neither way is typed on the terminal.
    if (!readKey(session.key, options.keyfile, options.keyFromStdin, KeyAsk::OnTerminal, options.encrypt()))
        return CommandLine::Refused;
    EngineBuffers engine;
    QByteArray key = frmKeyFrom::stretchedKey(session.key.strKey);
    FileTarget file(options.output);
    if (!options.output.isEmpty() && !file.open()) {
        const int error = errno;
        KeyMaterial::wipe(key);
        printError(NativeName::shown(options.output) + QStringLiteral(": cannot be written (") +
                   Console::sentence(PathEntry::errorText(error)).chopped(1).toLower() + QStringLiteral(")."));
        return CommandLine::Refused;
    }
    const int out = options.output.isEmpty() ? STDOUT_FILENO : file.fd();
    const zq4e::StreamOutcome r =
        options.encrypt() ? zq4e::encrypt_stream(key, STDIN_FILENO, out) : zq4e::decrypt_stream(key, STDIN_FILENO, out);
    KeyMaterial::wipe(key);
    const QString where = options.output.isEmpty() ? QStringLiteral("standard output") : options.output;
    if (r.code == 0 && (options.output.isEmpty() || file.commit()))
        return CommandLine::AllDone;
    printError(StreamTexts::failure(r, options.encrypt(), NativeName::shown(where), !options.output.isEmpty()));
    return CommandLine::SomeNotDone;
}

} // namespace StreamCommand
