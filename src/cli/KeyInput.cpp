#include "cli/KeyInput.h"

#include "cli/Console.h"
#include "files/FileProc.h"
#include "key/KeyDescription.h"
#include "key/KeyMaterial.h"
#include "key/Keyfile.h"
#include "key/frmKeyFrom.h"
#include "platform/os/NativeName.h"
#include "platform/os/PathEntry.h"

#include <QStringDecoder>

#include <cerrno>
#include <csignal>
#include <termios.h>
#include <unistd.h>

namespace {

// A key line is at most 64 characters; far more than that is not a key but a file sent by mistake.
constexpr qsizetype kMaxLineBytes = 4096;

struct termios g_savedTerminal;
volatile sig_atomic_t g_echoOff = 0;
volatile sig_atomic_t g_terminalFd = STDIN_FILENO;
struct sigaction g_previousInt, g_previousTerm, g_previousHup;

// Interrupted while the echo is off: give the terminal its echo back before the signal does its work.
extern "C" void restoreEchoAndDie(int sig) {
    if (g_echoOff)
        ::tcsetattr(g_terminalFd, TCSAFLUSH, &g_savedTerminal);
    ::signal(sig, SIG_DFL);
    ::raise(sig);
}

class EchoOff {
public:
    explicit EchoOff(int fd) {
        g_terminalFd = fd;
        if (::tcgetattr(fd, &g_savedTerminal) != 0)
            return;
        struct sigaction action {};
        action.sa_handler = restoreEchoAndDie;
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGINT, &action, &g_previousInt);
        ::sigaction(SIGTERM, &action, &g_previousTerm);
        ::sigaction(SIGHUP, &action, &g_previousHup);
        struct termios quiet = g_savedTerminal;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        quiet.c_lflag |= ECHONL;
        g_echoOff = ::tcsetattr(fd, TCSAFLUSH, &quiet) == 0;
    }
    ~EchoOff() {
        if (g_echoOff)
            ::tcsetattr(g_terminalFd, TCSAFLUSH, &g_savedTerminal);
        g_echoOff = 0;
        ::sigaction(SIGINT, &g_previousInt, nullptr);
        ::sigaction(SIGTERM, &g_previousTerm, nullptr);
        ::sigaction(SIGHUP, &g_previousHup, nullptr);
    }
};

// One line without its line end; false when the line is too long. Read byte by byte so that nothing
// after the line is taken from standard input.
bool readLine(int fd, QByteArray& line) {
    line.reserve(kMaxLineBytes + 1);
    char c;
    for (;;) {
        const ssize_t n = ::read(fd, &c, 1);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0 || c == '\n')
            break;
        if (line.size() >= kMaxLineBytes)
            return false;
        line.append(c);
    }
    if (line.endsWith('\r'))
        line.chop(1);
    return true;
}

// The typed text as the key entry box would hold it: one byte per character of the Latin-1 code page. A
// line in UTF-8 (a terminal's usual encoding) is decoded; a line that is not UTF-8 is taken byte for byte.
bool latin1Text(const QByteArray& line, QByteArray& text) {
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString decoded = utf8(line);
    if (utf8.hasError()) {
        KeyMaterial::wipe(decoded);
        KeyMaterial::replace(text, line);
        return true;
    }
    bool ok = true;
    QByteArray bytes(decoded.size(), '\0');
    for (qsizetype i = 0; i < decoded.size(); ++i) {
        const char16_t u = decoded.at(i).unicode();
        if (u > 0xFF)
            ok = false;
        bytes[i] = static_cast<char>(u & 0xFF);
    }
    KeyMaterial::wipe(decoded);
    KeyMaterial::replace(text, std::move(bytes));
    return ok;
}

