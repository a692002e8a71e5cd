#pragma once

#include <QString>

// Numbered program texts, loaded once at start from the program text file beside the executable.
namespace Language2 {

// 0 = English, 1 = German; further slots 2..5 exist in the file format.
extern int intLanguage;

// Loads the program text file from the program's folder. Returns the number of texts loaded (>= 1);
// on failure shows the load message in a critical box and returns the failure code (<= 0): the caller
// must then end the program at once.
int ReadProgramText(const QString& fileName);

// The text with that number in the current language; empty when the file does not hold it.
QString ProgramText(int number);

} // namespace Language2
