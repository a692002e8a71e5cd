#include "batch/FileStep.h"

#include "batch/OperationWording.h"
#include "batch/ResultCheck.h"
#include "batch/ResultTexts.h"
#include "batch/RunContext.h"
#include "batch/WorkerCall.h"
#include "batch/frmFileOps.h"
#include "files/FileProc.h"
#include "platform/engine/Engine.h"
#include "platform/os/FileIdentity.h"
#include "platform/os/MessageBox.h"
#include "platform/os/NativeName.h"
#include "platform/os/PathEntry.h"
#include "platform/os/UnnamedFile.h"

#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>

namespace {
const QString crlf = QStringLiteral("\r\n");
} // namespace

FileStep::FileStep(StepHost host)
    : m_host(std::move(host)),
      m_inPlace([this](const QString& temp, const QString& path) { return m_host.placeResult(temp, path); },
                renameFailureCode) {}

void FileStep::start(bool encrypt, bool piecesShown, const std::function<void(const QString&)>& beforePurge) {
    m_host.encrypt = encrypt;
    m_host.piecesShown = piecesShown;
    m_inPlace.beforePurge = beforePurge;
    m_waiting.clear();
}

void FileStep::showPiece(const QString& piece, bool scroll) {
    if (m_host.piecesShown)
        m_host.pendingPiece(piece, scroll);
}

bool FileStep::process(qsizetype i, const QString& inputDir, const QString& outputDir) {
    const bool encrypt = m_host.encrypt;
    const QString name = m_host.inputNameOf(i);
    Written w;
    w.outName = m_host.outputNameOf(i);
    const QString path = inputDir + name;
    w.outPath = outputDir + w.outName;
    // The entry itself, not what a link there leads to: it was a file when the folder was listed, and only a file
    // is worked on.
    const PathEntry::Info entry = PathEntry::of(path);
    const qint64 size = entry.size;

    // Two paths naming one file (another spelling of the folder, a link, a bind mount) are in place: the engine
    // would otherwise be asked to write over the file it reads. Most often nothing is at the output path yet, and
    // one look says so.
    w.outputThere = PathEntry::of(w.outPath).kind != PathEntry::Kind::Missing;
    w.inPlace = path == w.outPath || (w.outputThere && FileIdentity::sameFile(path, w.outPath));
    m_host.fileBegins(i, path, size, w.inPlace);
    const Way way = plan(path, size, w.inPlace, entry.kind == PathEntry::Kind::Regular);
    if (way != Way::InPlaceGrouped)
        commitGroup(); // the lines of earlier files come first
    const QString column = FileLine::start(name);
    showPiece(column, false);
    if (m_host.abandoned())
        return false;

    Waiting said;
    FileLine& line = said.line;
    line.path = path;
    line.name = name;
    if (entry.kind != PathEntry::Kind::Regular) {
        // Gone or replaced since the folder was listed: say so rather than call it empty or follow a link.
        line.code = entry.kind == PathEntry::Kind::Missing       ? zq4e::InputNotFound
                    : entry.kind == PathEntry::Kind::Link        ? +StepCode::SymbolicLink
                    : entry.kind == PathEntry::Kind::Unreachable ? zq4e::CannotOpenInput
                                                                 : +StepCode::NotARegularFile;
    } else if (w.outName.isEmpty()) {
        line.code = +StepCode::NoOutputName;
    } else if (size == 0) {
        line.code = +StepCode::Empty;
    } else if (!encrypt && size < 3) {
        line.code = +StepCode::TooSmall;
    } else {
        line.size = size;
        line.head = FileLine::withSize(column, size);
        showPiece(line.head, true);
        if (m_host.abandoned())
            return false;
        bool goOn = true;
        if (!decryptAnyway(i, line, goOn))
            return goOn;
        if (m_host.piecesShown)
            m_host.pendingPiece(FileLine::working(line.head, encrypt), true);
        if (m_host.abandoned())
            return false;
        line.code = write(way, path, FileStamp::of(entry.status), size, w);
        line.encryptedTwice = line.code == 0 && encrypt && m_inputWasOurs;
        line.wrongKey = line.code == zq4e::InvalidCipherFile && !encrypt && m_inputWasOurs;
        line.bytes = size;
    }
    showPiece(QString(), false);
    said.written = w;
    said.way = way;
    // A result that waits in a group has its final line once the group has made it final; until then the line
    // reads as it will then.
    said.waits = line.code == 0 && way != Way::InPlaceAlone;
    if (way == Way::InPlaceGrouped && line.code != 0)
        commitGroup();
    said.line = finished(said.line, w);
    say(std::move(said));
    if (groupIsFull(way))
        commit(way);
    return !m_host.abandoned();
}

