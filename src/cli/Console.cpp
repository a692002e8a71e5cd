#include "cli/Console.h"

#include <QByteArray>

#include <cerrno>
#include <unistd.h>

namespace {

void writeAll(int fd, const QString& text) {
    const QByteArray bytes = text.toUtf8();
    const char* p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        p += n;
        left -= n;
    }
}

} // namespace

namespace Console {

void out(const QString& text) {
    writeAll(STDOUT_FILENO, text);
}

void err(const QString& text) {
    writeAll(STDERR_FILENO, text);
}

bool errIsTerminal() {
    return ::isatty(STDERR_FILENO) == 1;
}

QString unixLines(QString text) {
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

} // namespace Console
