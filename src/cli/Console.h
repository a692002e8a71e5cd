#pragma once

#include <QString>

// Standard output and standard error of the command line, written as UTF-8 with Unix line ends. A reader
// that has gone away (a closed pipe) loses the text, never the run.
namespace Console {

void out(const QString& text);
void err(const QString& text);
// Standard error is a terminal: progress is shown there.
bool errIsTerminal();
// Report text (lines ended by CR LF) in the form written to standard output and report files.
QString unixLines(QString text);

} // namespace Console
