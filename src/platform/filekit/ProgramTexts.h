#pragma once

#include <QString>

// The auxiliary library's store of numbered program texts, one text per number and language.
namespace filekit {

// Loads the program text file. Returns the number of texts loaded (>= 1) or a failure code (<= 0).
int lt(const QString& path, int reserved);
// Writes text `number` in `language` into buffer (at most capacity characters) and returns its length;
// < 1 when there is no such text.
int gt(int number, int language, QString& buffer, int capacity, int startupCompleted);

} // namespace filekit
