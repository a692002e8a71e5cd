#include "cli/OneLineCommand.h"

#include "app/OutputSurvey.h"
#include "cli/CliChecks.h"
#include "cli/CliRun.h"
#include "cli/CliSession.h"
#include "cli/CommandLine.h"
#include "cli/Console.h"
#include "cli/ReportFile.h"
#include "files/FileIdentity.h"
#include "platform/os/NativeName.h"

#include <QHash>
#include <QPair>

using namespace CliSession;

namespace {

// The runs of one command do not write one output twice (or over another run's input): each run checks its
// own outputs, this checks them across the runs. False with the message printed.
bool outputsAreApart(const QList<OperationSetup>& setups) {
    QHash<QString, QString> taken; // case-folded output path -> input path
    QString clash;
    for (const OperationSetup& one : setups) {
        OutputSurvey::Plan plan = OutputSurvey::planOf(one);
        if (one.blnOutputFilesSame)
            plan.outputSpec = QStringLiteral("*.*");
        plan.each = [&](const QString& input, const QString& output) {
            const QString key = output.toCaseFolded();
            const auto earlier = taken.constFind(key);
            if (clash.isEmpty() && earlier != taken.cend() && *earlier != input)
                clash = NativeName::shown(*earlier) + QStringLiteral(" and ") + NativeName::shown(input) +
                        QStringLiteral(" would both be written to ") + NativeName::shown(output) +
                        QStringLiteral("; nothing was done.");
            taken.insert(key, input);
        };
        OutputSurvey::survey(plan);
    }
    if (!clash.isEmpty())
        printError(clash);
    return clash.isEmpty();
}

} // namespace

namespace OneLineCommand {

int run(int argc, char* argv[]) {
    OneLineCommand::Request request;
    QString wrong;
    if (!OneLineCommand::parse(argc, argv, request, wrong)) {
        printError(wrong);
        return CommandLine::Refused;
    }
    if (request.help) {
        Console::out(OneLineCommand::helpText());
        return CommandLine::AllDone;
    }
    Session session;
    // Every path is looked at before a key is asked for or a file touched.
    QList<OperationSetup> setups;
    QStringList shownPaths;
    QList<QPair<dev_t, ino_t>> seen;
    for (const QString& path : std::as_const(request.paths)) {
        OperationSetup one;
        if (!OneLineCommand::setupFor(request, path, one, wrong)) {
            printError(wrong);
            return CommandLine::Refused;
        }
        // A path named twice (or by two spellings) is one run.
        const FileStamp stamp = FileStamp::of(path);
        if (stamp.valid && seen.contains(qMakePair(stamp.device, stamp.inode)))
            continue;
        seen << qMakePair(stamp.device, stamp.inode);
        setups << one;
        shownPaths << NativeName::shown(path);
    }
    const ReportFile reportFile(request.reportFile);
    if (reportFile.wanted()) {
        QStringList folders, below;
        for (const OperationSetup& one : std::as_const(setups)) {
            folders << one.strDirpath[0] << one.strDirpath[1];
            if (one.blnSubdirectories)
                below << one.strDirpath[0] << one.strDirpath[1];
        }
        const QString why = reportFile.refusal({request.keyfile}, folders, below);
        if (!why.isEmpty()) {
            printError(why);
            return CommandLine::Refused;
        }
    }
    if (!readKey(session.key, request.keyfile, request.keyFromStdin, true, request.encrypt))
        return CommandLine::Refused;

    Runner runner(session, request.quiet, reportFile.wanted(), !request.encrypt && !request.keepGoing);
    if (!runner.ready())
        return CommandLine::Refused;
    CliRun& run = runner.run;
    const FirstFailures& firstFailures = runner.firstFailures;
    LaunchSequence::Front front;
    front.confirm = [&] { return CliChecks::confirmed(session.setup, request.yes, request.overwrite); };

    // Every launch check of every path before the first file is touched: exit 2 leaves everything as it was.
    if (setups.size() > 1 && !outputsAreApart(setups))
        return CommandLine::Refused;
    for (qsizetype i = 0; i < setups.size(); ++i) {
        session.setup = setups[i];
        session.messagesAbout = shownPaths[i];
        if (!LaunchSequence::CheckSetup(session.setup, session.key, front) || !front.confirm())
            return CommandLine::Refused;
        setups[i] = session.setup;
    }
    QString reportText;
    int status = CommandLine::AllDone;
    for (qsizetype i = 0; i < setups.size(); ++i) {
        session.setup = setups[i];
        session.messagesAbout = shownPaths[i];
        bool refused = false;
        const int one = launchAndRun(session, run, front, reportText, refused);
        // After the first run a refusal is no longer "nothing touched".
        status = worse(status, refused && i > 0 ? CommandLine::SomeNotDone : one);
        if (refused && i == 0)
            return one;
        if (firstFailures.stopped()) {
            printError(FirstFailures::text());
            status = worse(status, CommandLine::SomeNotDone);
            break;
        }
        if (run.stopWanted() || status == CommandLine::FolderInUse)
            break;
    }
    if (reportFile.wanted() && !reportFile.write(reportText) && status == CommandLine::AllDone)
        status = CommandLine::SomeNotDone;
    return status;
}

} // namespace OneLineCommand
