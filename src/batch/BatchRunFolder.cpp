#include "batch/BatchRun.h"

#include "batch/FileLine.h"
#include "batch/OutputClash.h"
#include "batch/ResultTexts.h"
#include "batch/RunContext.h"
#include "batch/inplace/Leftovers.h"
#include "files/FileProc.h"
#include "files/FolderListing.h"
#include "files/FolderListingCache.h"
#include "files/ReadAhead.h"
#include "platform/os/MessageBox.h"
#include "platform/os/NativeName.h"
#include "platform/os/PathEntry.h"

#include <optional>

#include <sys/stat.h>

// The walk of a run through its folders: each folder taken, listed and worked through file by file, then left.

namespace {
const QString crlf = QStringLiteral("\r\n");

QString withSlash(QString dir) {
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    return dir;
}
} // namespace

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

    QStringList matching, subfolders;
    QList<Folder::OtherEntry> others;
    if (!listFolder(inputDir, outputDir, spec, recovered, matching, others, subfolders))
        return;
    m_ctx.intNumFiles = matching.size();
    // Taken before the names move on: the folder's lines end with an empty line.
    const bool anyLines = !matching.isEmpty() || !others.isEmpty();
    if (anyLines && !survey && !blnReportSuspended && !m_abandon) {
        writeFolderHeader(inputDir, spec);
        if (m_abandon)
            return;
    }
    if (!matching.isEmpty()) {
        strInputNames = std::move(matching);
        matching = {};
        if (!processNames(inputDir, outputDir, outputSpec))
            return;
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

bool BatchRun::listFolder(const QString& inputDir, const QString& outputDir, const QString& spec,
                          const QStringList& recovered, QStringList& matching, QList<Folder::OtherEntry>& others,
                          QStringList& subfolders) {
    Folder::Contents contents = Folder::listFolder(inputDir);
    if (!contents.ok) {
        // A folder that cannot be read is named and passed over, never taken for empty; the rest of the run goes on.
        MessageBox::show(contents.errorText, QStringLiteral("Error"), MessageBox::Warning);
        if (!blnGettingInputFilesizes) {
            AddToReport(
                ResultTexts::UnreadableFolderLine(NativeName::shown(inputDir), contents.errorText, setup().blnEncrypt) +
                    crlf + crlf,
                true);
            leaveFolder(inputDir, outputDir);
        }
        return false;
    }
    if (setup().blnSubdirectories)
        subfolders = std::move(contents.subfolders);
    // Filtered where they stand: a folder of many files is not held twice. A result put back from a killed run is
    // done already.
    matching = std::move(contents.files);
    matching.removeIf([&](const QString& name) {
        return !FileProc::FileNameMatchesSpec(name, spec, false) || recovered.contains(name);
    });
    for (const Folder::OtherEntry& entry : std::as_const(contents.others))
        if (FileProc::FileNameMatchesSpec(entry.name, spec, false))
            others << entry;
    return true;
}

void BatchRun::writeFolderHeader(const QString& inputDir, const QString& spec) {
    const QString header = TxtEncDec(QStringLiteral("Encrypting")) + QLatin1Char(' ') +
                           NativeName::shown(FileProc::InputSpecShown(spec)) + QStringLiteral(" in ") +
                           NativeName::shown(inputDir) + crlf;
    AddToReport(header, true);
}

bool BatchRun::processNames(const QString& inputDir, const QString& outputDir, const QString& outputSpec) {
    const bool survey = blnGettingInputFilesizes;
    const bool same = setup().blnOutputFilesSame;
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
        return false;
    }
    if (!same) {
        const OutputClash::Clash clash = OutputClash::find(inputDir, strInputNames, outputDir, outputName);
        if (!clash.output.isEmpty()) {
            intOperationResult = -3;
            m_clashOutput = NativeName::shown(clash.output);
            m_clashInput = NativeName::shown(clash.input);
            return false;
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
                return false;
            }
        }
        if (i % 10 == 0) {
            yieldToEvents();
            if (blnStop) {
                m_step.commitGroup();
                AddToReport(crlf);
                return false;
            }
        }
        CheckPauseAndStop();
        if (blnStop)
            return false;
    }
    m_step.commitGroup();
    if (!m_ctx.blnPerformingReliabilityTest) {
        strInputNames.clear();
        strOutputNames.clear();
    }
    return true;
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
        AddToReport(FileLine::start(entry.name) + ResultTexts::OtherEntryText(entry.kind, entry.error) + crlf,
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
