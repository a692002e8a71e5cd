#pragma once

#include <QString>

struct FileLine;
class frmFileOps;
struct RunContext;

// What a file's step (FileStep) may ask of the run it is part of, and all it may ask: the run walks the folders,
// keeps the report and the counts, and paces itself; the step works on one file and hands back its line.
class StepHost {
public:
    // The operation as the run started.
    virtual bool stepEncrypts() const = 0;
    virtual RunContext& stepContext() = 0;
    virtual frmFileOps& stepEngine() = 0;

    // The folder in progress: its matching names, each one's output name (empty when it has none), and the
    // output pattern they are made by.
    virtual qsizetype stepFileCount() const = 0;
    virtual QString stepInputName(qsizetype i) const = 0;
    virtual QString stepOutputName(qsizetype i) const = 0;
    virtual QString stepOutputPattern() const = 0;

    // File i's step begins (a window shows the progress of a long file).
    virtual void stepBegins(qsizetype i, const QString& path, qint64 size, bool inPlace) = 0;

    // The report (ReportBuffer.h): the piece of the line in progress, shown at its end and replaced as the step goes
    // on (empty: none); text written for good; a line that may still change, written to the report's open part (its
    // position there, -1 when it was not written), and replaced there; the open part settled.
    virtual void showPending(const QString& piece, bool scroll) = 0;
    virtual void writeText(const QString& text) = 0;
    virtual qsizetype writeOpen(const QString& text) = 0;
    virtual void replaceOpen(qsizetype at, const QString& was, const QString& now) = 0;
    virtual void settleReport() = 0;
    // A file's line is final (and written): the run counts it.
    virtual void fileDone(const FileLine& line) = 0;

    // A failure ended the run's folder procedure: the step ends as soon as it can.
    virtual bool stepAbandoned() const = 0;
    // The user asked to end the run after this file.
    virtual void stopAfterStep() = 0;

    // The antivirus question and purge advice before an original goes; false: none are shown.
    virtual bool purgeAdviceShown() const = 0;
    virtual void adviseBeforePurge(const QString& path) = 0;
    // Puts an in-place result under the original's name (the original is gone by then).
    virtual bool nameResult(const QString& tempPath, const QString& path) = 0;

protected:
    ~StepHost() = default;
};
