#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

#include <functional>

// The program's command line run as a real process, and folders made and read by the bytes of their names
// (which QFile and QDir cannot do for a name that is not UTF-8).
namespace CliProcess {

struct Outcome {
    int status = -1; // the exit status, or -1 when the process did not end normally
    QString out;
    QString err;
    QByteArray rawOut; // standard output as its bytes (a stream's data)
};

// The program beside the test executable.
QString program();
// Runs it with args; input goes to its standard input; childSetup runs in the child before the program starts.
Outcome run(const QStringList& args, const QByteArray& input = QByteArray(),
            const std::function<void()>& childSetup = nullptr);

// An operation file of nine lines as the window saves it; folder paths are written as the bytes given.
QByteArray operationFileText(bool encrypt, bool same, bool subfolders, const QByteArray& in, const QString& inSpec,
                             const QByteArray& out, const QString& outSpec);

// Files by their names' bytes: written with their folders, and every regular file of a tree (relative path ->
// contents), links and special files left out.
bool writeRaw(const QByteArray& path, const QByteArray& bytes);
QMap<QByteArray, QByteArray> rawTree(const QByteArray& folder);
// Removes a tree by its bytes, links not followed (QDir cannot remove a name that is not UTF-8).
void removeRaw(const QByteArray& folder);

} // namespace CliProcess