FileStep::Way FileStep::plan(const QString& path, qint64 size, bool inPlace, bool regular) const {
    if (!inPlace)
        return Way::NewFile;
    return regular && groupable(path, size) ? Way::InPlaceGrouped : Way::InPlaceAlone;
}

int FileStep::write(Way way, const QString& path, const FileStamp& original, qint64 size, Written& w) {
    if (way == Way::NewFile)
        return writeNewFile(path, original, w.outPath, size, w);
    const int code = writeInPlace(path, original, size, way == Way::InPlaceGrouped, w);
    w.partialPath = w.tempPath;
    return code;
}

void FileStep::commit(Way way) {
    if (way == Way::NewFile)
        commitNewFiles();
    else if (way == Way::InPlaceGrouped)
        commitGroup();
}

bool FileStep::groupIsFull(Way way) {
    return way == Way::NewFile ? m_newFiles.isFull() : way == Way::InPlaceGrouped && m_inPlace.group().isFull();
}

bool FileStep::decryptAnyway(qsizetype i, const FileLine& line, bool& goOn) {
    const RunContext& ctx = *m_host.context;
    const QString& path = line.path;
    const qint64 size = line.size;
    const int minSize = ctx.intMinFilesizeForRandomness;
    if (m_host.encrypt || size < minSize || FileProc::FileRandomness(path, minSize) >= ctx.dblMinZQ4Randomness)
        return true;
    // Nothing waits while the user is asked.
    commitGroup();
    commitNewFiles();
    const auto answer = MessageBox::show(QStringLiteral("This file appears NOT to be encrypted?") + crlf +
                                             QStringLiteral("Attempt to decrypt it anyway?"),
                                         QStringLiteral("Anomaly"), MessageBox::NoIcon,
                                         MessageBox::Yes | MessageBox::No, MessageBox::No);
    if (answer == MessageBox::Yes)
        return true;
    showPiece(QString(), false);
    // Nothing waits now: the line is written as it is.
    m_host.finalText(line.head + QStringLiteral("skipped (file seems not encrypted)") + crlf);
    goOn = !m_host.abandoned();
    if (i < m_host.fileCount() - 1) {
        const auto abort =
            MessageBox::show(QStringLiteral("Abort this ") + TxtEncDec(QStringLiteral("encryption"), false) +
                                 QStringLiteral(" operation?"),
                             QStringLiteral("Abort?"), MessageBox::NoIcon, MessageBox::Yes | MessageBox::No);
        if (abort == MessageBox::Yes) {
            m_host.stopAfter();
            goOn = false;
        }
    }
    return false;
}

// original: the input as the step first looked at it, before anything was read.
int FileStep::writeNewFile(const QString& path, const FileStamp& original, const QString& outPath, qint64 size,
                           Written& w) {
    // Results to new files are synced and named in groups (NewFileGroup), not one by one.
    // Only a file that is there now was counted by the launch check (and confirmed, or allowed by --overwrite).
    // One that appears after the step looked is never replaced: naming the result then fails.
    const bool replace = w.outputThere;
    zq4e::FileOptions options = zq4e::default_file_options();
    options.sync = false;
    options.name = false;
    options.outputSeenFree = !replace;
    RunContext& ctx = *m_host.context;
    UnnamedFile unnamed;
    int code = WorkerCall::run(size, [&](bool mayDerive) {
        options.mayDerive = mayDerive;
        zq4e::FileResult made = m_host.engine->Process(path, outPath, false, size, options);
        unnamed = UnnamedFile(std::exchange(made.unnamed, -1));
        w.partialPath = made.path;
        w.resultSize = made.code == 0 ? made.bytes : -1;
        m_inputWasOurs = made.inputWasOurs;
        if (made.code == 0 && ctx.afterResultWritten)
            ctx.afterResultWritten(path, w.partialPath);
        return made.code;
    });
    // A file written to while it was read gives a result that is neither its old nor its new contents.
    if (code == 0 && !FileStamp::of(path).unchangedSince(original)) {
        if (!unnamed.isOpen())
            PathEntry::remove(w.partialPath);
        code = InPlaceFiles::ChangedDuringOperation;
    }
    if (code == 0) {
        // Measured now: the group gives it its name (and takes this one away) before the line is made.
        if (w.resultSize < 0)
            w.resultSize = unnamed.isOpen() ? unnamed.size() : PathEntry::size(w.partialPath);
        if (unnamed.isOpen())
            m_newFiles.add(std::move(unnamed), outPath, size);
        else
            m_newFiles.add(w.partialPath, outPath, size, replace);
    }
    return code;
}

