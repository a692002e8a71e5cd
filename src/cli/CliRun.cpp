#include "cli/CliRun.h"

#include "cli/Console.h"

namespace {
const QString crlf = QStringLiteral("\r\n");
// Room for the line in progress on a terminal of the usual width.
constexpr qsizetype kProgressWidth = 79;
} // namespace

CliRun::CliRun(RunContext& context, bool quiet)
    : BatchRun(context), m_quiet(quiet), m_progress(!quiet && Console::errIsTerminal()) {}

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
        const qsizetype lastBreak = text.lastIndexOf(crlf);
        end = lastBreak < 0 ? 0 : lastBreak + crlf.size();
    }
    if (end > m_printed) {
        showProgress(QString());
        if (!m_quiet)
            Console::out(Console::unixLines(text.mid(m_printed, end - m_printed)));
        m_printed = end;
    }
    if (!all)
        showProgress(text.mid(qMax(end, m_printed)));
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
