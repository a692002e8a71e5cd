#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <utility>

// The output names of one folder's inputs, before any of them is written: two inputs whose outputs would share a
// name, and an output that is another input file of the folder (by name, or as the file system sees it: a hard
// link, a symbolic link), which would be overwritten before its turn comes. Both work on hashes of the names, so a
// folder of a million files costs a few bytes per file and no copy of its names.
namespace OutputClash {

using OutputName = std::function<QString(qsizetype)>;

// The first two of the count outputs (empty names left out) that are equal but for letter case, by index;
// {-1, -1} when there are none.
std::pair<qsizetype, qsizetype> firstRepeat(qsizetype count, const OutputName& outputName);
inline bool namesRepeat(qsizetype count, const OutputName& outputName) {
    return firstRepeat(count, outputName).first >= 0;
}

struct Clash {
    QString output, input; // empty when there is none
};

// Input i is written to output outputName(i); an output that is its own input is processing in place, not a clash.
Clash find(const QString& inputDir, const QStringList& inputNames, const QString& outputDir,
           const OutputName& outputName);

} // namespace OutputClash
