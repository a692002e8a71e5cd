#include "app/SetupFile.h"

#include "batch/OperationSetup.h"
#include "platform/os/NativeName.h"
#include "platform/os/RegularFile.h"

#include <QFile>
#include <QSaveFile>
#include <QStringList>

namespace {

QByteArray flagLine(bool value) {
    return value ? QByteArrayLiteral(" 1 ") : QByteArrayLiteral(" 0 ");
}

bool hasLineBreak(const QString& text) {
    return text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'));
}

bool parseFlag(const QString& line, bool& value) {
    bool ok = false;
    const int n = line.trimmed().toInt(&ok);
    if (!ok || (n != 0 && n != 1))
        return false;
    value = n == 1;
    return true;
}

} // namespace

namespace SetupFile {

QByteArray SetupFileText(const SetupFileContents& c) {
    const QString texts[] = {c.version, c.strDirpath[0], c.strFilespec[0], c.strDirpath[1], c.strFilespec[1]};
    for (const QString& t : texts)
        if (hasLineBreak(t))
            return QByteArray();

    QByteArray data;
    const QByteArray eol = QByteArrayLiteral("\r\n");
    data += c.version.toUtf8() + eol;
    data += flagLine(c.blnEncrypt) + eol;
    data += flagLine(c.blnConfirmFiles) + eol;
    data += flagLine(c.blnOutputFilesSame) + eol;
    data += flagLine(c.blnSubdirectories) + eol;
    data += NativeName::encode(c.strDirpath[0]) + eol;
    data += NativeName::encode(c.strFilespec[0]) + eol;
    data += NativeName::encode(c.strDirpath[1]) + eol;
    data += NativeName::encode(c.strFilespec[1]) + eol;
    return data;
}

bool SaveSetupFile(const QString& path, const SetupFileContents& c) {
    const QByteArray data = SetupFileText(c);
    if (data.isEmpty())
        return false;

    // Written beside the target and renamed over it, so a failed save never destroys the previous setup.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(data) != data.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

bool LoadSetupFile(const QString& path, SetupFileContents& contents) {
    QFile file;
    QString errorText;
    if (!RegularFile::openForReading(path, file, errorText))
        return false;
    // A setup file is a handful of short lines; anything far larger is not one. The limit is on what is read,
    // not on the size when opened, so that a file still growing cannot take all memory.
    constexpr qint64 limit = 1024 * 1024;
    const QByteArray raw = file.read(limit + 1);
    if (file.error() != QFileDevice::NoError || raw.size() > limit)
        return false;
    return ParseSetupFileText(raw, contents);
}

bool ParseSetupFileText(const QByteArray& raw, SetupFileContents& contents) {
    // Folder paths are kept as their bytes, so that a folder whose name is not UTF-8 is found again.
    QStringList lines = NativeName::decode(raw).split(QLatin1Char('\n'));
    // The terminator of the last line does not open a further line.
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    if (lines.size() < 9)
        return false;
    for (QString& line : lines)
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);

    // Byte-order marks that an editor put before the version are no part of it (the decoder drops only one).
    while (lines[0].startsWith(QChar(0xFEFF)))
        lines[0].remove(0, 1);

    SetupFileContents read;
    read.version = lines[0];
    if (!parseFlag(lines[1], read.blnEncrypt) || !parseFlag(lines[2], read.blnConfirmFiles) ||
        !parseFlag(lines[3], read.blnOutputFilesSame) || !parseFlag(lines[4], read.blnSubdirectories))
        return false;
    read.strDirpath[0] = lines[5];
    read.strFilespec[0] = lines[6];
    read.strDirpath[1] = lines[7];
    read.strFilespec[1] = lines[8];
    contents = read;
    return true;
}

} // namespace SetupFile

SetupFileContents SetupFile::contentsOf(const OperationSetup& setup, const QString& version) {
    SetupFileContents c;
    c.version = version;
    c.blnEncrypt = setup.blnEncrypt;
    c.blnConfirmFiles = setup.blnConfirmFiles;
    c.blnOutputFilesSame = setup.blnOutputFilesSame;
    c.blnSubdirectories = setup.blnSubdirectories;
    c.strDirpath = setup.strDirpath;
    c.strFilespec = setup.strFilespec;
    return c;
}

void SetupFile::applyTo(const SetupFileContents& contents, OperationSetup& setup) {
    setup.blnEncrypt = contents.blnEncrypt;
    setup.blnConfirmFiles = contents.blnConfirmFiles;
    setup.blnOutputFilesSame = contents.blnOutputFilesSame;
    setup.blnSubdirectories = contents.blnSubdirectories;
    setup.strDirpath = contents.strDirpath;
    setup.strFilespec = contents.strFilespec;
}
