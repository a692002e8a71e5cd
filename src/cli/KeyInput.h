#pragma once

#include <QString>

class frmKeyFrom;

// The key of a command-line run, never from the command line itself (it would show in the process list).
namespace KeyInput {

// A keyfile, by the same rules as "Get key from keyfile". False with the message to print.
bool fromKeyfile(frmKeyFrom& key, const QString& path, QString& message);

// One line of standard input (or of fd), by the rules of a typed key (16 to 64 characters, blanks ignored, case
// not significant), nothing after the line read. On a terminal the line is read without echo and its checksum
// is shown on standard error; an encryption key that keeps the rules is then typed again and refused when the
// two differ.
bool fromStandardInput(frmKeyFrom& key, bool encrypt, QString& message, int fd = 0);

// The typed-key rules for a line already read (what fromStandardInput applies). The line is wiped.
bool fromTypedLine(frmKeyFrom& key, QByteArray& line, QString& message);

} // namespace KeyInput
