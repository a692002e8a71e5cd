#pragma once

#include <QString>

struct OperationSetup;

// What the command line asks of a run before it starts, in place of the window's confirmation, and what it
// adds to the report of a stopped run.
namespace CliChecks {

// Originals replaced (in place, or an output that is its own input however the folders are spelled) need
// --yes; other files that exist under output names need --overwrite. False, with the reason printed, when
// the run must not start.
bool confirmed(const OperationSetup& setup, bool yes, bool overwrite);

// Every matching file the run would visit (through the subfolders when asked).
qint64 countMatchingFiles(const QString& folder, const QString& spec, bool subfolders);

// The closing line of a stopped run's report.
QString stoppedLine(qint64 notReached);

} // namespace CliChecks
