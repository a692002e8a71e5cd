#include "batch/BatchRun.h"

#include "batch/OperationWording.h"
#include "batch/OutputClash.h"
#include "batch/ResultTexts.h"
#include "batch/RunClock.h"
#include "batch/RunContext.h"
#include "batch/RunSummary.h"
#include "batch/inplace/Leftovers.h"
#include "files/FileProc.h"
#include "files/FolderListing.h"
#include "files/FolderListingCache.h"
#include "files/ReadAhead.h"
#include "key/KeyMaterial.h"
#include "key/frmKeyFrom.h"
#include "platform/engine/Engine.h"
#include "platform/os/FileIdentity.h"
#include "platform/os/MessageBox.h"
#include "platform/os/NativeName.h"
#include "platform/os/PathEntry.h"
#include "randomness/RandomnessListing.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QLocale>
#include <QSet>
#include <QTimer>

#include <optional>

#include <sys/stat.h>

namespace {
const QString crlf = QStringLiteral("\r\n");

qint64 lineBreaks(const QString& text) {
    return text.count(crlf);
}

QString withSlash(QString dir) {
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    return dir;
}
} // namespace

BatchRun::BatchRun(RunContext& context) : m_ctx(context), m_fileOps(context), m_step(*this) {}

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
    if (m_ctx.stopOwnerClock)
        m_ctx.stopOwnerClock();
    stopPressed();
    // A file in progress is finished first: the window says so until the run has really stopped.
    if (m_inFile) {
        setStatus(statusStopping());
        return;
    }
    setClockEnabled(false);
    setStatus(statusStopped());
}

void BatchRun::togglePause() {
    blnPaused = !blnPaused;
    pauseToggled();
    if (blnPaused && m_inFile)
        setStatus(statusPausing());
    else if (!blnPaused && (m_status == statusPaused() || m_status == statusPausing()))
        setStatus(QString());
}