// The typed-key rules for a line: the reduced key, or false with the message. The line is wiped.
bool reducedKeyOf(frmKeyFrom& key, QByteArray& line, QByteArray& reduced, QString& message) {
    QByteArray text;
    const bool latin1 = latin1Text(line, text);
    KeyMaterial::wipe(line);
    bool ok = false;
    if (!latin1)
        message = QStringLiteral("the key may hold only characters of the Latin-1 character set.");
    else if (text.size() > key.intMaxKeyLength)
        message = QStringLiteral("the key has more than %1 characters.").arg(key.intMaxKeyLength);
    else if (!key.KeyIsAdmissible(text))
        message = QStringLiteral("the key needs at least %1 characters other than blanks.").arg(key.intMinKeyLength);
    else
        ok = true;
    if (ok)
        KeyMaterial::replace(reduced, key.ReducedKey(text));
    KeyMaterial::wipe(text);
    return ok;
}

} // namespace

namespace KeyInput {

bool fromKeyfile(frmKeyFrom& key, const QString& path, QString& message) {
    // Absolute, so that the run recognises the keyfile among its files and leaves it alone.
    key.strKeyFile = FileProc::NormalizePathCase(PathEntry::absolute(path));
    const Keyfile::ReadResult read = Keyfile::readInto(key, key.strKeyFile);
    switch (read.status) {
    case Keyfile::ReadStatus::Ok:
        break;
    case Keyfile::ReadStatus::ReadFailed:
        message = NativeName::shown(path) + QStringLiteral(": the keyfile cannot be read (") +
                  Console::sentence(read.errorText).chopped(1).toLower() + QStringLiteral(").");
        return false;
    case Keyfile::ReadStatus::Unsuitable:
        message = Console::sentence(Keyfile::unsuitableText(key.strKeyFile));
        return false;
    }
    key.blnNewRandomKeyFileCreated = false;
    Keyfile::takeCandidate(key);
    return true;
}

bool fromTypedLine(frmKeyFrom& key, QByteArray& line, QString& message) {
    QByteArray reduced;
    if (!reducedKeyOf(key, line, reduced, message))
        return false;
    KeyMaterial::replace(key.strKey, std::move(reduced));
    key.intKeyChecksum = key.KeyChecksum(key.strKey);
    key.intKeyFrom = frmKeyFrom::FromKeyboard;
    key.blnKeyIsText = true;
    key.blnKeyIsRandom = false;
    key.blnCancel = false;
    return true;
}

bool fromStandardInput(frmKeyFrom& key, bool encrypt, QString& message, int fd) {
    const bool terminal = ::isatty(fd) == 1;
    QByteArray line;
    if (!terminal) {
        const bool complete = readLine(fd, line);
        if (!complete) {
            KeyMaterial::wipe(line);
            message = QStringLiteral("the key line on standard input is too long.");
            return false;
        }
        return fromTypedLine(key, line, message);
    }
    // On a terminal an encryption key is typed twice, as in the window: a typo would otherwise encrypt under a
    // key nobody knows. The first entry must keep the key's rules before the second is asked for.
    // The echo goes off (and what was typed ahead is dropped) before the prompt shows, so that nothing typed
    // after the prompt is lost.
    EchoOff echoOff(fd);
    Console::err(QStringLiteral("Enter the ") +
                 (encrypt ? QStringLiteral("encryption") : QStringLiteral("decryption")) +
                 QStringLiteral(" key, 16-64 non-space characters (which will not be displayed):") + QLatin1Char(' '));
    if (!readLine(fd, line)) {
        KeyMaterial::wipe(line);
        message = QStringLiteral("the key is longer than a line may be.");
        return false;
    }
    if (!fromTypedLine(key, line, message))
        return false;
    if (encrypt) {
        Console::err(QStringLiteral("Re-enter the key exactly as above:") + QLatin1Char(' '));
        QByteArray again, reducedAgain;
        QString ignored;
        const bool againValid = readLine(fd, again) && reducedKeyOf(key, again, reducedAgain, ignored);
        KeyMaterial::wipe(again);
        const bool match = againValid && reducedAgain == key.strKey;
        KeyMaterial::wipe(reducedAgain);
        if (!match) {
            EraseKeyMaterial(key);
            message = QStringLiteral("the key entries do not match.");
            return false;
        }
    }
    Console::err(QStringLiteral("Checksum is ") + QString::number(key.intKeyChecksum) + QStringLiteral(".\n"));
    return true;
}

} // namespace KeyInput
