#pragma once

#include <QString>
#include <QStringList>

// An output file of a folder that is another input file of the same folder (by name, or as the file system sees
// it: a hard link, a symbolic link) would be overwritten before its turn comes.
namespace OutputClash {

struct Clash {
    QString output, input; // empty when there is none
};

// Input i is written to output i; an output that is its own input is processing in place, not a clash.
Clash find(const QString& inputDir, const QStringList& inputNames, const QString& outputDir,
           const QStringList& outputNames);

} // namespace OutputClash
