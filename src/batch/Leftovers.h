#pragma once

#include "batch/InPlaceJournal.h"

#include <QString>
#include <QStringList>

// What a killed run may have left in a folder, put right by the next run that works there (while it holds the
// folder, FolderLock.h):
//   - temporary files of our own naming that no journal entry vouches for hold partial output, a result whose
//     original was never touched, or an original the purge had overwritten but not yet removed: they are removed;
//   - a journal entry whose result is complete and whose original is gone (or was overwritten by the purge)
//     gets its result put back under the original's name; one whose original is intact loses its result;
//   - a result in the folder's log (InPlaceLog.h) is written over its original when the writing back had begun
//     (the file holds some of it), dropped when the original is intact, and kept in a file of its own beside an
//     original that has changed since.
// Only what the user's own runs can have left is acted on (OwnFile.h): a journal or temporary file that is a
// link, not a regular file, or another user's is left as it is; a result is put back only when it has the
// recorded size and, for an encryption, begins with our header. Journal entries for names the run's file
// pattern does not select stay in the journal, their results untouched, for a run that covers them.
namespace Leftovers {

struct Outcome {
    QStringList lines;         // one report line per finding, without line breaks
    QStringList restoredNames; // originals' names that now hold a recovered result
    // Entries left in the journal for a run that covers their names; a run that rewrites the journal keeps them.
    QList<InPlaceJournal::Entry> kept;
};

Outcome recover(const QString& folder, const QString& spec);

} // namespace Leftovers
