#include "batch/BatchRun.h"

#include "batch/Leftovers.h"
#include "batch/OutputClash.h"
#include "batch/OperationWording.h"
#include "batch/ResultCheck.h"
#include "batch/ResultTexts.h"
#include "batch/RunClock.h"
#include "batch/RunContext.h"
#include "batch/RunSummary.h"
#include "batch/WorkerCall.h"
#include "files/FileIdentity.h"
#include "files/FileProc.h"
#include "files/FolderListing.h"
#include "files/ReadAhead.h"
#include "key/KeyMaterial.h"
#include "key/frmKeyFrom.h"
#include "platform/engine/Engine.h"
#include "platform/os/MessageBox.h"
#include "platform/os/NativeName.h"
#include "platform/os/PathEntry.h"
#include "randomness/RandomnessListing.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QSet>
#include <QTimer>

#include <optional>

namespace {
const QString crlf = QStringLiteral("\r\n");

qint64 lineBreaks(const QString& text) {
    return text.count(crlf);
}

// Two paths naming one file (a different spelling of the same folder, a link, a bind mount) must be treated as
// in place: the engine would otherwise be asked to write over the file it reads.
bool sameFile(const QString& a, const QString& b) {
    return FileIdentity::sameFile(a, b);
}

QString withSlash(QString dir) {
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    return dir;
}
} // namespace

