#include "batch/ResultTexts.h"

#include "batch/OperationWording.h"
#include "files/FileProc.h"
#include "platform/engine/Engine.h"
#include "platform/os/NativeName.h"

#include <QLocale>

namespace ResultTexts {

QString continuationBreak() {
    return QStringLiteral("\r\n") + QString(ContinuationIndent, QLatin1Char(' '));
}

QString NameColumn(const QString& name) {
    return NativeName::shown(name).leftJustified(ContinuationIndent - 2) + QStringLiteral("  ");
}

QString groupedNumber(qint64 n) {
    return QLocale().toString(n);
}

QString EngineText(int code) {
    const auto cont = continuationBreak();
    switch (static_cast<qint16>(code)) {
    case zq4e::InputNotFound:
        return QStringLiteral("Input file not found.");
    case zq4e::CannotOpenInput:
        return QStringLiteral("Unable to open input file.");
    case zq4e::CannotOpenOutput:
        return QStringLiteral("Unable to open output file.");
    case zq4e::ReadError:
    case zq4e::PartialReadError:
        return QStringLiteral("Read error.");
    case zq4e::WriteError:
    case zq4e::PartialWriteError:
        return QStringLiteral("Write error.");
    case zq4e::DiskFull:
        return QStringLiteral("Write error: disk full.");
    case zq4e::Cancelled:
        return QStringLiteral("Abandoned when the program was told to end; nothing was written.");
    case zq4e::InvalidCipherFile:
        // Found before anything was written: nearly always the wrong key, which is what the user needs to read.
        return QStringLiteral("Decryption key is incorrect or ciphertext is corrupt.");
    case zq4e::PartialInvalidSize:
        return QStringLiteral("Invalid block size.") + cont +
               QStringLiteral("Decryption key is incorrect or ciphertext is corrupt.");
    default:
        break;
    }
    if (code < zq4e::SegmentFailuresBase && code >= zq4e::SegmentFailuresBase - 9) {
        const int n = zq4e::SegmentFailuresBase - code;
        const QString first = n == 1 ? QStringLiteral("One block expansion error occurred.")
                                     : QString::number(n) + QStringLiteral(" block expansion errors occurred.");
        return first + cont + QStringLiteral("Ciphertext is corrupt or decryption key is incorrect.");
    }
    return QStringLiteral("Unknown error #") + QString::number(static_cast<qint16>(code)) + QLatin1Char('.');
}

bool MayHavePartialOutput(int code) {
    return code >= -99 && code <= zq4e::PartialReadError;
}

QString PartialPlaintextLine(const QString& outputFile) {
    return continuationBreak() + QStringLiteral("Partial plaintext may be in ") + outputFile + QLatin1Char('.');
}

namespace {
QString resultIsIn(bool encrypt, const QString& tempPath) {
    return QStringLiteral("The result of the ") + TxtEncDec(QStringLiteral("encryption"), encrypt) +
           QStringLiteral(" operation ") + QStringLiteral("is in the file ") + tempPath + QLatin1Char('.');
}
} // namespace

QString StepResultText(int code, bool encrypt, const QString& inputPath, const QString& tempPath) {
    const QString notPerformed =
        QStringLiteral("  ") + TxtEncDec(QStringLiteral("Encryption"), encrypt) + QStringLiteral(" not performed.");
    switch (code) {
    case +StepCode::ProgramFile:
        return QStringLiteral("This is the ZQ4 executable.") + notPerformed;
    case +StepCode::CurrentKeyfile:
        return QStringLiteral("This is the current keyfile.") + notPerformed;
    case +StepCode::Empty:
        return QStringLiteral("This file is empty (0 bytes).");
    case +StepCode::TooSmall:
        return QStringLiteral("This file is too small to have been ZQ4-encrypted.");
    case +StepCode::NoTemporaryName:
        return QStringLiteral("Unable to get temporary output filename.");
    case +StepCode::RenameFailed:
        return QStringLiteral("Error when renaming temporary output file. ") + resultIsIn(encrypt, tempPath);
    case +StepCode::SensitiveExtension:
        return QStringLiteral("ZQ4 does not ") + TxtEncDec(QStringLiteral("encrypt"), encrypt) +
               QStringLiteral("-in-place files with extension ") + QLatin1Char('"') +
               FileProc::FileExtension(inputPath, true) + QLatin1Char('"') + QLatin1Char('.');
    case +StepCode::RenameFailedOnFloppy:
        return QStringLiteral("Error: probably insufficient space ") + QStringLiteral("on the floppy disk in drive ") +
               inputPath.left(1).toUpper() + QStringLiteral(".  ") + resultIsIn(encrypt, tempPath);
    case +StepCode::OtherNames:
        return QStringLiteral("This file has other names (hard links) that would keep its contents.") + notPerformed;
    case +StepCode::ChangedDuringOperation:
        return QStringLiteral("This file changed during the ") + TxtEncDec(QStringLiteral("encryption"), encrypt) +
               QStringLiteral(" operation and was left as it is.");
    case +StepCode::PurgeFailed:
        return QStringLiteral("Error when purging the original file; it may be damaged. ") +
               resultIsIn(encrypt, tempPath);
    case +StepCode::SymbolicLink:
        return OtherEntryText(PathEntry::Kind::Link, 0);
    case +StepCode::NotARegularFile:
        return OtherEntryText(PathEntry::Kind::Special, 0);
    default:
        break;
    }
    return code < 0 ? EngineText(code) : QString();
}

QString DoneText(bool inPlace, const QString& outputName, qint64 outputLength) {
    QString s = QStringLiteral("-> ");
    if (!inPlace)
        s += outputName + QStringLiteral("  ");
    return s + groupedNumber(outputLength) + QStringLiteral(" bytes");
}

QString OtherEntryText(PathEntry::Kind kind, int error) {
    switch (kind) {
    case PathEntry::Kind::Link:
        return QStringLiteral("a symbolic link: not followed");
    case PathEntry::Kind::Special:
        return QStringLiteral("not a regular file");
    default:
        return QStringLiteral("cannot be reached: ") + PathEntry::errorText(error);
    }
}

QString EncryptedTwiceLine() {
    return continuationBreak() + QStringLiteral("This file was ZQ4-encrypted already; it is now encrypted twice.");
}

QString UnreadableFolderLine(const QString& folder, const QString& errorText, bool encrypt) {
    return QStringLiteral("The folder ") + folder + QStringLiteral(" could not be read (") + errorText +
           QStringLiteral("); nothing in it was ") + TxtEncDec(QStringLiteral("encrypted"), encrypt) + QLatin1Char('.');
}

QString NoOutputNameText(const QString& extension) {
    if (extension.isEmpty())
        return QStringLiteral("No output name can be made from this name; nothing was done.");
    return QStringLiteral("The name does not end in .") + extension +
           QStringLiteral(", so it has no name to be decrypted to; nothing was done.");
}

bool CountsAsProcessed(int result) {
    return result == +StepCode::Done || result == +StepCode::RenameFailed || result == +StepCode::RenameFailedOnFloppy;
}

} // namespace ResultTexts
