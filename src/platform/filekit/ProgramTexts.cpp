#include "platform/filekit/ProgramTexts.h"

#include "platform/filekit/ProgramTextParser.h"

#include <QFile>
#include <QFileInfo>

namespace filekit {
namespace {

ProgramTextTable& store() {
    static ProgramTextTable table;
    return table;
}

int readFile(const QString& path, QByteArray& bytes) {
    if (path.isEmpty())
        return TextLoad::CannotOpen;
    const QFileInfo info(path);
    if (!info.exists())
        return TextLoad::CannotOpen;
    if (info.isDir())
        return TextLoad::ReadError;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return TextLoad::CannotOpen;
    // Read one byte past the limit so that an oversized file (or an endless device) is recognised
    // without reading it whole.
    bytes = file.read(kMaxFileBytes + 1);
    if (file.error() != QFileDevice::NoError)
        return TextLoad::ReadError;
    return 1;
}

} // namespace

int lt(const QString& path, int /*reserved*/) {
    store().clear();
    QByteArray bytes;
    const int read = readFile(path, bytes);
    if (read < 1)
        return read;
    ProgramTextTable table;
    const int result = parseProgramTexts(bytes, table);
    if (result > 0)
        store() = std::move(table);
    return result;
}

int gt(int number, int language, QString& buffer, int capacity, int /*startupCompleted*/) {
    buffer.clear();
    if (language < 0 || language >= kProgramTextLanguages || capacity < 1)
        return 0;
    const auto it = store().constFind(number);
    if (it == store().constEnd())
        return 0;
    const QString& text = (*it)[size_t(language)].isEmpty() ? (*it)[0] : (*it)[size_t(language)];
    buffer = text.left(capacity);
    return int(buffer.size());
}

} // namespace filekit
