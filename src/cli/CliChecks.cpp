#include "cli/CliChecks.h"

#include "batch/OperationSetup.h"
#include "batch/OutputSurvey.h"
#include "cli/Console.h"
#include "files/Folder.h"
#include "files/FolderListing.h"
#include "platform/os/MessageBox.h"

#include <QCoreApplication>

namespace {

const QString crlf = QStringLiteral("\r\n");

} // namespace

namespace CliChecks {

bool confirmed(const OperationSetup& setup, bool yes, bool overwrite) {
    OutputSurvey::Result outputs;
    if (!setup.blnOutputFilesSame)
        outputs = OutputSurvey::survey(OutputSurvey::planOf(setup));
    const bool inPlace = setup.blnOutputFilesSame || outputs.ownInputs > 0;
    // One line, no question: nobody is there to answer it.
    if (inPlace && !yes) {
        MessageBox::show(QStringLiteral("the operation works in place (each file is replaced by its result); give "
                                        "--yes to perform it."),
                         QString(), MessageBox::Warning);
        return false;
    }
    if (outputs.existing > 0 && !overwrite) {
        QString names = outputs.firstExisting.join(QStringLiteral(", "));
        if (outputs.existing > outputs.firstExisting.size())
            names += QStringLiteral(", ...");
        MessageBox::show((outputs.existing == 1
                              ? QStringLiteral("1 output file exists already")
                              : QString::number(outputs.existing) + QStringLiteral(" output files exist already")) +
                             QStringLiteral(" and would be replaced (") + names +
                             QStringLiteral("); give --overwrite to replace ") +
                             (outputs.existing == 1 ? QStringLiteral("it") : QStringLiteral("them")) +
                             QStringLiteral(". Nothing was done."),
                         QString(), MessageBox::Warning);
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
