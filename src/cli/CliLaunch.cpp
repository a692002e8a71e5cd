#include "cli/CliLaunch.h"

#include "app/LaunchSequence.h"
#include "batch/OutputSurvey.h"
#include "cli/CliChecks.h"
#include "cli/CommandLine.h"
#include "cli/Console.h"
#include "cli/KeyInput.h"
#include "cli/ReportFile.h"
#include "files/FolderListingCache.h"
#include "key/KeyMaterial.h"
#include "key/frmKeyFrom.h"
#include "platform/os/MessageBox.h"
#include "platform/os/NativeName.h"
#include "platform/os/PathEntry.h"

#include <QHash>

#include <cstring>

using namespace CliSession;

namespace {

// The runs of one command do not write one output twice (or over another run's input): each run checks its
// own outputs, this checks them across the runs. False with the message printed.
bool outputsAreApart(const QList<CliLaunch::Planned>& planned) {
    QHash<QString, QString> taken; // case-folded output path -> input path
    QString clash;
    for (const CliLaunch::Planned& one : planned) {
        OutputSurvey::Plan plan = OutputSurvey::planOf(one.setup);
        if (one.setup.blnOutputFilesSame)
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

// Standard output could not take what was written to it: the run is not done as asked.
int afterStandardOutput(int status) {
    if (!Console::outFailed())
        return status;
    printError(QStringLiteral("standard output: the report could not be written (") +
               QString::fromLocal8Bit(std::strerror(Console::outError())) + QStringLiteral(")."));
    return worse(status, CommandLine::SomeNotDone);
}

// The key of a keyfile that is a plain file is read without a word before the checks, and its derivation (a
// quarter of a second or more) begins while they look at the files. Nothing is said or taken from it: the key is
// read again, as always, once the checks have passed; a refusal abandons the derivation.
void beginDerivationEarly(const QString& keyfile) {
    frmKeyFrom key;
    QString message;
    if (KeyInput::fromKeyfile(key, keyfile, message))
        LaunchSequence::BeginKeyDerivation(key);
    for (QByteArray* secret : {&key.strKey, &key.strKeyAsInput, &key.strNewKey, &key.strKeyDigest})
        KeyMaterial::wipe(*secret);
}

} // namespace

namespace CliLaunch {

namespace {

// The report must not land on a file of the run or among the files it works on; false with the message printed.
bool reportFileAllowed(const ReportFile& reportFile, const QList<Planned>& planned, const Front& how) {
    if (!reportFile.wanted())
        return true;
    QStringList folders, below;
    for (const Planned& one : planned) {
        folders << one.setup.strDirpath[0] << one.setup.strDirpath[1];
        if (one.setup.blnSubdirectories)
            below << one.setup.strDirpath[0] << one.setup.strDirpath[1];
    }
    const QString why = reportFile.refusal(how.ownFiles, folders, below);
    if (!why.isEmpty())
        printError(why);
    return why.isEmpty();
}

// Every launch check of every setup, each confirmed; false at the first refusal.
bool everySetupChecked(Session& session, QList<Planned>& planned, LaunchSequence::Front& front) {
    if (planned.size() > 1 && !outputsAreApart(planned))
        return false;
    for (Planned& one : planned) {
        session.setup = one.setup;
        session.messagesAbout = one.about;
        if (!LaunchSequence::CheckSetup(session.setup, session.key, front) || !front.confirm())
            return false;
        one.setup = session.setup;
    }
    session.messagesAbout.clear();
    return true;
}

// "3 files were not done." and the like, when the report itself is not shown.
void printCount(qint64 n, const QString& what) {
    if (n > 0)
        printError(QString::number(n) + (n == 1 ? QStringLiteral(" file was") : QStringLiteral(" files were")) + what);
}

} // namespace

int run(Session& session, QList<Planned>& planned, const CliOptions::Options& options, const Front& how) {
    session.plainMessages = how.plainMessages;
    // Each folder is read once for the checks, the count, the survey, the size pass and the run.
    const Folder::ListingScope listings;
    // Before anything else: the report's place.
    const ReportFile reportFile(options.reportFile);
    if (!reportFileAllowed(reportFile, planned, how))
        return CommandLine::Refused;
    const bool keyFollows = !options.keyfile.isEmpty() || options.keyFromStdin || how.ask != KeyAsk::No;
    LaunchSequence::Front front;
    front.keyFollows = keyFollows;
    front.confirm = [&] { return CliChecks::confirmed(session.setup, options.yes, options.overwrite); };
    const bool encrypt = !planned.isEmpty() && planned.first().setup.blnEncrypt;
    if (encrypt && !options.keyfile.isEmpty() && PathEntry::isFile(options.keyfile))
        beginDerivationEarly(options.keyfile);
    // Every check before the key is read and the first file touched: exit 2 leaves everything as it was.
    if (!everySetupChecked(session, planned, front))
        return CommandLine::Refused;
    if (keyFollows && !readKey(session.key, options.keyfile, options.keyFromStdin, how.ask, encrypt))
        return CommandLine::Refused;
    // A key typed or piped in (a keyfile that is a pipe too) may have kept the launch waiting: the folders are
    // read again.
    if (keyFollows && (options.keyFromStdin || !PathEntry::isFile(options.keyfile)))
        Folder::forgetListings();

    Runner runner(session, how.output, reportFile.wanted(), !encrypt && !options.keepGoing);
    if (!runner.ready())
        return CommandLine::Refused;
    CliRun& run = runner.run;
    QString reportText;
    int status = CommandLine::AllDone;
    for (qsizetype i = 0; i < planned.size(); ++i) {
        session.setup = planned[i].setup;
        session.messagesAbout = planned[i].about;
        bool refused = false;
        const int one = launchAndRun(session, run, front, reportText, refused);
        // The next run reads afresh what this one may have written.
        Folder::forgetListings();
        // After the first run a refusal is no longer "nothing touched".
        status = worse(status, refused && i > 0 ? CommandLine::SomeNotDone : one);
        if (refused && i == 0)
            return afterStandardOutput(one);
        if (runner.firstFailures.stopped()) {
            printError(FirstFailures::text());
            status = worse(status, CommandLine::SomeNotDone);
            break;
        }
        if (run.stopWanted() || status == CommandLine::FolderInUse)
            break;
    }
    // Quiet success: a summary only when something was not done.
    if (how.output != CliRun::Output::Report) {
        printCount(run.filesNotDone(), QStringLiteral(" not done."));
        printCount(run.filesEncryptedTwice(), QStringLiteral(" encrypted twice."));
    }
    if (reportFile.wanted() && !reportFile.write(reportText) && status == CommandLine::AllDone)
        status = CommandLine::SomeNotDone;
    return afterStandardOutput(status);
}

} // namespace CliLaunch
