#include "platform/filekit/Language2.h"

#include "platform/filekit/ProgramTexts.h"
#include "platform/os/MessageBox.h"

#include <QCoreApplication>

namespace Language2 {

int intLanguage = 0;

namespace {
bool g_startupCompleted = false;
QString g_buffer; // one buffer serves every lookup; lookups happen on the interface thread only
} // namespace

QString ProgramTextPath(const QString& folder, const QString& fileName) {
    return folder.endsWith(QLatin1Char('/')) ? folder + fileName : folder + QLatin1Char('/') + fileName;
}

QString LoadMessage(int code, const QString& path) {
    using namespace filekit::TextLoad;
    switch (code) {
    case NoText:
        return QStringLiteral("No program text was read.");
    case CannotOpen:
        return QStringLiteral("Cannot open file containing program text.\r\n") + path;
    case -2:
        return QStringLiteral("Particular memory allocation error.");
    case TooMuchText:
        return QStringLiteral("Too much program text.");
    case NotRecovered:
        return QStringLiteral("Text not recovered.");
    case FileEmpty:
        return QStringLiteral("File is empty.");
    case ReadError:
        return QStringLiteral("Error reading file.");
    case OutOfMemory:
        return QStringLiteral("General memory allocation error.");
    default:
        break;
    }
    const auto line = [](qint64 n) { return QString::number(n) + QLatin1Char('.'); };
    if (code < DuplicateBase)
        return QStringLiteral("Duplicate in program text at line ") + line(-(qint64(code) - DuplicateBase));
    if (code < TooLongBase)
        return QStringLiteral("String too long at line ") + line(-(qint64(code) - TooLongBase));
    if (code < MissingStringBase)
        return QStringLiteral("Missing string at line ") + line(-(qint64(code) - MissingStringBase));
    return QStringLiteral("Error ") + QString::number(code);
}

int ReadProgramText(const QString& fileName, const QString& folder) {
    const QString path = ProgramTextPath(folder, fileName);
    const int n = filekit::lt(path, 0);
    if (n < 1)
        MessageBox::show(LoadMessage(n, path), QString(), MessageBox::Critical, MessageBox::Ok);
    return n;
}

int ReadProgramText(const QString& fileName) {
    return ReadProgramText(fileName, QCoreApplication::applicationDirPath());
}

QString ProgramText(int number) {
    const int c = filekit::gt(number, intLanguage, g_buffer, kLookupBufferSize, g_startupCompleted ? 1 : 0);
    return c < 1 ? QString() : g_buffer.left(c);
}

void setStartupCompleted(bool completed) {
    g_startupCompleted = completed;
}

bool startupCompleted() {
    return g_startupCompleted;
}

} // namespace Language2
