#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// What the outputs of a run would meet before the run starts: outputs that are their own input file (the
// same file on disk, however the folders are spelled), which the run replaces as it does in place, outputs
// that exist already as other files, which it would replace, and inputs whose outputs would share one name.
struct OperationSetup;

namespace OutputSurvey {

struct Plan {
    QString inputDir, inputSpec, outputDir, outputSpec;
    bool encrypt = true;
    // Through the subfolders too: each subfolder's results go to the same subfolder of the output folder.
    bool subfolders = false;
    // Called with every input's path and its output's path.
    std::function<void(const QString& input, const QString& output)> each;
};

struct Result {
    bool ok = false;   // the input folder could be listed
    qint64 inputs = 0; // matching files
    qint64 ownInputs = 0;
    qint64 existing = 0;       // outputs other than their own input that exist already
    QStringList firstExisting; // the first few of those, by name (below the output folder)
    // The first two inputs that would give one output name (letter case aside), below the input folder, and
    // that name; empty when there are none.
    QString clashFirst, clashSecond, clashOutput, clashSecondOutput;
    // Inputs whose output names are longer than the output folder's file system allows, and the first of them
    // (below the input folder) with its output name's length and the limit.
    qint64 tooLong = 0;
    QString firstTooLong;
    qint64 firstTooLongBytes = 0, nameMax = 0;
};

Result survey(const Plan& plan);
// The plan of the run a setup describes.
Plan planOf(const OperationSetup& setup);
Result survey(const QString& inputDir, const QString& inputSpec, const QString& outputDir, const QString& outputSpec);

// The message for output names longer than the file system takes.
QString tooLongText(const Result& r);
// The message for output names that two inputs would share, and which inputs they are.
QString duplicateNamesText(const Result& r, const QString& outputSpecShown);

} // namespace OutputSurvey
