#pragma once

#include <QString>
#include <QStringList>

// What the outputs of a run would meet before the run starts: outputs that are their own input file (the
// same file on disk, however the folders are spelled), which the run replaces as it does in place, and
// outputs that exist already as other files, which it would replace.
namespace OutputSurvey {

struct Result {
    bool ok = false;   // the input folder could be listed
    qint64 inputs = 0; // matching files of the input folder
    qint64 ownInputs = 0;
    qint64 existing = 0;       // outputs other than their own input that exist already
    QStringList firstExisting; // the first few of those, by name
};

Result survey(const QString& inputDir, const QString& inputSpec, const QString& outputDir, const QString& outputSpec);

} // namespace OutputSurvey
