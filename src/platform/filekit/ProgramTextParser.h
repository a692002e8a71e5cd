#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

#include <array>

#include "platform/filekit/ProgramTexts.h"

namespace filekit {

// One numbered entry: a text per language slot; an empty slot falls back to English.
using ProgramTextEntry = std::array<QString, kProgramTextLanguages>;
using ProgramTextTable = QHash<int, ProgramTextEntry>;

// Parses the contents of a program text file (format in ProgramTexts.h). Returns the number of entries
// (>= 0) with `table` filled, or a negative load code with `table` empty. Never throws.
int parseProgramTexts(const QByteArray& bytes, ProgramTextTable& table);

} // namespace filekit
