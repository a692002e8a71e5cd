#pragma once

#include <QFile>
#include <QString>

// Files the program reads whole (keyfiles, setup files) are opened so that a pipe, socket or device at the path
// is refused at once instead of waiting for a writer that never comes.
namespace RegularFile {

// Opens path for reading into file; false with a description in errorText when it cannot be opened or is not a
// regular file.
bool openForReading(const QString& path, QFile& file, QString& errorText);

// The same as a descriptor, for reads that must not pass through a buffer of QFile's (key material); -1 with a
// description in errorText. The caller closes it.
int openDescriptor(const QString& path, QString& errorText);

} // namespace RegularFile
