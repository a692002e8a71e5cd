#pragma once

#include <QString>

// Numbered program texts, loaded once at start from the program text file beside the executable.
namespace Language2 {

// 0 = English, 1 = German; further slots 2..5 exist in the file format.
extern int intLanguage;

// Size of the one lookup buffer; no stored text is longer.
constexpr int kLookupBufferSize = 1024;

// Loads the program text file from the program's folder. Returns the number of texts loaded (>= 1);
// on failure shows the load message in a critical box and returns the failure code (<= 0): the caller
// must then end the program at once.
int ReadProgramText(const QString& fileName);
// The same, from the given folder instead of the program's.
int ReadProgramText(const QString& fileName, const QString& folder);

// The folder, a '/' unless it already ends with one, and the file name.
QString ProgramTextPath(const QString& folder, const QString& fileName);
// The message shown for a failed load (code <= 0) of the file at path.
QString LoadMessage(int code, const QString& path);

// The text with that number in the current language; empty when the file does not hold it.
QString ProgramText(int number);

// Mirrors the main window's start-up flag, which every lookup passes on to the text store.
void setStartupCompleted(bool completed);
bool startupCompleted();

} // namespace Language2
