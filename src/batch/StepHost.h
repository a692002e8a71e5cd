#pragma once

#include <QString>

#include <functional>

struct FileLine;
class frmFileOps;
struct RunContext;

// What a file's step (FileStep) is given by the run it is part of, and all it is given: the run walks the folders,
// keeps the report and the counts, and paces itself; the step works on one file and hands back its line. The run
// fills this in once; the step knows nothing else of it.
struct StepHost {
    // The operation as the run started, and whether the line in progress is shown (set as each run begins).
    bool encrypt = true;
    bool piecesShown = true;
    RunContext* context = nullptr;
    frmFileOps* engine = nullptr;

    // The folder in progress: how many matching names it has, each one's name and output name (empty when it has
    // none), and the output pattern they are made by.
    std::function<qsizetype()> fileCount;
    std::function<QString(qsizetype)> inputNameOf;
    std::function<QString(qsizetype)> outputNameOf;
    std::function<QString()> outputPattern;

    // File i's step begins (a window shows the progress of a long file).
    std::function<void(qsizetype i, const QString& path, qint64 size, bool inPlace)> fileBegins;

    // The report (ReportBuffer.h): the piece of the line in progress, shown at its end and replaced as the step goes
    // on (empty: none); text written for good; a line that may still change, written to the report's open part (its
    // position there, -1 when it was not written), and replaced there; the open part settled.
    std::function<void(const QString& piece, bool scroll)> pendingPiece;
    std::function<void(const QString& text)> finalText;
    std::function<qsizetype(const QString& text)> openText;
    std::function<void(qsizetype at, const QString& was, const QString& now)> redoOpen;
    std::function<void()> settleOpen;
    // A file's line is final (and written): the run counts it.
    std::function<void(const FileLine& line)> lineDone;

    // A failure ended the run's folder procedure: the step ends as soon as it can.
    std::function<bool()> abandoned;
    // The user asked to end the run after this file.
    std::function<void()> stopAfter;

    // The antivirus question and purge advice before an original goes; false: none are shown.
    std::function<bool()> adviceShown;
    std::function<void(const QString& path)> advise;
    // Puts an in-place result under the original's name (the original is gone by then).
    std::function<bool(const QString& tempPath, const QString& path)> placeResult;
};
