#pragma once

#include "batch/BatchRun.h"
#include "batch/FileProgress.h"

#include <QElapsedTimer>

#include <memory>

class QTimer;
struct FileLine;

// The batch run of the command line: the report goes to standard output line by line as it grows, the line
// in progress to standard error when that is a terminal, and there, once a file has taken longer than a second,
// its bytes done, speed and time left. What the window would ask during the run is
// answered so that the run goes on, and counted when it means a file was not done.
class CliRun : public BatchRun {
public:
    // Report: the report on standard output as it grows (--run, --randomness). Quiet: nothing there.
    // Failures: nothing there either, but each file not done is one line on standard error, "zq4: PATH: why."
    // (encrypt and decrypt, unless -v asks for the report). Only Report shows a file's line as it is written on
    // a terminal; the others show a long file's progress alone, cleared when it ends.
    enum class Output { Report, Quiet, Failures };
    CliRun(RunContext& context, Output output);
    ~CliRun() override;

    // A stop as by the Stop button; before the run has started it keeps the run from starting.
    void stop();
    bool stopWanted() const { return m_stopWanted; }
    // Something other than a file's own report line went wrong: a folder that could not be read, a result
    // left under its temporary name.
    void noteProblem() { ++m_problems; }
    qint64 problems() const { return m_problems; }
    // Prints what the report holds beyond what was printed already.
    void printReport(bool all);
    // Before a message: the report printed so far, and no line in progress in the way.
    void makeRoomForMessage();
    // Off: what has been printed is let go, so a run of a million files holds its last lines only. On (the
    // default) the whole report stays, for a report file.
    void setKeepWholeReport(bool keep) { m_keepWhole = keep; }
    // After each file's line: in Failures, a file not done is said on standard error.
    void fileLineDone(const FileLine& line);
    // Files whose line said they were not done.
    qint64 filesNotDone() const { return m_notDone; }
    // Files that were ours already and are now encrypted twice (done, but the status is 1).
    qint64 filesEncryptedTwice() const { return m_twice; }

protected:
    void runStarted() override;
    void reportChanged(bool scroll) override;
    bool renameResult(const QString& tempPath, const QString& path) override;
    void fileStarted(qsizetype index, const QString& path, qint64 size, bool inPlace) override;
    void fileFinished() override;
    // Between files nothing but a stop signal comes to the command line's loop: it is turned only then.
    void yieldToEvents(int waitMs = 0) override;
    // Only the report on a terminal shows the line in progress.
    bool lineInProgressShown() const override { return m_output == Output::Report && m_progress; }

private:
    void showProgress(const QString& partial);

    // "zq4: PATH: why.", from the file's line.
    static QString failureLine(const FileLine& line);

    Output m_output;
    bool m_progress;
    qint64 m_notDone = 0;
    qint64 m_twice = 0;
    bool m_progressShown = false;
    bool m_stopWanted = false;
    bool m_keepWhole = true;
    qint64 m_problems = 0;
    qsizetype m_printed = 0;
    std::unique_ptr<QTimer> m_fileTimer;
    QElapsedTimer m_fileClock;
    FileProgress m_fileProgress;
    QString m_fileName;
};
