#include "batch/FileStep.h"

#include "batch/BatchRun.h"
#include "batch/ResultCheck.h"
#include "batch/ResultTexts.h"
#include "batch/RunContext.h"
#include "batch/WorkerCall.h"
#include "files/FileIdentity.h"
#include "files/FileProc.h"
#include "platform/engine/Engine.h"
#include "platform/os/MessageBox.h"
#include "platform/os/NativeName.h"
#include "platform/os/PathEntry.h"
#include "platform/os/UnnamedFile.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace {
const QString crlf = QStringLiteral("\r\n");
} // namespace

FileStep::FileStep(BatchRun& run)
    : m_run(run), m_inPlace([this](const QString& temp, const QString& path) { return m_run.renameResult(temp, path); },
                            renameFailureCode) {}

void FileStep::start(const std::function<void(const QString&)>& beforePurge) {
    m_inPlace.beforePurge = beforePurge;
    m_encryptedTwice.clear();
}

const OperationSetup& FileStep::setup() const {
    return m_run.setup();
}

void FileStep::add(const QString& text, bool scroll) {
    m_run.AddToReport(text, scroll);
}

bool FileStep::process(qsizetype i, const QString& inputDir, const QString& outputDir) {
    BatchRun& run = m_run;
    const bool encrypt = setup().blnEncrypt;
    const QString name = run.strInputNames[i];
    const QString outName = run.outputNameAt(i);
    const QString path = inputDir + name;
    const QString outPath = outputDir + outName;
    // The entry itself, not what a link there leads to: it was a file when the folder was listed, and only a file
    // is worked on.
    const PathEntry::Info entry = PathEntry::of(path);
    const qint64 size = entry.size;

    // Two paths naming one file (another spelling of the folder, a link, a bind mount) are in place: the engine
    // would otherwise be asked to write over the file it reads.
    const bool inPlace = FileIdentity::sameFile(path, outPath);
    run.fileStarted(i, path, size, inPlace);
    const bool grouped = inPlace && entry.kind == PathEntry::Kind::Regular && groupable(path, size);
    if (!grouped)
        commitGroup(); // the lines of earlier files come first
    QString lineStart = ResultTexts::NameColumn(name);
    add(lineStart);
    ++run.intFilesAttempted;
    if (run.m_abandon)
        return false;

    QString tempPath, partialPath;
    qint64 resultSize = -1;
    int code = 0;
    if (entry.kind != PathEntry::Kind::Regular) {
        // Gone or replaced since the folder was listed: say so rather than call it empty or follow a link.
        code = entry.kind == PathEntry::Kind::Missing       ? zq4e::InputNotFound
               : entry.kind == PathEntry::Kind::Link        ? +StepCode::SymbolicLink
               : entry.kind == PathEntry::Kind::Unreachable ? zq4e::CannotOpenInput
                                                            : +StepCode::NotARegularFile;
    } else if (outName.isEmpty()) {
        code = +StepCode::NoOutputName;
    } else if (size == 0) {
        code = +StepCode::Empty;
    } else if (!encrypt && size < 3) {
        code = +StepCode::TooSmall;
    } else {
        const QString sizeText = ResultTexts::groupedNumber(size) + QStringLiteral(" bytes   ");
        lineStart += sizeText;
        add(sizeText, true);
        if (run.m_abandon)
            return false;
        const int minSize = run.m_ctx.intMinFilesizeForRandomness;
        if (!encrypt && size >= minSize && FileProc::FileRandomness(path, minSize) < run.m_ctx.dblMinZQ4Randomness) {
            commitGroupBefore(lineStart);
            const auto answer = MessageBox::show(QStringLiteral("This file appears NOT to be encrypted?") + crlf +
                                                     QStringLiteral("Attempt to decrypt it anyway?"),
                                                 QStringLiteral("Anomaly"), MessageBox::NoIcon,
                                                 MessageBox::Yes | MessageBox::No, MessageBox::No);
            if (answer != MessageBox::Yes) {
                add(QStringLiteral("skipped (file seems not encrypted)"));
                if (i < run.strInputNames.size() - 1) {
                    const auto abort = MessageBox::show(
                        QStringLiteral("Abort this ") + run.TxtEncDec(QStringLiteral("encryption")) +
                            QStringLiteral(" operation?"),
                        QStringLiteral("Abort?"), MessageBox::NoIcon, MessageBox::Yes | MessageBox::No);
                    if (abort == MessageBox::Yes) {
                        add(crlf);
                        run.blnStop = true;
                        return false;
                    }
                }
                add(crlf, true);
                return !run.m_abandon;
            }
        }
        const QString progress =
            QStringLiteral("  ... ") + run.TxtEncDec(QStringLiteral("encrypting")) + QStringLiteral(" ... ");
        add(progress, true);
        if (run.m_abandon)
            return false;
        code = inPlace ? writeInPlace(path, size, grouped, tempPath)
                       : writeNewFile(path, FileStamp::of(entry.status), outPath, size, partialPath, resultSize);
        if (inPlace)
            partialPath = tempPath;
        if (code == 0 && encrypt && m_inputWasOurs)
            m_encryptedTwice.insert(path);
        if (!run.blnReportSuspended && run.m_report.removeTail(progress))
            run.reportChanged(false);
        if (grouped && code == 0) {
            // Held back: the line is written once the group has made the result final.
            const bool held = !run.blnReportSuspended && run.m_report.removeTail(lineStart);
            if (held)
                run.reportChanged(false);
            m_groupLines << (held ? lineStart : QString());
            if (m_inPlace.group().isFull())
                commitGroup();
            return !run.m_abandon;
        }
        if (grouped)
            commitGroupBefore(lineStart);
    }

    finishLine(code, size, inPlace, path, outName, outPath, tempPath, partialPath, resultSize);
    return !run.m_abandon;
}