BatchRun::BatchRun(RunContext& context)
    : m_ctx(context), m_fileOps(context),
      m_inPlace([this](const QString& temp, const QString& path) { return renameResult(temp, path); },
                renameFailureCode) {}

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
    // The run owns its key: what happens to the key panel meanwhile cannot change what this run writes.
    KeyMaterial::replace(m_ctx.runKey, QByteArray(m_ctx.key.strKey.constData(), m_ctx.key.strKey.size()));
    m_ctx.runKeyFrom = m_ctx.key.intKeyFrom;
    m_ctx.runKeyFile = m_ctx.key.strKeyFile;
    m_refusedFolder.clear();
    m_encryptedTwice.clear();
    m_inPlace.beforePurge = m_ctx.beforePurge;
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
            commitNewFiles();
            m_inPlace.syncPendingFolder();
            m_locks.releaseAll();
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
        } else if (intOperationResult == -2) {
            hideWindow();
            MessageBox::show(QStringLiteral("Another ZQ4 operation is using the folder ") + NativeName::shown(m_refusedFolder) +
                                 QStringLiteral(".  Nothing was done in it."),
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
    for (const QString& line : RunSummary::Lines(f))
        writeDirect(line);
}

void BatchRun::ProcessFolder(QString inputDir, const QString& spec, QString outputDir, const QString& outputSpec) {
    inputDir = withSlash(inputDir);
    outputDir = withSlash(outputDir);
    const bool survey = blnGettingInputFilesizes;
    const bool same = setup().blnOutputFilesSame;

    QStringList recovered;
    if (!survey && !takeFolder(inputDir, spec, outputDir, outputSpec, recovered))
        return;

    Folder::Contents contents = Folder::listFolder(inputDir);
    if (!contents.ok) {
        // A folder that cannot be read is named and passed over, never taken for empty; the rest of the run goes on.
        MessageBox::show(contents.errorText, QStringLiteral("Error"), MessageBox::Warning);
        if (!survey) {
            AddToReport(ResultTexts::UnreadableFolderLine(NativeName::shown(inputDir), contents.errorText,
                                                          setup().blnEncrypt) +
                            crlf + crlf,
                        true);
            leaveFolder(inputDir, outputDir);
        }
        return;
    }
    const QStringList subfolders = setup().blnSubdirectories ? std::move(contents.subfolders) : QStringList{};
    QStringList matching;
    // A result put back from a killed run is done already.
    for (const QString& name : std::as_const(contents.files))
        if (FileProc::FileNameMatchesSpec(name, spec, false) && !recovered.contains(name))
            matching << name;
    QList<Folder::OtherEntry> others;
    for (const Folder::OtherEntry& entry : std::as_const(contents.others))
        if (FileProc::FileNameMatchesSpec(entry.name, spec, false))
            others << entry;
    contents = {};
    m_ctx.intNumFiles = matching.size();

    if ((!matching.isEmpty() || !others.isEmpty()) && !survey && !blnReportSuspended && !m_abandon) {
        const QString header = TxtEncDec(QStringLiteral("Encrypting")) + QLatin1Char(' ') + spec +
                               QStringLiteral(" in ") + NativeName::shown(inputDir) + crlf;
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
            // Any two names equal but for case, found through their case-folded forms rather than pair by pair:
            // a folder of 10,000 files would otherwise cost 50 million comparisons.
            QSet<QString> folded;
            folded.reserve(strOutputNames.size());
            for (const QString& name : std::as_const(strOutputNames)) {
                const QString key = name.toCaseFolded();
                if (folded.contains(key)) {
                    intOperationResult = -1;
                    return;
                }
                folded.insert(key);
            }
        }
        if (!same) {
            const OutputClash::Clash clash = OutputClash::find(inputDir, strInputNames, outputDir, strOutputNames);
            if (!clash.output.isEmpty()) {
                intOperationResult = -3;
                m_clashOutput = NativeName::shown(clash.output);
                m_clashInput = NativeName::shown(clash.input);
                return;
            }
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
                const bool goOn = processFileStep(i, inputDir, outputDir);
                fileFinished();
                if (!goOn || m_abandon) {
                    commitGroup();
                    return;
                }
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
        if (!m_ctx.blnPerformingReliabilityTest) {
            strInputNames.clear();
            strOutputNames.clear();
        }
    }
    if (!survey && (!matching.isEmpty() || !others.isEmpty())) {
        reportOtherEntries(others);
        AddToReport(crlf);
    }
    if (!survey && setup().blnSubdirectories)
        leaveFolder(inputDir, outputDir);

    for (const QString& sub : subfolders) {
        ProcessFolder(inputDir + sub, spec, inputDir + sub, outputSpec);
        if (m_abandon || intOperationResult < 0)
            return;
        CheckPauseAndStop();
        if (blnStop)
            return;
    }
}

void BatchRun::reportOtherEntries(const QList<Folder::OtherEntry>& others) {
    for (const Folder::OtherEntry& entry : others) {
        // Links and special files are not files to work on; an entry that could not be looked at may well be one,
        // so it counts as a file not done.
        const bool mayBeFile = entry.kind != PathEntry::Kind::Link && entry.kind != PathEntry::Kind::Special;
        if (mayBeFile)
            ++intFilesAttempted;
        AddToReport(NativeName::shown(entry.name).leftJustified(12) + QStringLiteral("  ") +
                        ResultTexts::OtherEntryText(entry.kind, entry.error) + crlf,
                    true);
    }
}

void BatchRun::leaveFolder(const QString& inputDir, const QString& outputDir) {
    // Everything of the folder is final before its lock goes: a walk through thousands of folders then holds
    // nothing of the folders it has left.
    commitGroup();
    m_inPlace.syncPendingFolder();
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
        m_inPlace.keepJournalEntries(dir, found.kept);
        if (dir == inputDir)
            recovered = found.restoredNames;
    }
    return true;
}