int FileStep::writeInPlace(const QString& path, const FileStamp& original, qint64 size, bool grouped, Written& w) {
    QString& tempPath = w.tempPath;
    tempPath = InPlaceFiles::temporaryPathFor(path);
    QByteArray result;
    const int code = tempPath.isEmpty() ? +StepCode::NoTemporaryName
                     : grouped          ? prepareInPlace(path, tempPath, original, size, &result)
                                        : replaceInPlace(path, tempPath, original, size);
    if (grouped && code == 0) {
        w.resultSize = result.size();
        m_inPlace.group().add({path, tempPath, std::move(result), size, original, 0, QString()});
    }
    // Partial plaintext left under a temporary name is moved where the user sees it, and no later run takes it
    // for a leftover.
    if (ResultTexts::MayHavePartialOutput(code) && PathEntry::exists(tempPath))
        tempPath = InPlaceFiles::keepAside(tempPath, path);
    return code;
}

int FileStep::prepareInPlace(const QString& path, const QString& tempPath, const FileStamp& original, qint64 size,
                             QByteArray* inMemory) {
    const bool encrypt = m_host.encrypt;
    RunContext& ctx = *m_host.context;
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
    const int code = WorkerCall::run(size, [&](bool mayDerive) {
        options.mayDerive = mayDerive;
        zq4e::FileResult made = m_host.engine->Process(path, tempPath, true, size, options);
        m_inputWasOurs = made.inputWasOurs;
        int r = made.code;
        const UnnamedFile result(std::exchange(made.unnamed, -1));
        const QString resultPath = inMemory ? NativeName::decode(UnnamedFile::pathOf(result.fd())) : tempPath;
        if (r == 0 && ctx.afterResultWritten)
            ctx.afterResultWritten(path, resultPath);
        if (r == 0)
            r = m_inPlace.checkResult(path, resultPath, original,
                                      [&] { return ResultCheck::resultMatches(path, resultPath, encrypt, ctx, mayDerive); });
        if (r == 0 && inMemory && !result.readAll(*inMemory))
            r = -7;
        if (r == 0 && ctx.afterResultChecked)
            ctx.afterResultChecked(path);
        return r;
    });
    return code;
}

int FileStep::replaceInPlace(const QString& path, QString& tempPath, const FileStamp& original, qint64 size) {
    const bool encrypt = m_host.encrypt;
    const int code = prepareInPlace(path, tempPath, original, size);
    if (code != 0)
        return code;
    if (encrypt && FileProc::IsAntivirusWatchedType(path))
        m_host.advise(path);
    QString resultPath;
    const int replaced = m_inPlace.replace(path, tempPath, original, encrypt, resultPath);
    tempPath = resultPath;
    return replaced;
}

FileLine FileStep::finished(FileLine line, const Written& w) const {
    const bool encrypt = m_host.encrypt;
    const int code = line.code;
    line.done = ResultTexts::CountsAsProcessed(code);
    line.encryptedTwice = line.encryptedTwice && code == 0;
    using NativeName::shown;
    const qint64 length = w.resultSize >= 0 ? w.resultSize : qMax<qint64>(0, PathEntry::size(w.outPath));
    line.outcome = code == 0 ? ResultTexts::DoneText(w.inPlace, shown(w.outName), length)
                   : code == +StepCode::NoOutputName
                       ? ResultTexts::NoOutputNameText(FileProc::AddedExtension(m_host.outputPattern()))
                       : ResultTexts::StepResultText(code, encrypt, shown(line.path), shown(w.tempPath));
    if (line.encryptedTwice)
        line.outcome += ResultTexts::EncryptedTwiceLine();
    if (ResultTexts::MayHavePartialOutput(code)) {
        // In place the temporary file is named in full; otherwise the output's name, or the free name the
        // partial plaintext took beside an existing file.
        const QString where = w.inPlace                 ? w.tempPath
                              : w.partialPath.isEmpty() ? w.outName
                                                        : QFileInfo(w.partialPath).fileName();
        line.outcome += ResultTexts::PartialPlaintextLine(shown(where));
    }
    return line;
}

