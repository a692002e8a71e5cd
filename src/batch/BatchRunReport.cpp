#include "batch/BatchRun.h"

#include "batch/FileLine.h"
#include "batch/ResultTexts.h"
#include "batch/RunContext.h"
#include "platform/os/MessageBox.h"

// The run's report: what is written to it, the line in progress, and what happens when it is full.

namespace {
const QString crlf = QStringLiteral("\r\n");

qint64 lineBreaks(const QString& text) {
    return text.count(crlf);
}
} // namespace

void BatchRun::writeDirect(const QString& text) {
    m_report.appendDirect(text);
    intReportLines += lineBreaks(text);
}

void BatchRun::AddToReport(const QString& text, bool scroll) {
    if (blnReportSuspended || m_abandon)
        return;
    if (!m_report.append(text)) {
        capacityReached();
        return;
    }
    intReportLines += lineBreaks(text);
    reportChanged(scroll);
}

bool BatchRun::appendListing(const QString& text) {
    if (!m_report.append(text))
        return false;
    intReportLines += lineBreaks(text);
    reportChanged(true);
    return true;
}

qsizetype BatchRun::writeOpen(const QString& text) {
    if (blnReportSuspended || m_abandon)
        return -1;
    const qsizetype at = m_report.openEnd();
    const qsizetype before = m_report.size();
    AddToReport(text, true);
    return m_report.size() > before ? at : -1;
}

void BatchRun::replaceOpen(qsizetype at, const QString& was, const QString& now) {
    if (blnReportSuspended || m_abandon || !m_report.replaceOpen(at, was, now))
        return;
    intReportLines += lineBreaks(now) - lineBreaks(was);
    reportChanged(true);
}

void BatchRun::settleReport() {
    m_report.settle();
    reportChanged(false);
}

void BatchRun::capacityReached() {
    failure(QStringLiteral("The report has reached its capacity of ") +
            ResultTexts::groupedNumber(m_report.capacity()) + QStringLiteral(" characters."));
}

void BatchRun::showPending(const QString& piece, bool scroll) {
    if (blnReportSuspended || m_abandon)
        return;
    if (!m_report.setPending(piece)) {
        capacityReached();
        return;
    }
    reportChanged(scroll);
}

void BatchRun::fileDone(const FileLine& line) {
    if (line.done) {
        ++intFilesProcessed;
        lngTotalBytesProcessed += line.bytes;
    }
    if (line.wrongKey)
        ++intWrongKeyFiles;
    if (m_ctx.afterFileLine && !m_ctx.afterFileLine(line))
        blnStop = true;
}

void BatchRun::failure(const QString& description) {
    MessageBox::show(description, QStringLiteral("Error"), MessageBox::Warning);
    ReportBufferFull();
    if (blnStop) {
        setClockEnabled(false);
        m_abandon = true;
    }
}


void BatchRun::ReportBufferFull() {
    m_report.chop(500);
    writeDirect(crlf + crlf);
    const QString title = QStringLiteral("Report buffer full");
    if (blnRandomnessReport) {
        MessageBox::show(QStringLiteral("The output report buffer has been filled.") + crlf +
                             QStringLiteral("This randomness report cannot continue and will now terminate."),
                         title, MessageBox::Warning);
        writeDirect(QStringLiteral("The output report buffer was filled.") + crlf +
                    QStringLiteral("This randomness report was terminated at this point.") + crlf);
    } else {
        const auto answer = MessageBox::show(
            QStringLiteral("The output report buffer has been filled, so ") +
                QStringLiteral("this report cannot continue.") + crlf + crlf +
                QStringLiteral("The operation, however, may continue, but without report of ") +
                QStringLiteral("results for individual files.") + crlf + QStringLiteral("It is recommended ") +
                QStringLiteral("to continue the operation.  Do you wish to continue?"),
            title, MessageBox::NoIcon, MessageBox::Yes | MessageBox::No);
        writeDirect(QStringLiteral("The output report buffer was filled.") + crlf);
        if (answer == MessageBox::Yes) {
            writeDirect(QStringLiteral("Subsequent operations on individual files will continue,") + crlf +
                        QStringLiteral("but results will not be reported here.") + crlf + crlf);
            blnReportSuspended = true;
        } else {
            writeDirect(QStringLiteral("This operation was terminated at the user's request.") + crlf +
                        QStringLiteral("Note: Some files were not ") + TxtEncDec(QStringLiteral("encrypted")) +
                        QLatin1Char('.') + crlf);
            blnStop = true;
        }
    }
    reportChanged(true);
}
