#pragma once

#include "batch/inplace/InPlaceJournal.h"

#include <QString>
#include <QStringList>

// What a killed run may have left in a folder, put right by the next run that works there (while it holds the
// folder, FolderLock.h). This table is the one account of the in-place states and of what recovery does in each;
// the code names the same states (JournalState, LogState in Leftovers.cpp).
//
// A large file goes on its own (InPlaceFiles::replace): result under a temporary name, checked and synced ->
// journal entry synced -> original purged -> result renamed to the original's name -> entry dropped. A journal
// entry whose name the run covers is found in one of these states:
//
//   state              what is there                                   what recovery does, and says
//   Final              the temporary name is gone                      nothing: the result took its name
//   OriginalGone       the original removed, or overwritten by the     a complete result (its recorded size, our
//                      purge (random bytes of its size)                header) is put back under the name; any other
//                                                                      goes beside it (".recovered1"), line says so
//   OriginalIntact     the original's size and time as recorded        the result is removed; line says so
//   OriginalChanged    anything else                                   the original is left; the result goes beside
//                                                                      it; line says where
//
// Small files go in groups (InPlaceFiles::commitGroup): results checked in memory -> the folder's log synced
// (InPlaceLog.h) -> each result written over its original -> synced -> log emptied. A log entry whose name the run
// covers is found in one of these states:
//
//   state              what the file is                                what recovery does, and says
//   Complete           the result, byte for byte                       its times and mode are given; no line
//   Partial            what only the writing back can have left: the   the result is written whole, with the
//                      same file, a size between the original's and    original's times and mode; line says it was
//                      the result's, each 512-byte stretch one or the  put back
//                      other's
//   Intact             the original, untouched                         the result is dropped; line says so
//   Other              edited since, replaced, gone, a link, or not    the file is left exactly as it is (content,
//                      writable                                        times, mode); the result goes beside it under a
//                                                                      new name with the original's owner and mode;
//                                                                      line says where
//
// In every state: entries for names the run's file pattern does not select stay (journal and log), their results
// untouched, for a run that covers them; a result that could be kept nowhere else keeps its log. Temporary files of
// our own naming that no journal entry vouches for hold partial output, a result whose original was never touched,
// or an original the purge had overwritten but not yet removed: they are removed. Only what the user's own runs
// can have left is acted on (OwnFile.h): a journal, log or temporary file that is a link, not a regular file,
// another user's or of more than one name is left as it is (and the run uses another name). Names in the lines are
// shown escaped.
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
