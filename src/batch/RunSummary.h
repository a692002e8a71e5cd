#pragma once

#include <QStringList>

// The closing summary of a run.
namespace RunSummary {

struct Figures {
    qint64 filesAttempted = 0;
    qint64 filesProcessed = 0;
    qint64 bytesProcessed = 0;
    double elapsedSeconds = 0; // pauses and dialogs already taken out
    bool encrypt = true;
    bool outputFilesSame = false;
    bool randomnessReport = false; // only the count of files applies
    qint64 wrongKeyFiles = 0;      // decryptions of files of ours that the key did not open
};

// The summary lines, each ending with CR LF (the first may start with an empty line).
QStringList Lines(const Figures& f);

// "Total KB" figure: no decimals from 1,024,000 bytes on, two below; digit grouping.
QString TotalKbText(qint64 bytes);

} // namespace RunSummary
