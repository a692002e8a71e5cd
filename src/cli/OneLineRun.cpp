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

#include <QHash>

using namespace CliSession;

namespace {

// -o names a folder that is there and can be entered; said once for the whole command.
bool outputFolderIsThere(const QString& given) {
    const QString path = OneLineCommand::absolute(given);
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

} // namespace

namespace OneLineCommand {

int run(const CliOptions::Options& options) {
    if (options.stream())
        return StreamCommand::run(options);
    if (options.command == CliOptions::Command::Verify)
        return VerifyCommand::run(options);
    if (!options.output.isEmpty() && !outputFolderIsThere(options.output))
        return CommandLine::Refused;
    Session session;
    // Every path is looked at before a key is asked for or a file touched: each named once, none inside another.
    NamedPaths named(options.recursive);
    for (const QString& path : std::as_const(options.paths)) {
        OperationSetup one;
        QString wrong;
        if (!OneLineCommand::setupFor(options, path, one, wrong)) {
            printError(wrong);
            return CommandLine::Refused;
        }
        named.add(path, one);
    }
    QString wrong;
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