void BatchRun::CheckPauseAndStop() {
    yieldToEvents();
    if (blnStop || blnPaused) {
        commitGroup();
        commitNewFiles();
    }
    if (blnStop) {
        AddToReport(crlf);
        return;
    }
    if (!blnPaused)
        return;
    reportChanged(true);
    setClockEnabled(false);
    sngPauseStart = RunClock::secondsOfDay();
    m_inPlace.syncPendingFolder();
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
    // The entry itself, not what a link there leads to: it was a file when the folder was listed, and only a file
    // is worked on.
    const PathEntry::Info entry = PathEntry::of(path);
    const qint64 size = entry.size;

    const bool inPlace = sameFile(path, outPath);
    fileStarted(i, path, size, inPlace);
    const bool grouped = inPlace && entry.kind == PathEntry::Kind::Regular && groupable(path, size);
    if (!grouped)
        commitGroup(); // the lines of earlier files come first
    QString lineStart = NativeName::shown(name).leftJustified(12) + QStringLiteral("  ");
    AddToReport(lineStart);
    ++intFilesAttempted;
    if (m_abandon)
        return false;

    QString tempPath, partialPath;
    qint64 resultSize = -1;
    int code = 0;
    if (entry.kind != PathEntry::Kind::Regular) {
        // Gone or replaced since the folder was listed: say so rather than call it empty or follow a link.
        code = entry.kind == PathEntry::Kind::Missing ? -3
               : entry.kind == PathEntry::Kind::Link  ? 12
               : entry.kind == PathEntry::Kind::Unreachable ? -4
                                                            : 13;
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
            // Results to new files are synced and named in groups (NewFileGroup), not one by one.
            const FileStamp original = FileStamp::of(path);
            const bool syncing = zq4e::sync_output();
            zq4e::set_sync_output(false);
            zq4e::set_rename_output(false);
            code = WorkerCall::run(size, [&] {
                const int r = m_fileOps.ProcessFile(path, outPath, false, size);
                partialPath = zq4e::last_output_path();
                if (r == 0 && m_ctx.afterResultWritten)
                    m_ctx.afterResultWritten(path, partialPath);
                return r;
            });
            zq4e::set_rename_output(true);
            zq4e::set_sync_output(syncing);
            // A file written to while it was read gives a result that is neither its old nor its new contents.
            if (code == 0 && !FileStamp::of(path).unchangedSince(original)) {
                PathEntry::remove(partialPath);
                code = 10;
            }
            if (code == 0 && encrypt && zq4e::last_input_was_encrypted())
                m_encryptedTwice.insert(path);
            if (code == 0) {
                // Measured now: the group may give it its name (and take this one away) before the line is written.
                resultSize = PathEntry::size(partialPath);
                m_newFiles.add(partialPath, outPath, size);
                if (m_newFiles.isFull())
                    commitNewFiles();
            }
        } else {
            const FileStamp original = FileStamp::of(path);
            tempPath = InPlaceFiles::temporaryPathFor(path);
            code = tempPath.isEmpty() ? 5
                   : grouped          ? prepareInPlace(path, tempPath, original, size, false)
                                      : replaceInPlace(path, tempPath, original, size);
            if (grouped && code == 0)
                m_inPlace.group().add({path, tempPath, size, original, 0, QString()});
            if (code == 0 && encrypt && zq4e::last_input_was_encrypted())
                m_encryptedTwice.insert(path);
            // Partial plaintext left under a temporary name is moved where the user sees it, and no later run
            // takes it for a leftover.
            if (ResultTexts::MayHavePartialOutput(code) && PathEntry::exists(tempPath))
                tempPath = InPlaceFiles::keepAside(tempPath, path);
            partialPath = tempPath;
        }
        if (!blnReportSuspended && m_report.removeTail(progress))
            reportChanged(false);
        if (grouped && code == 0) {
            // Held back: the line is written once the group has made the result final.
            const bool held = !blnReportSuspended && m_report.removeTail(lineStart);
            if (held)
                reportChanged(false);
            m_groupLines << (held ? lineStart : QString());
            if (m_inPlace.group().isFull())
                commitGroup();
            return !m_abandon;
        }
        if (grouped)
            commitGroupBefore(lineStart);
    }

    finishLine(code, size, inPlace, path, outName, outPath, tempPath, partialPath, resultSize);
    return !m_abandon;
}

void BatchRun::finishLine(int code, qint64 size, bool inPlace, const QString& path, const QString& outName,
                          const QString& outPath, const QString& tempPath, const QString& partialPath,
                          qint64 resultSize) {
    if (ResultTexts::CountsAsProcessed(code)) {
        ++intFilesProcessed;
        lngTotalBytesProcessed += size;
    }
    using NativeName::shown;
    const qint64 length = resultSize >= 0 ? resultSize : qMax<qint64>(0, PathEntry::size(outPath));
    QString result = code == 0 ? ResultTexts::DoneText(inPlace, shown(outName), length)
                               : ResultTexts::StepResultText(code, setup().blnEncrypt, shown(path), shown(tempPath));
    if (m_encryptedTwice.remove(path) && code == 0)
        result += ResultTexts::EncryptedTwiceLine();
    if (ResultTexts::MayHavePartialOutput(code)) {
        // In place the temporary file is named in full; otherwise the output's name, or the free name the
        // partial plaintext took beside an existing file.
        const QString where = inPlace ? tempPath : partialPath.isEmpty() ? outName : QFileInfo(partialPath).fileName();
        result += ResultTexts::PartialPlaintextLine(shown(where));
    }
    AddToReport(result);
    AddToReport(crlf, true);
}

