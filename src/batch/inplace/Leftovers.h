#pragma once

#include "batch/inplace/InPlaceJournal.h"

#include <QString>
#include <QStringList>

// What a killed run may have left in a folder, put right by the next run that works there (while it holds the
// folder, FolderLock.h):
//   - temporary files of our own naming that no journal entry vouches for hold partial output, a result whose
//     original was never touched, or an original the purge had overwritten but not yet removed: they are removed;
//   - a journal entry whose result is complete and whose original is gone (or was overwritten by the purge)
//     gets its result put back under the original's name; one whose original is intact loses its result;
//   - a result in a log of the folder (InPlaceLog.h) is written over its original only when the file is in a state
//     the writing back can have left (each stretch the result's or the original's, the same file, a size between
//     theirs), given its times and mode when it was written whole, dropped when the original is intact; any other
//     file (edited since, replaced, gone, a link) is left exactly as it is and the result goes beside it.
// Only what the user's own runs can have left is acted on (OwnFile.h): a journal, log or temporary file that is a
// link, not a regular file, another user's or of more than one name is left as it is (and the run uses another
// name); a result is put back only when it has the recorded size and, for an encryption, begins with our header.
// Journal and log entries for names the run's file pattern does not select stay, their results untouched, for a
// run that covers them. Names in the lines are shown escaped.
namespace Leftovers {

struct Outcome {
    QStringList lines;         // one report line per finding, without line breaks
    QStringList restoredNames; // originals' names that now hold a recovered result
    // Entries left in the journal for a run that covers their names; a run that rewrites the journal keeps them.
    QList<InPlaceJournal::Entry> kept;
    // Logs that hold results for a run that covers their names, or that could be kept nowhere else: a run never
    // writes over them or removes them.
    QStringList keptLogs;
};

Outcome recover(const QString& folder, const QString& spec);

} // namespace Leftovers
