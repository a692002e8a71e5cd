#pragma once

#include <QByteArray>
#include <QString>

namespace DurableWrite {

// Writes bytes to path so that, whatever happens, path holds either its old contents or all of the new
// ones: a temporary file in the same folder (owner-only permissions) is written and synced, renamed onto
// path, and the folder is synced. On failure the temporary file is removed, path is untouched, and
// errorText holds the system's description of the failure.
bool writeFile(const QString& path, const QByteArray& bytes, QString& errorText);

} // namespace DurableWrite
