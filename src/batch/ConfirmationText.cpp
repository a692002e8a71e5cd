#include "batch/ConfirmationText.h"

#include "batch/OperationWording.h"
#include "files/FileProc.h"

namespace ConfirmationText {

QString Description(const Operation& op) {
    const qint64 n = op.matchingFiles;
    const bool single = n == 1 && !op.subdirectories;
    QString d = TxtEncDec(QStringLiteral("Encrypting"), op.encrypt) + QLatin1Char(' ') +
                FileProc::InputSpecShown(op.inputFilespec) + QStringLiteral(" in the folder ") + op.inputDirpath;
    d += QStringLiteral(" (") + QString::number(n) + QLatin1Char(' ') +
         (n == 1 ? QStringLiteral("file") : QStringLiteral("files")) + QStringLiteral(") ");
    if (op.subdirectories)
        d += QStringLiteral("and in all lower subfolders");
    d += QStringLiteral(".  ");
    if (op.outputFilesSame) {
        if (n == 1)
            d += QStringLiteral("The output file will have the same name as the input file") +
                 QStringLiteral(" (so the input file will be overwritten)");
        else
            d += QStringLiteral("The output files will have the same names as the input files") +
                 QStringLiteral(" (so the input files will be overwritten)");
        return d;
    }
    d += single ? QStringLiteral("The output file is specified as ")
                : QStringLiteral("The output files are specified as ");
    d += FileProc::OutputSpecShown(op.outputFilespec, op.encrypt);
    if (op.outputDirpath != op.inputDirpath)
        d += QStringLiteral(" in the folder ") + op.outputDirpath;
    else
        d += op.subdirectories ? QStringLiteral(" in the same folders") : QStringLiteral(" in the same folder");
    if (op.existingOutputs > 0)
        d += QStringLiteral(".  ") + ExistingOutputsSentence(op.existingOutputs);
    return d;
}

QString ExistingOutputsSentence(qint64 n) {
    return n == 1 ? QStringLiteral("1 output file exists already and will be replaced.")
                  : QString::number(n) + QStringLiteral(" output files exist already and will be replaced.");
}

QString Question(bool encrypt) {
    return QStringLiteral("Perform this ") + TxtEncDec(QStringLiteral("encryption"), encrypt) +
           QStringLiteral(" operation?");
}

} // namespace ConfirmationText
