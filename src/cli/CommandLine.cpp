#include "cli/CommandLine.h"

#include "app/InputFolderRule.h"
#include "app/LaunchSequence.h"
#include "app/SetupFile.h"
#include "batch/OperationSetup.h"
#include "batch/RunContext.h"
#include "cli/CliChecks.h"
#include "cli/CliLaunch.h"
#include "cli/CliOptions.h"
#include "cli/CliRun.h"
#include "cli/CliSession.h"
#include "cli/Console.h"
#include "cli/OneLineCommand.h"
#include "cli/ReportFile.h"
#include "cli/StopSignals.h"
#include "files/FileProc.h"
#include "files/Folder.h"
#include "key/frmKeyFrom.h"
#include "platform/os/MessageBox.h"
#include "platform/os/NativeName.h"
#include "platform/os/PathEntry.h"

#include <QCoreApplication>
#include <QFile>

#include <cstring>

using namespace CliSession;

namespace {

using CliOptions::Options;

// Loading an operation file and settling its switches as the window does after "Load setup": output files
// the same take the input side; the subfolder switch needs a readable input folder that has subfolders,
// and with subfolders the output files are the same.
bool loadOperationFile(const QString& path, OperationSetup& setup) {
    // By the bytes of its name, as every path of the command line.
    const PathEntry::Kind kind = PathEntry::of(path, true).kind;
    if (kind == PathEntry::Kind::Missing) {
        MessageBox::show(QStringLiteral("File ") + NativeName::shown(path) + QStringLiteral(" not found!"),
                         QStringLiteral("Error when attempting to load setup."), MessageBox::Warning);
        return false;
    }
    SetupFileContents contents;
    if (kind == PathEntry::Kind::Folder || !SetupFile::LoadSetupFile(path, contents)) {
        MessageBox::show(QStringLiteral("Error when attempting to load setup from file ") + NativeName::shown(path) +
                             QLatin1Char('!'),
                         QStringLiteral("Error"), MessageBox::Warning);
        return false;
    }
    SetupFile::applyTo(contents, setup);
    if (setup.blnOutputFilesSame)
        setup.CopyInputToOutput();
    const QString folder = setup.strDirpath[0];
    if (folder.isEmpty())
        return true;
    const InputFolderRule::Outcome checked = InputFolderRule::apply(setup);
    if (checked.subfolders == -1) {
        setup.blnSubdirectories = false;
    } else if (checked.subfolders > 0 && setup.blnSubdirectories) {
        // The window turns the output to the input files here; an operation file that asks for new files is
        // not run in place behind its back.
        if (!setup.blnOutputFilesSame && !FileProc::IsAddedExtensionSpec(setup.strFilespec[1])) {
            printError(QStringLiteral("the operation file ") + path +
                       QStringLiteral(" asks for new output files with subfolders included, but with subfolders "
                                      "the output files must be the same as the input files; nothing was done."));
            return false;
        }
        if (setup.blnOutputFilesSame)
            setup.CopyInputToOutput();
    }
    return true;
}

int runOperation(const Options& options) {
    Session session;
    QList<CliLaunch::Planned> planned(1);
    if (!loadOperationFile(options.operationFile, planned[0].setup))
        return CommandLine::Refused;
    // The checks' messages say which operation they are about.
    planned[0].about = NativeName::shown(options.operationFile);
    CliLaunch::Front front;
    front.ownFiles = {options.operationFile, options.keyfile};
    front.output = options.quiet ? CliRun::Output::Quiet : CliRun::Output::Report;
    return CliLaunch::run(session, planned, options, front);
}

int listRandomness(const Options& options) {
    Session session;
    const ReportFile reportFile(options.reportFile);
    if (reportFile.wanted()) {
        const QString why = reportFile.refusal({}, {}, {});
        if (!why.isEmpty()) {
            printError(why);
            return CommandLine::Refused;
        }
    }
    const QString folder = withTrailingSlash(options.randomnessFolder);
    const QString spec = options.paths.isEmpty() ? QStringLiteral("*.*") : options.paths.first();
    const qint64 n = Folder::CountMatchingFiles(folder, spec, true);
    if (n < 0)
        return CommandLine::Refused;
    if (n == 0) {
        const bool wildcards = spec.contains(QLatin1Char('?')) || spec.contains(QLatin1Char('*'));
        MessageBox::show(wildcards ? QStringLiteral("There are no files in ") + folder + QStringLiteral(" matching ") +
                                         spec + QLatin1Char('.')
                                   : QStringLiteral("File ") + spec + QStringLiteral(" not found."),
                         QStringLiteral("Randomness report"), MessageBox::Warning);
        return CommandLine::Refused;
    }

    CliRun run(session.context, options.quiet ? CliRun::Output::Quiet : CliRun::Output::Report);
    session.current = &run;
    StopSignals stopSignals([&run](int) { run.stop(); });
    run.strNextDirPath = folder;
    run.strCurrentFileSpec = spec;
    run.blnPerformingOperation = false;
    run.blnRandomnessReport = true;
    run.ProcessFiles();
    run.printReport(true);
    int status = run.stopWanted()     ? CommandLine::Stopped
                 : run.problems() > 0 ? CommandLine::SomeNotDone
                                      : CommandLine::AllDone;
    if (reportFile.wanted() && !reportFile.write(run.report().text()) && status == CommandLine::AllDone)
        status = CommandLine::SomeNotDone;
    if (Console::outFailed()) {
        printError(QStringLiteral("standard output: the report could not be written."));
        status = worse(status, CommandLine::SomeNotDone);
    }
    return status;
}

} // namespace

namespace CommandLine {

bool wanted(int argc, char* argv[]) {
    return CliOptions::forCommandLine(argc, argv);
}

int run(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zq4"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ZQ4_VERSION));
    Options options;
    QString wrong;
    if (!CliOptions::parse(argc, argv, options, wrong)) {
        printError(wrong);
        return Refused;
    }
    using CliOptions::Command;
    if (options.command == Command::Help || options.help) {
        Console::out(CliOptions::helpText(options.command));
        return Console::outFailed() ? SomeNotDone : AllDone;
    }
    switch (options.command) {
    case Command::Version:
        Console::out(QStringLiteral("zq4 ") + QCoreApplication::applicationVersion() + QLatin1Char('\n'));
        return Console::outFailed() ? SomeNotDone : AllDone;
    case Command::Run:
        return runOperation(options);
    case Command::Randomness:
        return listRandomness(options);
    default:
        return OneLineCommand::run(options);
    }
}

} // namespace CommandLine
