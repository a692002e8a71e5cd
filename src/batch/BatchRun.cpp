#include "batch/BatchRun.h"

#include "files/FolderListing.h"

#include "batch/InPlaceGroup.h"
#include "batch/OperationWording.h"
#include "batch/ResultCheck.h"
#include "batch/ResultTexts.h"
#include "batch/RunClock.h"
#include "batch/RunContext.h"
#include "batch/RunSummary.h"
#include "batch/WorkerCall.h"
#include "files/FileProc.h"
#include "platform/engine/Engine.h"
#include "platform/os/MessageBox.h"
#include "randomness/RandomnessListing.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QTimer>

namespace {
const QString crlf = QStringLiteral("\r\n");

qint64 lineBreaks(const QString& text) {
    return text.count(crlf);
}

// Two paths naming one file (a different spelling of the same folder) must be treated as in place: the
// engine would otherwise be asked to write over the file it reads.
bool sameFile(const QString& a, const QString& b) {
    if (a == b)
        return true;
    const QString ca = QFileInfo(a).canonicalFilePath();
    return !ca.isEmpty() && ca == QFileInfo(b).canonicalFilePath();
}

QString withSlash(QString dir) {
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    return dir;
}
} // namespace

BatchRun::BatchRun(RunContext& context) : m_ctx(context), m_fileOps(context) {}

QString BatchRun::TxtEncDec(const QString& word) const {
    return ::TxtEncDec(word, setup().blnEncrypt);
}

void BatchRun::setStatus(const QString& status) {
    m_status = status;
    statusChanged();
}

void BatchRun::yieldToEvents(int waitMs) {
    if (waitMs <= 0) {
        QCoreApplication::processEvents();
        return;
    }
    QEventLoop loop;
    QTimer::singleShot(waitMs, &loop, &QEventLoop::quit);
    loop.exec();
}

double BatchRun::secondsSince(double start) const {
    double d = RunClock::secondsOfDay() - start;
    if (d < 0)
        d += 86400;
    return d;
}

void BatchRun::writeDirect(const QString& text) {
    m_report.appendDirect(text);
    intReportLines += lineBreaks(text);
}

void BatchRun::AddToReport(const QString& text, bool scroll) {
    if (blnReportSuspended || m_abandon)
        return;
    if (!m_report.append(text)) {
        failure(QStringLiteral("The report has reached its capacity of ") +
                ResultTexts::groupedNumber(m_report.capacity()) + QStringLiteral(" characters."));
        return;
    }
    intReportLines += lineBreaks(text);
    reportChanged(scroll);
}

void BatchRun::failure(const QString& description) {
    MessageBox::show(description, QStringLiteral("Error"), MessageBox::Warning);
    ReportBufferFull();
    if (blnStop) {
        setClockEnabled(false);
        m_abandon = true;
    }
}

