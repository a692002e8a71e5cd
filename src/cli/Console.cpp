#include "cli/Console.h"

#include <QByteArray>

#include <cerrno>

#include <unistd.h>

namespace {

int g_outError = 0; // the first error writing standard output

// False, with errno, when not everything could be written.
bool writeAll(int fd, const QString& text) {
    const QByteArray bytes = text.toUtf8();
    const char* p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return false;
        }
        p += n;
        left -= n;
    }
    return true;
}

} // namespace

namespace Console {

void out(const QString& text) {
    if (!g_outError && !writeAll(STDOUT_FILENO, text))
        g_outError = errno;
}

bool outFailed() {
    return g_outError != 0;
}

int outError() {
    return g_outError;
}

void err(const QString& text) {
    writeAll(STDERR_FILENO, text);
}

bool errIsTerminal() {
    return ::isatty(STDERR_FILENO) == 1;
}

QString sentence(QString text) {
    text = text.trimmed();
    // "The output folder ..." reads "the output folder ..." after a path; a name ("Letter.txt", "NOTES.txt")
    // keeps its letters.
    const qsizetype space = text.indexOf(QLatin1Char(' '));
    const QStringView word = QStringView(text).first(space < 0 ? text.size() : space);
    bool plainWord = word.size() > 1 && word.at(0).isUpper();
    for (qsizetype i = 1; plainWord && i < word.size(); ++i)
        plainWord = word.at(i).isLower() || (i + 1 == word.size() && word.at(i) == QLatin1Char(':'));
    if (plainWord || word == QLatin1String("A"))
        text[0] = text.at(0).toLower();
    while (text.endsWith(QLatin1Char('!')))
        text.chop(1);
    if (!text.isEmpty() && !text.endsWith(QLatin1Char('.')) && !text.endsWith(QLatin1Char('?')))
        text += QLatin1Char('.');
    return text;
}

QString unixLines(QString text) {
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

} // namespace Console
