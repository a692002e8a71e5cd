#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// File names are bytes. Names that are valid UTF-8 become their characters; a byte that is not part of valid
// UTF-8 becomes the lone low surrogate U+DC80 + (byte - 0x80), which no valid UTF-8 can produce, so that
// encode(decode(bytes)) gives back exactly the bytes the file system holds. Every path handed to the system
// goes through encode, every name read from it through decode.
namespace NativeName {

QByteArray encode(QStringView path);
QString decode(QByteArrayView bytes);

// The characters of a name one by one, for wildcards: a character beyond U+FFFF is one element, and a raw byte
// stays what it is (QString::toUcs4 would turn it into U+FFFD and lose it). fromCharacters is the inverse.
QList<uint> characters(QStringView text);
QString fromCharacters(const QList<uint>& chars);

// A name or path as the user is shown it: undecodable bytes as \xNN, control characters as \n, \r, \t or
// \xNN, and the invisible marks that reorder text as \u202e and the like, so that no name can forge a line
// of the report or move the cursor of a terminal.
QString shown(QStringView text);

} // namespace NativeName
