#include "cli/CliRun.h"

#include "batch/FileLine.h"
#include "batch/ResultTexts.h"
#include "cli/Console.h"
#include "cli/StopSignals.h"
#include "platform/engine/Engine.h"
#include "platform/os/NativeName.h"

#include <QTimer>

#include <algorithm>

namespace {
const QString crlf = QStringLiteral("\r\n");
// Room for the line in progress on a terminal of the usual width.
constexpr qsizetype kProgressWidth = 79;
} // namespace

// How often the line of a long file is brought up to date.
constexpr int kProgressIntervalMs = 250;

CliRun::CliRun(RunContext& context, Output output)
    : BatchRun(context), m_output(output), m_progress(output != Output::Quiet && Console::errIsTerminal()) {
    if (!m_progress)
        return;
    m_fileTimer = std::make_unique<QTimer>();
    m_fileTimer->setInterval(kProgressIntervalMs);
    QObject::connect(m_fileTimer.get(), &QTimer::timeout, [this] {
        const qint64 elapsed = m_fileClock.elapsed();
        m_fileProgress.sample(zq4e::progress_bytes(), elapsed);
        if (elapsed >= FileProgress::kShowAfterMs)
            showProgress(m_fileProgress.fileLine(m_fileName));
    });
}

CliRun::~CliRun() = default;

void CliRun::fileStarted(qsizetype index, const QString& path, qint64 size, bool inPlace) {
    (void)index;
    if (!m_fileTimer)
        return;
    m_fileName = NativeName::shown(QStringView(path).mid(path.lastIndexOf(QLatin1Char('/')) + 1));
    m_fileProgress.start(size, inPlace);
    m_fileClock.start();
    m_fileTimer->start();
}

void CliRun::fileFinished() {
    if (m_fileTimer)
        m_fileTimer->stop();
    if (m_output != Output::Report)
        showProgress(QString());
}

void CliRun::yieldToEvents(int waitMs) {
    if (waitMs > 0 || StopSignals::waiting())
        BatchRun::yieldToEvents(waitMs);
}

void CliRun::fileLineDone(const FileLine& line) {
    if (line.code == 0) {
        // Done, but encrypted a second time: most likely not what was meant, and the status says so.
        if (!line.encryptedTwice)
            return;
        noteProblem();
        ++m_twice;
        if (m_output == Output::Failures) {
            showProgress(QString());
            Console::err(QStringLiteral("zq4: ") + NativeName::shown(line.path) + QStringLiteral(": ") +
                         Console::sentence(ResultTexts::EncryptedTwiceLine().trimmed()) + QLatin1Char('\n'));
        }
        return;
    }
    if (line.done)
        return;
    ++m_notDone;
    if (m_output != Output::Failures)
        return;
    showProgress(QString());
    Console::err(failureLine(line));
}

QString CliRun::failureLine(const FileLine& line) {
    // What the file's line says after its name and size, continuation lines included, as one sentence.
    return QStringLiteral("zq4: ") + NativeName::shown(line.path) + QStringLiteral(": ") +
           Console::sentence(line.outcome.simplified()) + QLatin1Char('\n');
}

void CliRun::stop() {
    m_stopWanted = true;
    if (isRunning() && !blnStop)
        requestStop();
}

void CliRun::runStarted() {
    m_printed = 0;
    if (m_stopWanted)
        requestStop();
}

void CliRun::reportChanged(bool) {
    printReport(false);
}

bool CliRun::renameResult(const QString& tempPath, const QString& path) {
    const bool renamed = BatchRun::renameResult(tempPath, path);
    if (!renamed)
        noteProblem();
    return renamed;
}

void CliRun::printReport(bool all) {
    const QString& text = report().text();
    // The report lost its tail (a full buffer cuts it): go on from where it now ends.
    if (m_printed > text.size())
        m_printed = text.size();
    qsizetype end = text.size();
    if (!all) {
        // Whole lines, and only those that are settled: the line of a file whose result waits in a group may
        // still change.
        const qsizetype settled = report().settledSize();
        const qsizetype lastBreak = settled < crlf.size() ? -1 : text.lastIndexOf(crlf, settled - crlf.size());
        end = lastBreak < 0 ? 0 : lastBreak + crlf.size();
    }
    if (end > m_printed) {
        showProgress(QString());
        if (m_output == Output::Report)
            Console::out(Console::unixLines(text.mid(m_printed, end - m_printed)));
        m_printed = end;
        // Only whole lines have been printed: the line still being written stays to be finished.
        if (!m_keepWhole) {
            report().dropHead(m_printed);
            m_printed = end = 0;
        }
    }
    if (!all && m_output == Output::Report) {
        const qsizetype lineStart = text.lastIndexOf(crlf);
        showProgress(text.mid(std::max({end, m_printed, lineStart < 0 ? qsizetype(0) : lineStart + crlf.size()})));
    }
}

void CliRun::makeRoomForMessage() {
    printReport(false);
    showProgress(QString());
}

void CliRun::showProgress(const QString& partial) {
    if (!m_progress || (partial.isEmpty() && !m_progressShown))
        return;
    QString line = partial;
    if (line.size() > kProgressWidth)
        line = line.left(kProgressWidth - 3) + QStringLiteral("...");
    Console::err(QStringLiteral("\r\033[K") + line);
    m_progressShown = !line.isEmpty();
}
