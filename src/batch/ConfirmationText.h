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
};

QString Description(const Operation& op);
QString Question(bool encrypt);

} // namespace ConfirmationText
