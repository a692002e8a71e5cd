#pragma once

#include <QString>
#include <QStringList>

// What a killed run may have left in a folder, put right by the next run that works there (while it holds the
// folder, FolderLock.h):
//   - temporary files of our own naming that no journal entry vouches for hold partial output, or a result
//     whose original was never touched: they are removed;
//   - a journal entry whose result is complete and whose original is gone (or was overwritten by the purge)
//     gets its result put back under the original's name; one whose original is intact loses its result.
namespace Leftovers {

struct Outcome {
    QStringList lines;         // one report line per finding, without line breaks
    QStringList restoredNames; // originals' names that now hold a recovered result
};

Outcome recover(const QString& folder);

} // namespace Leftovers