// original: the input as the step first looked at it, before anything was read.
int FileStep::writeNewFile(const QString& path, const FileStamp& original, const QString& outPath, qint64 size,
                           QString& partialPath, qint64& resultSize) {
    // Results to new files are synced and named in groups (NewFileGroup), not one by one.
    // Only a file that is there now was counted by the launch check (and confirmed, or allowed by --overwrite).
    const bool replace = PathEntry::exists(outPath);
    zq4e::FileOptions options = zq4e::default_file_options();
    options.sync = false;
    options.name = false;
    options.outputSeenFree = !replace;
    RunContext& ctx = m_run.m_ctx;
    UnnamedFile unnamed;
    int code = WorkerCall::run(size, [&] {
        zq4e::FileResult made = m_run.m_fileOps.Process(path, outPath, false, size, options);
        unnamed = UnnamedFile(std::exchange(made.unnamed, -1));
        partialPath = made.path;
        resultSize = made.code == 0 ? made.bytes : -1;
        m_inputWasOurs = made.inputWasOurs;
        if (made.code == 0 && ctx.afterResultWritten)
            ctx.afterResultWritten(path, partialPath);
        return made.code;
    });
    // A file written to while it was read gives a result that is neither its old nor its new contents.
    if (code == 0 && !FileStamp::of(path).unchangedSince(original)) {
        if (!unnamed.isOpen())
            PathEntry::remove(partialPath);
        code = InPlaceFiles::ChangedDuringOperation;
    }
    if (code == 0) {
        // Measured now: the group may give it its name (and take this one away) before the line is written.
        if (resultSize < 0)
            resultSize = unnamed.isOpen() ? unnamed.size() : PathEntry::size(partialPath);
        if (unnamed.isOpen())
            m_newFiles.add(std::move(unnamed), outPath, size);
        else
            m_newFiles.add(partialPath, outPath, size, replace);
        if (m_newFiles.isFull())
            commitNewFiles();
    }
    return code;
}

int FileStep::writeInPlace(const QString& path, qint64 size, bool grouped, QString& tempPath) {
    const FileStamp original = FileStamp::of(path);
    tempPath = InPlaceFiles::temporaryPathFor(path);
    QByteArray result;
    const int code = tempPath.isEmpty() ? +StepCode::NoTemporaryName
                     : grouped          ? prepareInPlace(path, tempPath, original, size, &result)
                                        : replaceInPlace(path, tempPath, original, size);
    if (grouped && code == 0)
        m_inPlace.group().add({path, tempPath, std::move(result), size, original, 0, QString()});
    // Partial plaintext left under a temporary name is moved where the user sees it, and no later run takes it
    // for a leftover.
    if (ResultTexts::MayHavePartialOutput(code) && PathEntry::exists(tempPath))
        tempPath = InPlaceFiles::keepAside(tempPath, path);
    return code;
}

int FileStep::prepareInPlace(const QString& path, const QString& tempPath, const FileStamp& original, qint64 size,
                             QByteArray* inMemory) {
    const bool encrypt = setup().blnEncrypt;
    RunContext& ctx = m_run.m_ctx;
    // On its own, the result is synced before the original goes, and its folder before the original is touched:
    // until then a crash leaves the original, or the complete result under its temporary name. In memory, the
    // group writes the result to the folder's log and then over the original; only partial plaintext of a failed
    // decryption reaches the disk, under tempPath.
    zq4e::FileOptions options = zq4e::default_file_options();
    options.syncFolder = false;
    if (inMemory) {
        options.sync = false;
        options.name = false;
        options.inMemory = true;
    }
    const int code = WorkerCall::run(size, [&] {
        zq4e::FileResult made = m_run.m_fileOps.Process(path, tempPath, true, size, options);
        m_inputWasOurs = made.inputWasOurs;
        int r = made.code;
        const UnnamedFile result(std::exchange(made.unnamed, -1));
        const QString resultPath = inMemory ? NativeName::decode(UnnamedFile::pathOf(result.fd())) : tempPath;
        if (r == 0 && ctx.afterResultWritten)
            ctx.afterResultWritten(path, resultPath);
        if (r == 0)
            r = m_inPlace.checkResult(path, resultPath, original,
                                      [&] { return ResultCheck::resultMatches(path, resultPath, encrypt, ctx); });
        if (r == 0 && inMemory && !result.readAll(*inMemory))
            r = -7;
        if (r == 0 && ctx.afterResultChecked)
            ctx.afterResultChecked(path);
        return r;
    });
    return code;
}