void BatchRun::listFolderRandomness(const QString& folder, const QString& spec) {
    RandomnessListingContext c;
    c.blnSubdirectories = setup().blnSubdirectories;
    c.intMinFilesizeForRandomness = m_ctx.intMinFilesizeForRandomness;
    c.dblMinZQ4Randomness = m_ctx.dblMinZQ4Randomness;
    c.addToReport = [this](const QString& text) {
        if (!m_report.append(text))
            return false;
        intReportLines += lineBreaks(text);
        reportChanged(true);
        return true;
    };
    c.checkPauseAndStop = [this] {
        CheckPauseAndStop();
        return blnStop;
    };
    c.fileAttempted = [this] { ++intFilesAttempted; };
    c.setNumFiles = [this](qint64 n) { m_ctx.intNumFiles = n; };
    c.setNextDirPath = [this](const QString& dir) { strNextDirPath = dir; };
    c.failed = [this] {
        ReportBufferFull();
        blnStop = true;
        setClockEnabled(false);
    };
    RandomnessListing::ListFolderRandomness(folder, spec, c);
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

void BatchRun::requestStop() {
    blnStop = true;
    m_ctx.blnGenerateNextKey = true;
    setClockEnabled(false);
    if (m_ctx.stopOwnerClock)
        m_ctx.stopOwnerClock();
    stopPressed();
    setStatus(statusStopped());
}

void BatchRun::togglePause() {
    blnPaused = !blnPaused;
    pauseToggled();
}

void BatchRun::OfferPurgeAdvice(const QString& path) {
    if (!purgeAdviceWanted())
        return;
    setClockEnabled(false);
    sngPauseStart = RunClock::secondsOfDay();
    showPurgeAdvice(path);
    sngPausedSeconds += secondsSince(sngPauseStart);
    setClockEnabled(true);
}

const OperationSetup& BatchRun::setup() const {
    return m_running ? m_ctx.runSetup : m_ctx.setup;
}

void BatchRun::ProcessFiles() {
    if (m_running)
        return;
    m_ctx.runSetup = m_ctx.setup;
    m_running = true;
    setStatus(QString());
    intOperationResult = 0;
    blnReportSuspended = false;
    m_abandon = false;
    const bool survey = blnGettingInputFilesizes && !blnRandomnessReport;
    if (blnPerformingOperation || blnRandomnessReport) {
        m_report.clear();
        reportChanged(false);
        blnStop = blnPaused = blnComparisonReport = false;
        intFilesAttempted = intFilesProcessed = intReportLines = lngTotalBytesProcessed = 0;
        runStarted();
        double elapsed = 0;
        if (blnRandomnessReport) {
            listFolderRandomness(strNextDirPath, strCurrentFileSpec);
        } else if (survey) {
            ProcessFolder(strInputDirpath, strInputFilespec, strOutputDirpath, strOutputFilespec);
        } else {
            const double t0 = RunClock::secondsOfDay();
            sngPausedSeconds = 0;
            resetPurgeAdvice();
            m_fileOps.SetSensitiveFileExtensions();
            ProcessFolder(strInputDirpath, strInputFilespec, strOutputDirpath, strOutputFilespec);
            syncPendingFolder();
            double t1 = RunClock::secondsOfDay();
            if (t1 < t0)
                t1 += 86400;
            elapsed = t1 - t0 - sngPausedSeconds;
            m_elapsed = elapsed;
        }
        runEnded();
        setClockEnabled(false);
        if (!survey && !m_ctx.blnPerformingReliabilityTest)
            writeSummary(elapsed);
        fitToReport();
        if (intOperationResult == -1) {
            hideWindow();
            MessageBox::show(QStringLiteral("Output file specification ") + QLatin1Char('"') + strOutputFilespec +
                                 QLatin1Char('"') + QStringLiteral(" produces duplicate output filenames!"),
                             QStringLiteral("Error"), MessageBox::Warning);
        }
        if (!survey && !m_ctx.blnPerformingReliabilityTest) {
            const QDateTime now = RunClock::now();
            writeDirect(crlf + QLocale().toString(now.date(), QLocale::ShortFormat) + QStringLiteral(", ") +
                        now.time().toString(QStringLiteral("hh:mm")) + crlf);
            if (!m_report.isEmpty())
                showCopyButton();
        }
        if (m_status != statusPaused() && m_status != statusStopped() && !survey && intFilesProcessed >= 1)
            setStatus(statusDone());
    }
    if (!m_report.isEmpty())
        reportChanged(true);
    m_running = false;
}

void BatchRun::writeSummary(double elapsed) {
    RunSummary::Figures f;
    f.filesAttempted = intFilesAttempted;
    f.filesProcessed = intFilesProcessed;
    f.bytesProcessed = lngTotalBytesProcessed;
    f.elapsedSeconds = elapsed;
    f.encrypt = setup().blnEncrypt;
    f.outputFilesSame = setup().blnOutputFilesSame;
    f.randomnessReport = blnRandomnessReport;
    for (const QString& line : RunSummary::Lines(f))
        writeDirect(line);
}

void BatchRun::ProcessFolder(QString inputDir, const QString& spec, QString outputDir, const QString& outputSpec) {
    inputDir = withSlash(inputDir);
    outputDir = withSlash(outputDir);
    const bool survey = blnGettingInputFilesizes;
    const bool same = setup().blnOutputFilesSame;

    const Folder::Listing fileList = Folder::listFiles(inputDir);
    const Folder::Listing subList =
        fileList.ok && setup().blnSubdirectories ? Folder::listSubfolders(inputDir) : Folder::Listing{true, {}, {}};
    if (!fileList.ok || !subList.ok) {
        // A folder that cannot be read is reported and passed over; the rest of the run goes on.
        MessageBox::show(fileList.ok ? subList.errorText : fileList.errorText, QStringLiteral("Error"),
                         MessageBox::Warning);
        return;
    }
    const QStringList& files = fileList.names;
    const QStringList& subfolders = subList.names;
    QStringList matching;
    for (const QString& name : std::as_const(files))
        if (FileProc::FileNameMatchesSpec(name, spec, false))
            matching << name;
    m_ctx.intNumFiles = matching.size();

    if (!matching.isEmpty() && !survey && !blnReportSuspended && !m_abandon) {
        const QString header = TxtEncDec(QStringLiteral("Encrypting")) + QLatin1Char(' ') + spec +
                               QStringLiteral(" in ") + inputDir + crlf;
        if (m_report.append(header)) {
            intReportLines += 1;
            reportChanged(true);
        } else {
            failure(QStringLiteral("The report has reached its capacity of ") +
                    ResultTexts::groupedNumber(m_report.capacity()) + QStringLiteral(" characters."));
            if (m_abandon)
                return;
        }
    }

    if (!matching.isEmpty()) {
        strInputNames = matching;
        strOutputNames.clear();
        for (const QString& name : std::as_const(matching)) {
            int code = 0;
            strOutputNames << (same ? name : FileProc::OutputNameFromSpec(name, outputSpec, code));
        }
        if (!same && strOutputNames.size() >= 2) {
            for (qsizetype i = 0; i < strOutputNames.size(); ++i)
                for (qsizetype j = i + 1; j < strOutputNames.size(); ++j)
                    if (strOutputNames[i].compare(strOutputNames[j], Qt::CaseInsensitive) == 0) {
                        intOperationResult = -1;
                        return;
                    }
        }
        for (qsizetype i = 0; i < strInputNames.size(); ++i) {
            if (survey) {
                const qint64 len = QFileInfo(inputDir + strInputNames[i]).size();
                if (same)
                    lngTotalInputFilesize = qMax(lngTotalInputFilesize, len);
                else
                    lngTotalInputFilesize += len;
            } else if (!processFileStep(i, inputDir, outputDir) || m_abandon) {
                commitGroup();
                return;
            }
            if (i % 10 == 0) {
                yieldToEvents();
                if (blnStop) {
                    commitGroup();
                    AddToReport(crlf);
                    return;
                }
            }
            CheckPauseAndStop();
            if (blnStop)
                return;
        }
        commitGroup();
        if (!survey)
            AddToReport(crlf);
        if (!m_ctx.blnPerformingReliabilityTest) {
            strInputNames.clear();
            strOutputNames.clear();
        }
    }

    if (setup().blnSubdirectories) {
        for (const QString& sub : std::as_const(subfolders)) {
            ProcessFolder(inputDir + sub, spec, inputDir + sub, outputSpec);
            if (m_abandon || intOperationResult == -1)
                return;
            CheckPauseAndStop();
            if (blnStop)
                return;
        }
    }
}

void BatchRun::CheckPauseAndStop() {
    yieldToEvents();
    if (blnStop || blnPaused)
        commitGroup();
    if (blnStop) {
        AddToReport(crlf);
        return;
    }
    if (!blnPaused)
        return;
    reportChanged(true);
    setClockEnabled(false);
    sngPauseStart = RunClock::secondsOfDay();
    syncPendingFolder();
    while (blnPaused && !blnStop)
        yieldToEvents(20);
    if (blnStop)
        AddToReport(crlf);
    sngPausedSeconds += secondsSince(sngPauseStart);
    setClockEnabled(!blnStop);
}

bool BatchRun::processFileStep(qsizetype i, const QString& inputDir, const QString& outputDir) {
    const bool encrypt = setup().blnEncrypt;
    const QString name = strInputNames[i];
    const QString outName = strOutputNames[i];
    const QString path = inputDir + name;
    const QString outPath = outputDir + outName;
    const QFileInfo info(path);
    const qint64 size = info.size();

    const bool inPlace = sameFile(path, outPath);
    const bool grouped = inPlace && groupable(info, size);
    if (!grouped)
        commitGroup(); // the lines of earlier files come first
    QString lineStart = name.leftJustified(12) + QStringLiteral("  ");
    AddToReport(lineStart);
    ++intFilesAttempted;
    if (m_abandon)
        return false;

    QString tempPath;
    int code = 0;
    if (!info.exists() || !info.isFile()) {
        // Gone since the folder was listed: say so rather than call it empty.
        code = info.exists() ? -4 : -3;
    } else if (size == 0) {
        code = 3;
    } else if (!encrypt && size < 3) {
        code = 4;
    } else {
        const QString sizeText = ResultTexts::groupedNumber(size) + QStringLiteral(" bytes   ");
        lineStart += sizeText;
        AddToReport(sizeText, true);
        if (m_abandon)
            return false;
        const int minSize = m_ctx.intMinFilesizeForRandomness;
        if (!encrypt && size >= minSize && FileProc::FileRandomness(path, minSize) < m_ctx.dblMinZQ4Randomness) {
            commitGroupBefore(lineStart);
            const auto answer = MessageBox::show(QStringLiteral("This file appears NOT to be encrypted?") + crlf +
                                                     QStringLiteral("Attempt to decrypt it anyway?"),
                                                 QStringLiteral("Anomaly"), MessageBox::NoIcon,
                                                 MessageBox::Yes | MessageBox::No, MessageBox::No);
            if (answer != MessageBox::Yes) {
                AddToReport(QStringLiteral("skipped (file seems not encrypted)"));
                if (i < strInputNames.size() - 1) {
                    const auto abort = MessageBox::show(
                        QStringLiteral("Abort this ") + TxtEncDec(QStringLiteral("encryption")) +
                            QStringLiteral(" operation?"),
                        QStringLiteral("Abort?"), MessageBox::NoIcon, MessageBox::Yes | MessageBox::No);
                    if (abort == MessageBox::Yes) {
                        AddToReport(crlf);
                        blnStop = true;
                        return false;
                    }
                }
                AddToReport(crlf, true);
                return !m_abandon;
            }
        }
        const QString progress =
            QStringLiteral("  ... ") + TxtEncDec(QStringLiteral("encrypting")) + QStringLiteral(" ... ");
        AddToReport(progress, true);
        if (m_abandon)
            return false;
        if (!inPlace) {
            code = WorkerCall::run(size, [&] { return m_fileOps.ProcessFile(path, outPath); });
        } else {
            tempPath = FileProc::NewFilePath(path);
            code = tempPath.isEmpty() ? 5
                   : grouped          ? prepareInPlace(path, tempPath, size, false)
                                      : replaceInPlace(path, tempPath, size);
        }
        if (!blnReportSuspended && m_report.removeTail(progress))
            reportChanged(false);
        if (grouped && code == 0) {
            // Held back: the line is written once the group has made the result final.
            const bool held = !blnReportSuspended && m_report.removeTail(lineStart);
            if (held)
                reportChanged(false);
            m_group.add({path, tempPath, size, 0});
            m_groupLines << (held ? lineStart : QString());
            if (m_group.isFull())
                commitGroup();
            return !m_abandon;
        }
        if (grouped)
            commitGroupBefore(lineStart);
    }

    finishLine(code, size, inPlace, path, outName, outPath, tempPath);
    return !m_abandon;
}

void BatchRun::finishLine(int code, qint64 size, bool inPlace, const QString& path, const QString& outName,
                          const QString& outPath, const QString& tempPath) {
    if (ResultTexts::CountsAsProcessed(code)) {
        ++intFilesProcessed;
        lngTotalBytesProcessed += size;
    }
    QString result = code == 0 ? ResultTexts::DoneText(inPlace, outName, QFileInfo(outPath).size())
                               : ResultTexts::StepResultText(code, setup().blnEncrypt, path, tempPath);
    if (ResultTexts::MayHavePartialOutput(code))
        result += ResultTexts::PartialPlaintextLine(inPlace ? tempPath : outName);
    AddToReport(result);
    AddToReport(crlf, true);
}

bool BatchRun::groupable(const QFileInfo& info, qint64 size) {
    if (!info.isFile() || size < (setup().blnEncrypt ? 1 : 3) || size > InPlaceGroup::kMaxFileSize)
        return false;
    // The purge advice is a dialog about this very file: it goes on its own.
    return !(setup().blnEncrypt && purgeAdviceWanted() && FileProc::IsAntivirusWatchedType(info.filePath()));
}

void BatchRun::commitGroupBefore(const QString& lineStart) {
    if (m_group.isEmpty())
        return;
    const bool held = !blnReportSuspended && m_report.removeTail(lineStart);
    commitGroup();
    if (held)
        AddToReport(lineStart, true);
}

void BatchRun::commitGroup() {
    if (m_group.isEmpty())
        return;
    const QList<InPlaceGroup::Member> done = m_group.commit(
        setup().blnEncrypt, [this](const QString& temp, const QString& path) { return renameResult(temp, path); },
        renameFailureCode);
    const QStringList lines = m_groupLines;
    m_groupLines.clear();
    for (qsizetype k = 0; k < done.size(); ++k) {
        const InPlaceGroup::Member& m = done[k];
        AddToReport(lines.value(k));
        finishLine(m.code, m.size, true, m.path, QFileInfo(m.path).fileName(), m.path, m.tempPath);
    }
}

int BatchRun::renameFailureCode(const QString& path) {
    static const QRegularExpression floppy(QStringLiteral("^[AaBb]:"));
    return floppy.match(path).hasMatch() ? 8 : 6;
}

int BatchRun::prepareInPlace(const QString& path, const QString& tempPath, qint64 size, bool sync) {
    const bool encrypt = setup().blnEncrypt;
    // The result is synced before the original goes (here, or by the group it joins); its folder is synced
    // once the result has the original's name. Until then a crash leaves the original, or the complete
    // result under its temporary name.
    const bool syncing = zq4e::sync_output(), syncingFolder = zq4e::sync_output_folder();
    zq4e::set_sync_output(sync && syncing);
    zq4e::set_sync_output_folder(false);
    const int code = WorkerCall::run(size, [&] {
        int r = m_fileOps.ProcessFile(path, tempPath);
        if (r == 0 && !ResultCheck::resultMatches(path, tempPath, encrypt, m_ctx)) {
            // The result does not read back as the original: keep the original, drop the result.
            QFile::remove(tempPath);
            r = -7;
        }
        return r;
    });
    zq4e::set_sync_output(syncing);
    zq4e::set_sync_output_folder(syncingFolder);
    return code;
}

int BatchRun::replaceInPlace(const QString& path, const QString& tempPath, qint64 size) {
    const bool encrypt = setup().blnEncrypt;
    const int code = prepareInPlace(path, tempPath, size, true);
    if (code != 0)
        return code;
    if (encrypt && FileProc::IsAntivirusWatchedType(path))
        OfferPurgeAdvice(path);
    FileProc::PurgeFileBeforeRename(path, encrypt ? 1000 : 0);
    if (!renameResult(tempPath, path))
        return renameFailureCode(path);
    if (!m_unsyncedResult.isEmpty() && QFileInfo(m_unsyncedResult).absolutePath() != QFileInfo(path).absolutePath())
        syncPendingFolder();
    m_unsyncedResult = path;
    return 0;
}

void BatchRun::syncPendingFolder() {
    if (m_unsyncedResult.isEmpty())
        return;
    ResultCheck::syncFolder(m_unsyncedResult);
    m_unsyncedResult.clear();
}

bool BatchRun::renameResult(const QString& tempPath, const QString& path) {
    return QFile::rename(tempPath, path);
}
