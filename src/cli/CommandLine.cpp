#include "cli/CommandLine.h"

#include "app/DiskProc.h"
#include "app/LaunchSequence.h"
#include "app/OperationSetup.h"
#include "app/SetupFile.h"
#include "batch/RunContext.h"
#include "cli/CliChecks.h"
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

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <cstring>

using namespace CliSession;

namespace {

const QString crlf = QStringLiteral("\r\n");

struct Options {
    QString operationFile;
    QString randomnessFolder;
    QString randomnessSpec;
    QString keyfile;
    bool keyFromStdin = false;
    bool yes = false;
    bool overwrite = false;
    QString reportFile;
    bool quiet = false;
    bool keepGoing = false;
};

// Loading an operation file and settling its switches as the window does after "Load setup": output files
// the same take the input side; the subfolder switch needs a readable input folder that has subfolders,
// and with subfolders the output files are the same.
bool loadOperationFile(const QString& path, OperationSetup& setup) {
    if (!QFileInfo::exists(path)) {
        MessageBox::show(QStringLiteral("File ") + path + QStringLiteral(" not found!"),
                         QStringLiteral("Error when attempting to load setup."), MessageBox::Warning);
        return false;
    }
    SetupFileContents contents;
    if (QFileInfo(path).isDir() || !SetupFile::LoadSetupFile(path, contents)) {
        MessageBox::show(QStringLiteral("Error when attempting to load setup from file ") + path + QLatin1Char('!'),
                         QStringLiteral("Error"), MessageBox::Warning);
        return false;
    }
    setup.takeFrom(contents);
    if (setup.blnOutputFilesSame)
        setup.CopyInputToOutput();
    const QString folder = setup.strDirpath[0];
    if (folder.isEmpty())
        return true;
    const qint64 subfolders = Folder::CountSubfolders(folder);
    if (subfolders == -1) {
        if (DiskProc::DriveAccessible(folder))
            MessageBox::show(QStringLiteral("Error when attempting to access ") + folder + QStringLiteral("."),
                             QStringLiteral("Error"), MessageBox::Warning);
        setup.strDirpath[0].clear();
        setup.strFilespec[0].clear();
        if (folder == setup.strDirpath[1] || setup.blnOutputFilesSame) {
            setup.strDirpath[1].clear();
            setup.strFilespec[1].clear();
        }
        setup.blnSubdirectories = false;
    } else if (subfolders == 0) {
        setup.blnSubdirectories = false;
    } else if (setup.blnSubdirectories) {
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
    OperationSetup& setup = session.setup;
    if (!loadOperationFile(options.operationFile, setup))
        return CommandLine::Refused;
    // Before anything else: the report must not land on a file of the run or among the files it works on.
    const ReportFile reportFile(options.reportFile);
    if (reportFile.wanted()) {
        const QString why =
            reportFile.refusal({options.operationFile, options.keyfile}, {setup.strDirpath[0], setup.strDirpath[1]},
                               setup.blnSubdirectories ? QStringList{setup.strDirpath[0]} : QStringList{});
        if (!why.isEmpty()) {
            printError(why);
            return CommandLine::Refused;
        }
    }
    if (!readKey(session.key, options.keyfile, options.keyFromStdin, false, setup.blnEncrypt))
        return CommandLine::Refused;

    Runner runner(session, options.quiet, reportFile.wanted(), !setup.blnEncrypt && !options.keepGoing);
    if (!runner.ready())
        return CommandLine::Refused;
    CliRun& run = runner.run;
    const FirstFailures& firstFailures = runner.firstFailures;

    LaunchSequence::Front front;
    front.confirm = [&] { return CliChecks::confirmed(setup, options.yes, options.overwrite); };
    // The checks' messages say which operation they are about.
    session.messagesAbout = NativeName::shown(options.operationFile);
    if (!LaunchSequence::CheckSetup(setup, session.key, front))
        return CommandLine::Refused;
    QString reportText;
    bool refused = false;
    int status = launchAndRun(session, run, front, reportText, refused);
    if (refused)
        return status;
    if (firstFailures.stopped()) {
        printError(FirstFailures::text());
        status = worse(status, CommandLine::SomeNotDone);
    }
    if (reportFile.wanted() && !reportFile.write(reportText) && status == CommandLine::AllDone)
        status = CommandLine::SomeNotDone;
    return status;
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
    const QString spec = options.randomnessSpec.isEmpty() ? QStringLiteral("*.*") : options.randomnessSpec;
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

    CliRun run(session.context, options.quiet);
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
    return status;
}

} // namespace

namespace CommandLine {

bool wanted(int argc, char* argv[]) {
    if (OneLineCommand::wanted(argc, argv))
        return true;
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (std::strncmp(a, "--", 2) == 0 || std::strcmp(a, "-h") == 0 || std::strcmp(a, "-v") == 0 ||
            std::strcmp(a, "-?") == 0)
            return true;
    }
    return false;
}

int run(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zq4"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ZQ4_VERSION));
    if (OneLineCommand::wanted(argc, argv))
        return OneLineCommand::run(argc, argv);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("File encryption workbench.\n\n"
                       "  zq4 encrypt [options] PATH...    encrypt files and folders (see zq4 encrypt --help)\n"
                       "  zq4 decrypt [options] PATH...    decrypt them again\n"
                       "  zq4 [PATH]                       the window (set up for PATH)\n"
                       "  zq4 --run FILE.opn [options]     run the operation the operation file describes\n"
                       "  zq4 --randomness FOLDER [SPEC]   list the randomness of the matching files\n\n"
                       "Exit status: 0 every file done; 1 some files not done, or the report could not be\n"
                       "written; 2 the operation file, the key, an option or a launch check is wrong, or output\n"
                       "files exist already without --overwrite (nothing touched); 3 stopped by a signal;\n"
                       "4 another run holds the folder."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption runOption(QStringLiteral("run"), QStringLiteral("Run the operation of <file>."),
                                       QStringLiteral("file"));
    const QCommandLineOption randomness(QStringLiteral("randomness"),
                                        QStringLiteral("List the randomness of the files in <folder>."),
                                        QStringLiteral("folder"));
    const QCommandLineOption keyfile(QStringLiteral("keyfile"), QStringLiteral("Take the key from <path>."),
                                     QStringLiteral("path"));
    const QCommandLineOption keyStdin(QStringLiteral("key-stdin"),
                                      QStringLiteral("Read the key as one line of standard input."));
    const QCommandLineOption yes(QStringLiteral("yes"),
                                 QStringLiteral("Perform an operation in place (the input files are replaced)."));
    const QCommandLineOption overwrite(QStringLiteral("overwrite"),
                                       QStringLiteral("Replace output files that exist already."));
    const QCommandLineOption report(QStringLiteral("report"), QStringLiteral("Also write the report to <file>."),
                                    QStringLiteral("file"));
    const QCommandLineOption quiet(QStringLiteral("quiet"), QStringLiteral("Write no report to standard output."));
    const QCommandLineOption keepGoing(QStringLiteral("keep-going"),
                                       QStringLiteral("Decrypt on when the first three files all fail to open."));
    parser.addOptions({runOption, randomness, keyfile, keyStdin, yes, overwrite, report, quiet, keepGoing});
    parser.addPositionalArgument(QStringLiteral("spec"),
                                 QStringLiteral("With --randomness: the file specification (default *.*)."),
                                 QStringLiteral("[spec]"));

    if (!parser.parse(QCoreApplication::arguments())) {
        printError(parser.errorText());
        return Refused;
    }
    if (parser.isSet(help)) {
        // The usage line names the program as it is called, not by the path it was started from.
        QString text = parser.helpText();
        const QString started = QCoreApplication::arguments().constFirst();
        text.replace(text.indexOf(started), started.size(), QStringLiteral("zq4"));
        Console::out(text);
        return AllDone;
    }
    if (parser.isSet(version)) {
        Console::out(QStringLiteral("zq4 ") + QCoreApplication::applicationVersion() + QLatin1Char('\n'));
        return AllDone;
    }

    Options options;
    options.operationFile = parser.value(runOption);
    options.randomnessFolder = parser.value(randomness);
    options.keyfile = parser.value(keyfile);
    options.keyFromStdin = parser.isSet(keyStdin);
    options.yes = parser.isSet(yes);
    options.overwrite = parser.isSet(overwrite);
    options.reportFile = parser.value(report);
    options.quiet = parser.isSet(quiet);
    options.keepGoing = parser.isSet(keepGoing);
    const QStringList positional = parser.positionalArguments();

    QString wrong;
    if (parser.isSet(runOption) == parser.isSet(randomness))
        wrong = QStringLiteral("give either --run or --randomness (see --help).");
    else if (parser.values(runOption).size() > 1 || parser.values(randomness).size() > 1 ||
             parser.values(keyfile).size() > 1 || parser.values(report).size() > 1)
        wrong = QStringLiteral("an option is given more than once.");
    else if (parser.isSet(runOption) && options.operationFile.isEmpty())
        wrong = QStringLiteral("--run needs an operation file.");
    else if (parser.isSet(randomness) && options.randomnessFolder.isEmpty())
        wrong = QStringLiteral("--randomness needs a folder.");
    else if (parser.isSet(keyfile) && options.keyfile.isEmpty())
        wrong = QStringLiteral("--keyfile needs a path.");
    else if (parser.isSet(report) && options.reportFile.isEmpty())
        wrong = QStringLiteral("--report needs a file.");
    else if (parser.isSet(keyfile) && options.keyFromStdin)
        wrong = QStringLiteral("give the key either with --keyfile or with --key-stdin, not both.");
    else if (parser.isSet(randomness) &&
             (parser.isSet(keyfile) || options.keyFromStdin || options.yes || options.overwrite))
        wrong = QStringLiteral("--keyfile, --key-stdin, --yes and --overwrite belong to --run.");
    else if (parser.isSet(runOption) && !positional.isEmpty())
        wrong = QStringLiteral("unexpected argument ") + positional.first() + QLatin1Char('.');
    else if (positional.size() > 1)
        wrong = QStringLiteral("unexpected argument ") + positional.at(1) + QLatin1Char('.');
    if (!wrong.isEmpty()) {
        printError(wrong);
        return Refused;
    }
    options.randomnessSpec = positional.value(0);
    return parser.isSet(runOption) ? runOperation(options) : listRandomness(options);
}

} // namespace CommandLine
