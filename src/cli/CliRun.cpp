#include "cli/CliRun.h"

#include "batch/ResultTexts.h"
#include "cli/Console.h"
#include "platform/engine/Engine.h"
#include "platform/os/NativeName.h"

#include <QRegularExpression>
#include <QTimer>

namespace {
const QString crlf = QStringLiteral("\r\n");
// Room for the line in progress on a terminal of the usual width.
constexpr qsizetype kProgressWidth = 79;
// Enough of the report's last lines for a file's line and its continuation lines.
constexpr qsizetype kRecentChars = 4096;
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
    m_filePath = path;
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

void CliRun::fileLineDone(int code) {
    if (code == 0) {
        // Done, but encrypted a second time: most likely not what was meant, and the status says so.
        static const QString twice = ResultTexts::EncryptedTwiceLine().trimmed();
        if (!(m_recent + report().text().mid(m_printed)).trimmed().endsWith(twice))
            return;
        noteProblem();
        ++m_twice;
        if (m_output == Output::Failures) {
            showProgress(QString());
            Console::err(QStringLiteral("zq4: ") + NativeName::shown(m_filePath) + QStringLiteral(": ") +
                         Console::sentence(twice) + QLatin1Char('\n'));
        }
        return;
    }
    if (ResultTexts::CountsAsProcessed(code))
        return;
    ++m_notDone;
    if (m_output != Output::Failures)
        return;
    showProgress(QString());
    Console::err(failureLine());
}

QString CliRun::failureLine() const {
    // The file's line and its continuation lines, the last lines of the report.
    QString text = m_recent + report().text().mid(m_printed);
    while (text.endsWith(crlf))
        text.chop(crlf.size());
    QStringList lines;
    qsizetype end = text.size();
    while (end > 0) {
        const qsizetype start = text.lastIndexOf(crlf, end - 1);
        const QString line = text.mid(start < 0 ? 0 : start + crlf.size(), end - (start < 0 ? 0 : start + crlf.size()));
        lines.prepend(line.trimmed());
        end = start < 0 ? 0 : start;
        if (!line.startsWith(QLatin1Char(' ')))
            break;
    }
    QString first = lines.isEmpty() ? QString() : lines.takeFirst();
    const QString name = NativeName::shown(QStringView(m_filePath).mid(m_filePath.lastIndexOf(QLatin1Char('/')) + 1));
    QString path = NativeName::shown(m_filePath);
    if (first.startsWith(name + QLatin1Char(' ')))
        first = first.mid(name.size()).trimmed();
    else
        path = NativeName::shown(strInputDirpath);
    // The size before the outcome is no part of the reason.
    static const QRegularExpression size(QStringLiteral("^[0-9,]+ bytes? +"));
    first.remove(size);
    lines.prepend(first);
    QString why = lines.join(QLatin1Char(' ')).simplified();
    why.remove(QStringLiteral("... encrypting ... ")).remove(QStringLiteral("... decrypting ... "));
    return QStringLiteral("zq4: ") + path + QStringLiteral(": ") + Console::sentence(why) + QLatin1Char('\n');
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
        const qsizetype lastBreak = text.lastIndexOf(crlf);
        end = lastBreak < 0 ? 0 : lastBreak + crlf.size();
    }
    if (end > m_printed) {
        showProgress(QString());
        if (m_output == Output::Report)
            Console::out(Console::unixLines(text.mid(m_printed, end - m_printed)));
        // What a file not done is said from, should the report let go of it now.
        m_recent = (m_recent + text.mid(m_printed, end - m_printed)).right(kRecentChars);
        m_printed = end;
        // Only whole lines have been printed: the line still being written stays to be finished.
        if (!m_keepWhole) {
            report().dropHead(m_printed);
            m_printed = end = 0;
        }
    }
    if (!all && m_output == Output::Report)
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
