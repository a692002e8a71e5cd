#include "app/StartPaths.h"

#include "platform/os/RegularFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

bool carriesOurHeader(const QString& path) {
    QFile file;
    QString error;
    if (!RegularFile::openForReading(path, file, error))
        return false;
    return file.read(4) == QByteArrayLiteral("ZQ4E");
}

StartPaths StartPaths::from(const QStringList& paths) {
    StartPaths start;
    if (paths.isEmpty())
        return start;
    start.notTaken = int(paths.size()) - 1;
    // Links are followed as the file dialog follows them; what they lead to decides.
    const QFileInfo info(QDir::current(), paths.first());
    start.path = QDir::cleanPath(info.absoluteFilePath());
    if (info.isDir()) {
        start.kind = Folder;
        if (!start.path.endsWith(QLatin1Char('/')))
            start.path += QLatin1Char('/');
    } else if (info.isFile()) {
        start.kind = SingleFile;
        start.encrypt = !carriesOurHeader(start.path);
    } else {
        start.kind = Unusable;
    }
    return start;
}

QString StartPaths::message() const {
    QString text;
    if (kind == Unusable)
        text = (QFileInfo::exists(path) || QFileInfo(path).isSymLink()
                    ? QStringLiteral("%1 is neither a file nor a folder, so the input was not set.")
                    : QStringLiteral("%1 was not found, so the input was not set."))
                   .arg(path);
    if (notTaken > 0) {
        if (!text.isEmpty())
            text += QStringLiteral("\r\n\r\n");
        text += notTaken == 1
                    ? QStringLiteral("1 more path was given and not taken: the input is one file or one folder.")
                    : QStringLiteral("%1 more paths were given and not taken: the input is one file or one folder.")
                          .arg(notTaken);
    }
    return text;
}