bool FileStep::groupable(const QString& path, qint64 size) const {
    const bool encrypt = m_host.encrypt;
    if (size < (encrypt ? 1 : 3) || size > InPlaceGroup::kMaxFileSize)
        return false;
    // The purge advice is a dialog about this very file: it goes on its own.
    return !(encrypt && m_host.adviceShown() && FileProc::IsAntivirusWatchedType(path));
}

void FileStep::say(Waiting entry) {
    const bool waits = entry.waits;
    entry.shown = entry.line.text();
    if (!waits && m_waiting.isEmpty()) {
        m_host.finalText(entry.shown);
        m_host.lineDone(entry.line);
        return;
    }
    if (waits)
        entry.at = m_host.openText(entry.shown);
    else
        m_host.finalText(entry.shown);
    m_waiting << std::move(entry);
}

void FileStep::settleLine(qsizetype k, const FileLine& line) {
    Waiting& entry = m_waiting[k];
    entry.waits = false;
    entry.line = line;
    const QString now = line.text();
    if (now == entry.shown)
        return;
    if (entry.at >= 0) {
        m_host.redoOpen(entry.at, entry.shown, now);
        // The lines after it have moved.
        for (qsizetype j = k + 1; j < m_waiting.size(); ++j)
            if (m_waiting[j].at >= 0)
                m_waiting[j].at += now.size() - entry.shown.size();
    }
    entry.shown = now;
}

void FileStep::flush() {
    while (!m_waiting.isEmpty() && !m_waiting.first().waits)
        m_host.lineDone(m_waiting.takeFirst().line);
    if (m_waiting.isEmpty())
        m_host.settleOpen();
}

void FileStep::commitGroup() {
    if (m_inPlace.group().isEmpty())
        return;
    const QList<InPlaceGroup::Member> done = m_inPlace.commitGroup(m_host.encrypt);
    qsizetype next = 0;
    for (qsizetype k = 0; k < m_waiting.size() && next < done.size(); ++k) {
        if (!m_waiting[k].waits || m_waiting[k].way != Way::InPlaceGrouped)
            continue;
        const InPlaceGroup::Member& m = done[next++];
        Written w = m_waiting[k].written;
        FileLine line = m_waiting[k].line;
        line.code = m.code;
        w.outName = QFileInfo(m.path).fileName();
        w.outPath = m.path;
        w.tempPath = w.partialPath = m.resultPath;
        w.resultSize = -1;
        settleLine(k, finished(line, w));
    }
    flush();
}

void FileStep::commitNewFiles() {
    QHash<QString, NewFileGroup::Failure> failed;
    for (const NewFileGroup::Failure& f : m_newFiles.commit(zq4e::default_file_options().sync))
        failed.insert(f.outputPath, f);
    for (qsizetype k = 0; k < m_waiting.size(); ++k) {
        if (!m_waiting[k].waits || m_waiting[k].way != Way::NewFile)
            continue;
        const auto f = failed.constFind(m_waiting[k].written.outPath);
        if (f == failed.cend()) {
            // Named as its line already says: nothing to write again.
            m_waiting[k].waits = false;
            continue;
        }
        // The result did not take its name: the line says where it is instead, and the file is not done.
        FileLine line = m_waiting[k].line;
        line.code = f->resultPath.isEmpty() ? -7 : renameFailureCode(f->outputPath);
        line.done = false;
        line.encryptedTwice = false;
        line.outcome = ResultTexts::StepResultText(line.code, m_host.encrypt, NativeName::shown(f->outputPath),
                                                   NativeName::shown(f->resultPath));
        settleLine(k, line);
    }
    flush();
}

int FileStep::renameFailureCode(const QString& path) {
    static const QRegularExpression floppy(QStringLiteral("^[AaBb]:"));
    return floppy.match(path).hasMatch() ? +StepCode::RenameFailedOnFloppy : +StepCode::RenameFailed;
}
