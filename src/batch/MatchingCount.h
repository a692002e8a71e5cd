#pragma once

#include <QString>

// How many files a run over a folder has to answer for: the folder's files that match the pattern and, with
// subfolders, those of every folder below. A folder that cannot be read counts for none.
namespace MatchingCount {

qint64 filesBelow(const QString& folder, const QString& spec, bool subfolders);

} // namespace MatchingCount