bool BatchRun::groupable(const QString& path, qint64 size) {
    if (size < (setup().blnEncrypt ? 1 : 3) || size > InPlaceGroup::kMaxFileSize)
        return false;
    // The purge advice is a dialog about this very file: it goes on its own.
    return !(setup().blnEncrypt && purgeAdviceWanted() && FileProc::IsAntivirusWatchedType(path));
}

void BatchRun::commitGroupBefore(const QString& lineStart) {
    if (m_inPlace.group().isEmpty())
        return;
    const bool held = !blnReportSuspended && m_report.removeTail(lineStart);
    commitGroup();
    if (held)
        AddToReport(lineStart, true);
}

void BatchRun::commitGroup() {
    if (m_inPlace.group().isEmpty())
        return;
    const QList<InPlaceGroup::Member> done = m_inPlace.commitGroup(setup().blnEncrypt);
    const QStringList lines = m_groupLines;
    m_groupLines.clear();
    for (qsizetype k = 0; k < done.size(); ++k) {
        const InPlaceGroup::Member& m = done[k];
        AddToReport(lines.value(k));
        finishLine(m.code, m.size, true, m.path, QFileInfo(m.path).fileName(), m.path, m.resultPath, m.resultPath);
    }
}

void BatchRun::commitNewFiles() {
    for (const NewFileGroup::Failure& f : m_newFiles.commit(zq4e::sync_output())) {
        const QString name = QFileInfo(f.outputPath).fileName();
        const int code = f.resultPath.isEmpty() ? -7 : renameFailureCode(f.outputPath);
        if (!ResultTexts::CountsAsProcessed(code)) {
            --intFilesProcessed;
            lngTotalBytesProcessed -= f.bytes;
        }
        AddToReport(NativeName::shown(name).leftJustified(12) + QStringLiteral("  ") +
                        ResultTexts::StepResultText(code, setup().blnEncrypt, NativeName::shown(f.outputPath),
                                                    NativeName::shown(f.resultPath)) +
                        crlf,
                    true);
    }
}

int BatchRun::renameFailureCode(const QString& path) {
    static const QRegularExpression floppy(QStringLiteral("^[AaBb]:"));
    return floppy.match(path).hasMatch() ? 8 : 6;
}

int BatchRun::prepareInPlace(const QString& path, const QString& tempPath, const FileStamp& original, qint64 size,
                             bool sync) {
    const bool encrypt = setup().blnEncrypt;
    // The result is synced before the original goes (here, or by the group it joins); its folder is synced
    // before the original is touched. Until then a crash leaves the original, or the complete result under its
    // temporary name.
    const bool syncing = zq4e::sync_output(), syncingFolder = zq4e::sync_output_folder();
    zq4e::set_sync_output(sync && syncing);
    zq4e::set_sync_output_folder(false);
    const int code = WorkerCall::run(size, [&] {
        int r = m_fileOps.ProcessFile(path, tempPath, true, size);
        if (r == 0 && m_ctx.afterResultWritten)
            m_ctx.afterResultWritten(path, tempPath);
        if (r == 0)
            r = m_inPlace.checkResult(path, tempPath, original,
                                      [&] { return ResultCheck::resultMatches(path, tempPath, encrypt, m_ctx); });
        if (r == 0 && m_ctx.afterResultChecked)
            m_ctx.afterResultChecked(path);
        return r;
    });
    zq4e::set_sync_output(syncing);
    zq4e::set_sync_output_folder(syncingFolder);
    return code;
}

int BatchRun::replaceInPlace(const QString& path, QString& tempPath, const FileStamp& original, qint64 size) {
    const bool encrypt = setup().blnEncrypt;
    const int code = prepareInPlace(path, tempPath, original, size, true);
    if (code != 0)
        return code;
    if (encrypt && FileProc::IsAntivirusWatchedType(path))
        OfferPurgeAdvice(path);
    QString resultPath;
    const int replaced = m_inPlace.replace(path, tempPath, original, encrypt, resultPath);
    tempPath = resultPath;
    return replaced;
}

bool BatchRun::renameResult(const QString& tempPath, const QString& path) {
    return PathEntry::rename(tempPath, path, false);
}