QString BatchRun::notReachedLine(qint64 notReached) {
    return notReached == 1 ? QStringLiteral("1 matching file was not reached.")
                           : QString::number(notReached) + QStringLiteral(" matching files were not reached.");
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
    // The run owns its key: what happens to the key panel meanwhile cannot change what this run writes.
    KeyMaterial::replace(m_ctx.runKey, QByteArray(m_ctx.key.strKey.constData(), m_ctx.key.strKey.size()));
    m_ctx.runKeyFrom = m_ctx.key.intKeyFrom;
    m_ctx.runKeyFile = m_ctx.key.strKeyFile;
    m_refusedFolder.clear();
    m_step.start(m_ctx.beforePurge);
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
        intFilesAttempted = intFilesProcessed = intReportLines = lngTotalBytesProcessed = intWrongKeyFiles = 0;
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
            m_step.commitNewFiles();
            m_step.syncPendingFolder();
            m_locks.releaseAll();
            double t1 = RunClock::secondsOfDay();
            if (t1 < t0)
                t1 += 86400;
            elapsed = t1 - t0 - sngPausedSeconds;
            m_elapsed = elapsed;
        }
        runEnded();
        setClockEnabled(false);
        if (!survey && !m_ctx.blnPerformingReliabilityTest) {
            writeSummary(elapsed);
            if (blnStop && blnPerformingOperation && intMatchingFiles > intFilesAttempted)
                writeDirect(notReachedLine(intMatchingFiles - intFilesAttempted) + crlf);
        }
        if (m_status == statusStopping() || (blnStop && m_status == statusPausing()))
            setStatus(statusStopped());
        fitToReport();
        if (intOperationResult == -1) {
            hideWindow();
            MessageBox::show(QStringLiteral("Output file specification ") + QLatin1Char('"') +
                                 FileProc::OutputSpecShown(strOutputFilespec, setup().blnEncrypt) + QLatin1Char('"') +
                                 QStringLiteral(" produces duplicate output filenames!"),
                             QStringLiteral("Error"), MessageBox::Warning);
        } else if (intOperationResult == -2) {
            hideWindow();
            MessageBox::show(QStringLiteral("Another ZQ4 operation is using the folder ") +
                                 NativeName::shown(m_refusedFolder) + QStringLiteral(".  Nothing was done in it."),
                             QStringLiteral("Folder in use"), MessageBox::Warning);
        } else if (intOperationResult == -3) {
            hideWindow();
            MessageBox::show(QStringLiteral("The output file ") + m_clashOutput +
                                 QStringLiteral(" would replace the input file ") + m_clashInput +
                                 QStringLiteral(" of the same operation.  Nothing was done in this folder."),
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
    m_locks.releaseAll();
    KeyMaterial::wipe(m_ctx.runKey);
    m_ctx.runKey.clear();
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
    f.wrongKeyFiles = intWrongKeyFiles;
    for (const QString& line : RunSummary::Lines(f))
        writeDirect(line);
}

void BatchRun::ProcessFolder(QString inputDir, const QString& spec, QString outputDir, const QString& outputSpec) {
    inputDir = withSlash(inputDir);
    outputDir = withSlash(outputDir);
    const bool survey = blnGettingInputFilesizes;
    const bool same = setup().blnOutputFilesSame;

    if (!survey && !same && outputDir != inputDir && FileProc::IsAddedExtensionSpec(outputSpec) &&
        !PathEntry::exists(outputDir))
        makeOutputFolder(inputDir, outputDir);
    QStringList recovered;
    if (!survey && !takeFolder(inputDir, spec, outputDir, outputSpec, recovered))
        return;

    Folder::Contents contents = Folder::listFolder(inputDir);
    if (!contents.ok) {
        // A folder that cannot be read is named and passed over, never taken for empty; the rest of the run goes on.
        MessageBox::show(contents.errorText, QStringLiteral("Error"), MessageBox::Warning);
        if (!survey) {
            AddToReport(
                ResultTexts::UnreadableFolderLine(NativeName::shown(inputDir), contents.errorText, setup().blnEncrypt) +
                    crlf + crlf,
                true);
            leaveFolder(inputDir, outputDir);
        }
        return;
    }
    const QStringList subfolders = setup().blnSubdirectories ? std::move(contents.subfolders) : QStringList{};
    // Filtered where they stand: a folder of many files is not held twice. A result put back from a killed run is
    // done already.
    QStringList matching = std::move(contents.files);
    matching.removeIf([&](const QString& name) {
        return !FileProc::FileNameMatchesSpec(name, spec, false) || recovered.contains(name);
    });
    QList<Folder::OtherEntry> others;
    for (const Folder::OtherEntry& entry : std::as_const(contents.others))
        if (FileProc::FileNameMatchesSpec(entry.name, spec, false))
            others << entry;
    contents = {};
    m_ctx.intNumFiles = matching.size();
    // Taken before the names move on: the folder's lines end with an empty line.
    const bool anyLines = !matching.isEmpty() || !others.isEmpty();

    if ((!matching.isEmpty() || !others.isEmpty()) && !survey && !blnReportSuspended && !m_abandon) {
        const QString header = TxtEncDec(QStringLiteral("Encrypting")) + QLatin1Char(' ') +
                               NativeName::shown(FileProc::InputSpecShown(spec)) + QStringLiteral(" in ") +
                               NativeName::shown(inputDir) + crlf;
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
        strInputNames = std::move(matching);
        matching = {};
        strOutputNames.clear();
        m_folderOutputSpec = outputSpec;
        // Output names are made again as each file comes, rather than held for the whole folder; the reliability
        // test keeps them, to compare the files afterwards.
        if (m_ctx.blnPerformingReliabilityTest)
            for (qsizetype i = 0; i < strInputNames.size(); ++i)
                strOutputNames << outputNameAt(i);
        const auto outputName = [this](qsizetype i) { return outputNameAt(i); };
        if (!same && OutputClash::namesRepeat(strInputNames.size(), outputName)) {
            intOperationResult = -1;
            return;
        }
        if (!same) {
            const OutputClash::Clash clash = OutputClash::find(inputDir, strInputNames, outputDir, outputName);
            if (!clash.output.isEmpty()) {
                intOperationResult = -3;
                m_clashOutput = NativeName::shown(clash.output);
                m_clashInput = NativeName::shown(clash.input);
                return;
            }
        }
        // What the launch read of these folders no longer holds once the run writes there.
        if (!survey) {
            Folder::forgetListing(inputDir);
            Folder::forgetListing(outputDir);
        }
        // The next small files are read into the system's cache while the run works on the one before.
        std::optional<ReadAhead> ahead;
        if (!survey)
            ahead.emplace(inputDir, strInputNames);
        for (qsizetype i = 0; i < strInputNames.size(); ++i) {
            if (ahead)
                ahead->reached(i);
            if (survey) {
                const qint64 len = qMax<qint64>(0, PathEntry::size(inputDir + strInputNames[i]));
                if (same)
                    lngTotalInputFilesize = qMax(lngTotalInputFilesize, len);
                else
                    lngTotalInputFilesize += len;
            } else {
                m_inFile = true;
                const bool goOn = m_step.process(i, inputDir, outputDir);
                m_inFile = false;
                fileFinished();
                if (!goOn || m_abandon) {
                    m_step.commitGroup();
                    return;
                }
            }
            if (i % 10 == 0) {
                yieldToEvents();
                if (blnStop) {
                    m_step.commitGroup();
                    AddToReport(crlf);
                    return;
                }
            }
            CheckPauseAndStop();
            if (blnStop)
                return;
        }
        m_step.commitGroup();
        if (!m_ctx.blnPerformingReliabilityTest) {
            strInputNames.clear();
            strOutputNames.clear();
        }
    }
    if (!survey && anyLines) {
        reportOtherEntries(others);
        AddToReport(crlf);
    }
    if (!survey && setup().blnSubdirectories)
        leaveFolder(inputDir, outputDir);

    // A subfolder's results are written beside its files; those of an added extension that go to another folder
    // go to the same subfolder of that folder.
    const bool mirrored = !same && outputDir != inputDir && FileProc::IsAddedExtensionSpec(outputSpec);
    const QString outputBase = mirrored ? outputDir : inputDir;
    for (const QString& sub : subfolders) {
        ProcessFolder(inputDir + sub, spec, outputBase + sub, outputSpec);
        if (m_abandon || intOperationResult < 0)
            return;
        CheckPauseAndStop();
        if (blnStop)
            return;
    }
}

QString BatchRun::outputNameAt(qsizetype i) const {
    if (i < strOutputNames.size())
        return strOutputNames.at(i);
    if (setup().blnOutputFilesSame)
        return strInputNames.at(i);
    int code = 0;
    return FileProc::OutputName(strInputNames.at(i), m_folderOutputSpec, setup().blnEncrypt, code);
}

void BatchRun::reportOtherEntries(const QList<Folder::OtherEntry>& others) {
    for (const Folder::OtherEntry& entry : others) {
        // Links and special files are not files to work on; an entry that could not be looked at may well be one,
        // so it counts as a file not done.
        const bool mayBeFile = entry.kind != PathEntry::Kind::Link && entry.kind != PathEntry::Kind::Special;
        if (mayBeFile)
            ++intFilesAttempted;
        AddToReport(ResultTexts::NameColumn(entry.name) + ResultTexts::OtherEntryText(entry.kind, entry.error) + crlf,
                    true);
    }
}

void BatchRun::makeOutputFolder(const QString& inputDir, const QString& outputDir) {
    // No more open to others than the folder it mirrors; a failure shows in the lines of its files.
    struct stat st {};
    const mode_t mode = ::stat(NativeName::encode(inputDir).constData(), &st) == 0 ? (st.st_mode & 0777) : 0700;
    ::mkdir(NativeName::encode(outputDir).constData(), mode | S_IRWXU);
    Folder::forgetListing(outputDir + QStringLiteral("../"));
}

void BatchRun::leaveFolder(const QString& inputDir, const QString& outputDir) {
    // Everything of the folder is final before its lock goes: a walk through thousands of folders then holds
    // nothing of the folders it has left.
    m_step.commitGroup();
    m_step.syncPendingFolder();
    m_locks.release(inputDir);
    if (outputDir != inputDir)
        m_locks.release(outputDir);
}

bool BatchRun::takeFolder(const QString& inputDir, const QString& spec, const QString& outputDir,
                          const QString& outputSpec, QStringList& recovered) {
    for (const QString& dir : {inputDir, outputDir})
        if (m_locks.acquire(dir) == FolderLock::Result::HeldElsewhere) {
            m_refusedFolder = dir;
            intOperationResult = -2;
            return false;
        }
    for (const QString& dir : inputDir == outputDir ? QStringList{inputDir} : QStringList{inputDir, outputDir}) {
        const Leftovers::Outcome found = Leftovers::recover(dir, dir == inputDir ? spec : outputSpec);
        for (const QString& line : found.lines)
            AddToReport(line + crlf, true);
        m_step.keepJournalEntries(dir, found.kept);
        m_step.keepLogs(found.keptLogs);
        if (dir == inputDir)
            recovered = found.restoredNames;
    }
    return true;
}

void BatchRun::CheckPauseAndStop() {
    yieldToEvents();
    if (blnStop || blnPaused) {
        m_step.commitGroup();
        m_step.commitNewFiles();
    }
    if (blnStop) {
        AddToReport(crlf);
        return;
    }
    if (!blnPaused)
        return;
    reportChanged(true);
    setClockEnabled(false);
    setStatus(statusPaused());
    sngPauseStart = RunClock::secondsOfDay();
    m_step.syncPendingFolder();
    while (blnPaused && !blnStop)
        yieldToEvents(20);
    if (blnStop)
        AddToReport(crlf);
    sngPausedSeconds += secondsSince(sngPauseStart);
    setClockEnabled(!blnStop);
}

bool BatchRun::renameResult(const QString& tempPath, const QString& path) {
    return PathEntry::rename(tempPath, path, false);
}
