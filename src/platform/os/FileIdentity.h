#pragma once

#include <QString>

namespace FileIdentity {

// Whether two paths name one file or folder: by device and inode when both exist, whatever their spelling
// (letter case, "..", links); by their text when neither exists; never when only one of them exists.
bool sameEntry(const QString& a, const QString& b);

} // namespace FileIdentity
