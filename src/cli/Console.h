#pragma once

#include <QString>

// Standard output and standard error of the command line, written as UTF-8 with Unix line ends. A reader
// that has gone away (a closed pipe) or a full device loses the text, never the run; the run then ends with
// status 1 and says so (outFailed).
namespace Console {

void out(const QString& text);
void err(const QString& text);
// Something written to standard output did not get there (nothing more is tried); outError is its errno.
bool outFailed();
int outError();
// Standard error is a terminal: progress is shown there.
bool errIsTerminal();
// A message in the voice of the command line, as it reads after "zq4: PATH: ": a plain first word in lower
// case, a full stop at the end (never "!").
QString sentence(QString text);
// Report text (lines ended by CR LF) in the form written to standard output and report files.
QString unixLines(QString text);

} // namespace Console
