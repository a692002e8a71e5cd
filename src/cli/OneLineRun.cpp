#include "cli/OneLineCommand.h"

#include "cli/CliLaunch.h"
#include "cli/CliSession.h"
#include "cli/CommandLine.h"
#include "cli/Console.h"
#include "cli/NamedPaths.h"
#include "cli/StreamCommand.h"
#include "cli/VerifyCommand.h"
#include "files/FileProc.h"
#include "platform/os/NativeName.h"
#include "platform/os/PathEntry.h"

#include <QFileInfo>

using namespace CliSession;

namespace {

// -o names a folder that is there and can be entered; said once for the whole command.
bool outputFolderIsThere(const QString& given) {
    const QString path = PathEntry::absolute(given);
    const PathEntry::Info entry = PathEntry::of(path, true);
    QString problem;
    if (entry.kind == PathEntry::Kind::Missing)
        problem = QStringLiteral("the output folder does not exist.");
    else if (entry.kind != PathEntry::Kind::Folder)
        problem = QStringLiteral("the output folder is not a folder.");
    if (!problem.isEmpty())
        printError(NativeName::shown(withTrailingSlash(given)) + QStringLiteral(": ") + problem);
    return problem.isEmpty();
}

// -o names the result itself: one file is named, and -o is no folder. A name that a pattern would read otherwise
// (wildcards, blanks at its ends) is refused, since the result would not get it.
bool outputNamesTheFile(const CliOptions::Options& options, QString& wrong) {
    if (options.output.isEmpty() || options.inPlace || options.paths.size() != 1 ||
        !PathEntry::isFile(PathEntry::absolute(options.paths.first())) ||
        PathEntry::isFolder(PathEntry::absolute(options.output)) || options.output.endsWith(QLatin1Char('/')))
        return false;
    const QString path = PathEntry::absolute(options.output);
    const QString name = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    if (name.contains(QLatin1Char('*')) || name.contains(QLatin1Char('?')) || name != name.trimmed() ||
        name == QLatin1String(".") || name == QLatin1String(".."))
        wrong = NativeName::shown(options.output) +
                QStringLiteral(": a result cannot be given this name here (it holds * or ?, or blanks at its ends).");
    return true;
}

} // namespace

namespace OneLineCommand {

int run(const CliOptions::Options& options) {
    if (options.stream())
        return StreamCommand::run(options);
    if (options.command == CliOptions::Command::Verify)
        return VerifyCommand::run(options);
    CliOptions::Options request = options;
    QString wrong;
    request.outputIsFile = outputNamesTheFile(options, wrong);
    if (!wrong.isEmpty()) {
        printError(wrong);
        return CommandLine::Refused;
    }
    const QString outputFolder = request.outputIsFile ? QFileInfo(options.output).path() : options.output;
    if (!outputFolder.isEmpty() && !outputFolderIsThere(outputFolder))
        return CommandLine::Refused;
    Session session;
    // Every path is looked at before a key is asked for or a file touched: each named once, none inside another.
    NamedPaths named(options.recursive);
    for (const QString& path : std::as_const(options.paths)) {
        OperationSetup one;
        if (!OneLineCommand::setupFor(request, path, one, wrong)) {
            printError(wrong);
            return CommandLine::Refused;
        }
        named.add(path, one);
    }
    if (!named.apart(wrong)) {
        printError(wrong);
        return CommandLine::Refused;
    }
    QList<CliLaunch::Planned> planned;
    for (const NamedPaths::Run& one : named.runs())
        planned << CliLaunch::Planned{one.setup, one.about};
    CliLaunch::Front front;
    front.ownFiles = {options.keyfile};
    front.ask = KeyAsk::OnStandardInput;
    front.output = options.verbose ? CliRun::Output::Report : CliRun::Output::Failures;
    front.plainMessages = true;
    return CliLaunch::run(session, planned, options, front);
}

} // namespace OneLineCommand
