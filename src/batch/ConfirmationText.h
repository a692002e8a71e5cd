#pragma once

#include <QString>

// The description and question of the confirmation shown before an operation runs.
namespace ConfirmationText {

struct Operation {
    QString inputDirpath;
    QString inputFilespec;
    QString outputDirpath;
    QString outputFilespec;
    qint64 matchingFiles = 0; // in the input folder itself
    bool subdirectories = false;
    bool outputFilesSame = false;
    bool encrypt = true;
    qint64 existingOutputs = 0; // output files that exist already (running to new files)
};

QString Description(const Operation& op);
QString Question(bool encrypt);
// "1 output file exists already and will be replaced." / "3 output files exist already and will be replaced."
QString ExistingOutputsSentence(qint64 n);

} // namespace ConfirmationText
