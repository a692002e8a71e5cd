#pragma once

#include <QString>

// The note under a key entry box: how far the typed text is from a usable key, and which typed characters
// could not be taken (a key holds one Latin-1 byte per character).
namespace KeyEntryNote {

// The characters of text outside Latin-1, each once, in the order typed.
QString outsideLatin1(const QString& text);

// significant: characters of the reduced key; typed: characters in the box, spaces included.
QString lengthNote(qsizetype significant, qsizetype typed, int minLength, int maxLength);
// The line that says why typed characters were not taken.
QString refusedNote(const QString& refused);

} // namespace KeyEntryNote
