#pragma once

#include <QString>

// Text procedures shared by the file selection, the batch run and the reports. Pure functions: no state,
// no file system, and no input of any length or content makes them fail.
namespace StrProc {

// True if text satisfies pattern ("*" any run of characters, "?" one character). A single forward scan:
// at an asterisk the text skips to the first occurrence of the pattern's next literal character and a later
// mismatch is never retried further on, so banana does not satisfy *na. An empty pattern satisfies any text.
bool WildcardMatch(const QString& text, const QString& pattern, bool caseSensitive = false);

// Removes from text every occurrence of each character of chars.
void RemoveChars(QString& text, const QString& chars);

// One part (name or extension) of an output name: each "?" of specPart takes the input part's character at
// the same position (or vanishes if the input part is shorter); the first "*" takes the rest of the input
// part from its own position and ends the substitution.
QString SubstituteWildcards(const QString& inputPart, const QString& specPart);

// "1 day and 1 hour and 1 minute" (long form) or "1d 1h 1m" (compact). Negative counts read as 0.
QString MinutesToText(qint64 minutes, bool longForm);
// "1 hour and 5 minutes and 3 seconds" (long form) or "1h 5m 3s" (compact). Negative counts read as 0.
QString SecondsToText(qint64 seconds, bool longForm);

} // namespace StrProc
