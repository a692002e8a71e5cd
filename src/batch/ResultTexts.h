#pragma once

#include "batch/StepCode.h"
#include "platform/os/PathEntry.h"

#include <QString>

// The report texts of one file's outcome: a StepCode (0 done, 1..14 the run's own conditions) or a negative code of
// the cipher engine (zq4e::ResultCode).
namespace ResultTexts {

// Blanks that indent a continuation line under the file's name column.
inline constexpr int ContinuationIndent = 14;
QString continuationBreak();

// The start of a file's line: its name shown (NativeName::shown) in the name column, padded to the column's
// width, and the blanks after it.
[[nodiscard]] QString NameColumn(const QString& name);

// A byte count with digit grouping and no decimals, as in "12,345".
QString groupedNumber(qint64 n);

// The engine's text of a negative code, continuation lines included.
[[nodiscard]] QString EngineText(int code);
// Codes after which the engine may have left part of its output behind.
[[nodiscard]] bool MayHavePartialOutput(int code);
// The line naming the file that may hold partial plaintext, starting with its line break.
QString PartialPlaintextLine(const QString& outputFile);

// Texts of the codes 1..11 and of negative codes. tempPath: the temporary file of an in-place operation;
// inputPath: the file's path, for its extension and drive letter.
QString StepResultText(int code, bool encrypt, const QString& inputPath, const QString& tempPath);
// Text of code 0: "-> ", the output's name when it is a different file, and the output's length.
QString DoneText(bool inPlace, const QString& outputName, qint64 outputLength);

// The text of a matching entry that is not a file to work on (a symbolic link, a socket, FIFO or device) or
// that could not be looked at (error: its errno).
QString OtherEntryText(PathEntry::Kind kind, int error);
// The continuation line of a file that began with a header of ours and has now been encrypted a second time.
QString EncryptedTwiceLine();
// The line of a folder whose entries could not be read, so nothing in it (or below it) was worked on.
QString UnreadableFolderLine(const QString& folder, const QString& errorText, bool encrypt);

// Code 14: the output pattern gives this name no output name; extension: the added extension, if any.
QString NoOutputNameText(const QString& extension);
// Whether the code counts the file as processed.
[[nodiscard]] bool CountsAsProcessed(int code);

} // namespace ResultTexts