int FileStep::replaceInPlace(const QString& path, QString& tempPath, const FileStamp& original, qint64 size) {
    const bool encrypt = setup().blnEncrypt;
    const int code = prepareInPlace(path, tempPath, original, size);
    if (code != 0)
        return code;
    if (encrypt && FileProc::IsAntivirusWatchedType(path))
        m_run.OfferPurgeAdvice(path);
    QString resultPath;
    const int replaced = m_inPlace.replace(path, tempPath, original, encrypt, resultPath);
    tempPath = resultPath;
    return replaced;
}

void FileStep::finishLine(int code, qint64 size, bool inPlace, const QString& path, const QString& outName,
                          const QString& outPath, const QString& tempPath, const QString& partialPath,
                          qint64 resultSize) {
    if (ResultTexts::CountsAsProcessed(code)) {
        ++m_run.intFilesProcessed;
        m_run.lngTotalBytesProcessed += size;
    }
    using NativeName::shown;
    const qint64 length = resultSize >= 0 ? resultSize : qMax<qint64>(0, PathEntry::size(outPath));
    QString result = code == 0 ? ResultTexts::DoneText(inPlace, shown(outName), length)
                     : code == +StepCode::NoOutputName
                         ? ResultTexts::NoOutputNameText(FileProc::AddedExtension(m_run.strOutputFilespec))
                         : ResultTexts::StepResultText(code, setup().blnEncrypt, shown(path), shown(tempPath));
    if (m_encryptedTwice.remove(path) && code == 0)
        result += ResultTexts::EncryptedTwiceLine();
    if (ResultTexts::MayHavePartialOutput(code)) {
        // In place the temporary file is named in full; otherwise the output's name, or the free name the
        // partial plaintext took beside an existing file.
        const QString where = inPlace ? tempPath : partialPath.isEmpty() ? outName : QFileInfo(partialPath).fileName();
        result += ResultTexts::PartialPlaintextLine(shown(where));
    }
    add(result);
    add(crlf, true);
    if (code == zq4e::InvalidCipherFile && !setup().blnEncrypt && m_inputWasOurs)
        ++m_run.intWrongKeyFiles;
    if (m_run.m_ctx.afterFileLine && !m_run.m_ctx.afterFileLine(code))
        m_run.blnStop = true;
}

bool FileStep::groupable(const QString& path, qint64 size) const {
    if (size < (setup().blnEncrypt ? 1 : 3) || size > InPlaceGroup::kMaxFileSize)
        return false;
    // The purge advice is a dialog about this very file: it goes on its own.
    return !(setup().blnEncrypt && m_run.purgeAdviceWanted() && FileProc::IsAntivirusWatchedType(path));
}

void FileStep::commitGroupBefore(const QString& lineStart) {
    if (m_inPlace.group().isEmpty())
        return;
    const bool held = !m_run.blnReportSuspended && m_run.m_report.removeTail(lineStart);
    commitGroup();
    if (held)
        add(lineStart, true);
}

void FileStep::commitGroup() {
    if (m_inPlace.group().isEmpty())
        return;
    const QList<InPlaceGroup::Member> done = m_inPlace.commitGroup(setup().blnEncrypt);
    const QStringList lines = m_groupLines;
    m_groupLines.clear();
    for (qsizetype k = 0; k < done.size(); ++k) {
        const InPlaceGroup::Member& m = done[k];
        add(lines.value(k));
        finishLine(m.code, m.size, true, m.path, QFileInfo(m.path).fileName(), m.path, m.resultPath, m.resultPath);
    }
}

void FileStep::commitNewFiles() {
    for (const NewFileGroup::Failure& f : m_newFiles.commit(zq4e::default_file_options().sync)) {
        const QString name = QFileInfo(f.outputPath).fileName();
        const int code = f.resultPath.isEmpty() ? -7 : renameFailureCode(f.outputPath);
        // The file's line was written when its result was; the result not at its name, it is not done.
        --m_run.intFilesProcessed;
        m_run.lngTotalBytesProcessed -= f.bytes;
        add(ResultTexts::NameColumn(name) +
                ResultTexts::StepResultText(code, setup().blnEncrypt, NativeName::shown(f.outputPath),
                                            NativeName::shown(f.resultPath)) +
                crlf,
            true);
    }
}

int FileStep::renameFailureCode(const QString& path) {
    static const QRegularExpression floppy(QStringLiteral("^[AaBb]:"));
    return floppy.match(path).hasMatch() ? +StepCode::RenameFailedOnFloppy : +StepCode::RenameFailed;
}
