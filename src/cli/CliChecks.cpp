#include "cli/CliChecks.h"

#include "app/OperationSetup.h"
#include "app/OutputSurvey.h"
#include "batch/ConfirmationText.h"
#include "cli/Console.h"
#include "files/Folder.h"
#include "files/FolderListing.h"
#include "platform/os/MessageBox.h"

#include <QCoreApplication>

namespace {

const QString crlf = QStringLiteral("\r\n");

void printError(const QString& text) {
    Console::err(QCoreApplication::applicationName() + QStringLiteral(": ") + text + QLatin1Char('\n'));
}

} // namespace

namespace CliChecks {

bool confirmed(const OperationSetup& setup, bool yes, bool overwrite) {
    OutputSurvey::Result outputs;
    if (!setup.blnOutputFilesSame)
        outputs = OutputSurvey::survey(OutputSurvey::planOf(setup));
    const bool inPlace = setup.blnOutputFilesSame || outputs.ownInputs > 0;
    if (inPlace && !yes) {
        const qint64 n = Folder::CountMatchingFiles(setup.strDirpath[0], setup.strFilespec[0], true);
        if (n < 0) {
            MessageBox::show(QStringLiteral("Error when attempting to count files in ") + setup.strDirpath[0] +
                                 QLatin1Char('.'),
                             QStringLiteral("Error"), MessageBox::Warning);
            return false;
        }
        ConfirmationText::Operation op;
        op.inputDirpath = setup.strDirpath[0];
        op.inputFilespec = setup.strFilespec[0];
        op.outputDirpath = setup.strDirpath[1];
        op.outputFilespec = setup.strFilespec[1];
        op.matchingFiles = n;
        op.subdirectories = setup.blnSubdirectories;
        op.outputFilesSame = setup.blnOutputFilesSame;
        op.encrypt = setup.blnEncrypt;
        op.existingOutputs = outputs.ownInputs + outputs.existing;
        Console::err(ConfirmationText::Description(op) + QLatin1Char('\n') + ConfirmationText::Question(op.encrypt) +
                     QLatin1Char('\n'));
        printError(QStringLiteral("the operation works in place; give --yes to perform it."));
        return false;
    }
    if (outputs.existing > 0 && !overwrite) {
        QString names = outputs.firstExisting.join(QStringLiteral(", "));
        if (outputs.existing > outputs.firstExisting.size())
            names += QStringLiteral(", ...");
        printError((outputs.existing == 1
                        ? QStringLiteral("1 output file exists already")
                        : QString::number(outputs.existing) + QStringLiteral(" output files exist already")) +
                   QStringLiteral(" and would be replaced (") + names +
                   QStringLiteral("); give --overwrite to replace them. Nothing was done."));
        return false;
    }
    return true;
}

qint64 countMatchingFiles(const QString& folder, const QString& spec, bool subfolders) {
    const Folder::Listing files = Folder::listMatchingFiles(folder, spec, Folder::Order::AsFound);
    qint64 n = files.ok ? files.names.size() : 0;
    if (subfolders) {
        const Folder::Listing below = Folder::listSubfolders(folder, Folder::Order::AsFound);
        if (below.ok)
            for (const QString& name : below.names)
                n += countMatchingFiles(folder + name + QLatin1Char('/'), spec, true);
    }
    return n;
}

QString stoppedLine(qint64 notReached) {
    return QStringLiteral("The run was stopped by a signal; ") +
           (notReached == 1 ? QStringLiteral("1 matching file was not reached.")
                            : QString::number(notReached) + QStringLiteral(" matching files were not reached.")) +
           crlf;
}

} // namespace CliChecks
