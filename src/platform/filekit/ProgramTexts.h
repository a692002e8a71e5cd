#pragma once

#include <QString>

// The auxiliary library's store of numbered program texts, one text per number and language.
//
// The program text file (zq4_text.dat) is UTF-8 text, one entry per line:
//
//     # a comment: the first non-blank character is '#'
//     7|Not specified|Nicht angegeben
//
// - A line ends with LF or CR LF. Blank lines and comment lines are skipped. A UTF-8 byte order mark at the
//   start of the file is ignored.
// - An entry is a number (1 to 2147483647, decimal digits, blanks around it allowed), then '|' and one field per
//   language in the order of the language codes: 0 English, 1 German, 2 to 5 further slots (at most six fields).
// - Fields are taken exactly as written, blanks included. Escapes inside a field: "\|" a bar, "\\" a backslash,
//   "\n" a line feed, "\r" a carriage return, "\t" a tab; a backslash before anything else stays as it is.
// - The English field must not be empty. An empty or absent field of another language means "use the English
//   text" for that language.
// - A text holds at most kMaxTextLength characters (after escapes), the file at most kMaxLines lines
//   (comments and blank lines included) and kMaxFileBytes bytes.
//
// Load results of lt(): the number of texts loaded (>= 1), or
//     0      the file holds no entry              -1  the file cannot be opened (missing, no permission)
//    -3      too many lines or bytes              -4  the file is not valid UTF-8
//    -5      a line whose number is not a number  -6  the file is empty (0 bytes)
//    -7      the file cannot be read (a folder, a read error)
//    -8      out of memory                        -9  a line with more than six language fields
//    -(500 + L)   line L has a number but no English text
//    -(1000 + L)  a text on line L is too long
//    -(1500 + L)  line L repeats a number given on an earlier line
// Line numbers count from 1 and are at most kMaxLines, so the three line-numbered ranges never overlap.
// A failed load leaves the store empty.
namespace filekit {

constexpr int kProgramTextLanguages = 6;
constexpr int kMaxTextLength = 1024; // the lookup buffer's size: a stored text is never cut
constexpr int kMaxLines = 500;
constexpr qint64 kMaxFileBytes = 1024 * 1024;

namespace TextLoad {
constexpr int NoText = 0;
constexpr int CannotOpen = -1;
constexpr int TooMuchText = -3;
constexpr int NotRecovered = -4;
constexpr int BadNumber = -5;
constexpr int FileEmpty = -6;
constexpr int ReadError = -7;
constexpr int OutOfMemory = -8;
constexpr int TooManyFields = -9;
constexpr int MissingStringBase = -500;
constexpr int TooLongBase = -1000;
constexpr int DuplicateBase = -1500;
} // namespace TextLoad

// Loads the program text file. Returns the number of texts loaded (>= 1) or a failure code (<= 0).
// The second argument is reserved and always 0.
int lt(const QString& path, int reserved);
// Writes text `number` in `language` into buffer (at most capacity characters) and returns its length;
// < 1 (and an empty buffer) when there is no such text. The start-up flag is accepted for the callers'
// sake and changes nothing.
int gt(int number, int language, QString& buffer, int capacity, int startupCompleted);

} // namespace filekit
