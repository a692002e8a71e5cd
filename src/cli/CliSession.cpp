#include "cli/CliSession.h"

#include "cli/CliChecks.h"
#include "cli/CliRun.h"
#include "cli/CommandLine.h"
#include "cli/Console.h"
#include "cli/KeyInput.h"
#include "platform/os/MessageBox.h"

#include <QCoreApplication>

#include <fcntl.h>
#include <unistd.h>

namespace CliSession {

void printError(const QString& text) {
    Console::err(QCoreApplication::applicationName() + QStringLiteral(": ") + text + QLatin1Char('\n'));
}

PrintedMessages::PrintedMessages(CliRun*& run, const QString& about, const bool& plain) {
    MessageBox::setPresenter([&run, &about, &plain](const MessageBox::Shown& shown) {
        MessageBox::Button answer = MessageBox::Ok;
        if (shown.defaultButton != MessageBox::NoButton)
            answer = shown.defaultButton;
        else if ((shown.buttons & MessageBox::Yes) && (shown.buttons & MessageBox::No))
            answer = shown.title == QLatin1String("Abort?") ? MessageBox::No : MessageBox::Yes;
        else if (!(shown.buttons & MessageBox::Ok) && shown.buttons != MessageBox::NoButton)
            answer = static_cast<MessageBox::Button>(shown.buttons & -shown.buttons);
        QString text = Console::unixLines(shown.text);
        if (plain)
            text = Console::sentence(text.replace(QStringLiteral("\n\n"), QStringLiteral(" ")));
        else if (!shown.title.isEmpty())
            text = shown.title + QStringLiteral(": ") + text;
        if (!about.isEmpty() && !(run && run->isRunning()))
            text = about + QStringLiteral(": ") + text;
        if (shown.buttons & (MessageBox::Yes | MessageBox::No))
            text += answer == MessageBox::Yes ? QStringLiteral(" [answered Yes]") : QStringLiteral(" [answered No]");
        if (run && run->isRunning()) {
            run->makeRoomForMessage();
            if (shown.icon == MessageBox::Warning || shown.icon == MessageBox::Critical)
                run->noteProblem();
        }
        printError(text);
        return answer;
    });
}

PrintedMessages::~PrintedMessages() {
    MessageBox::setPresenter(nullptr);
}

bool readKey(frmKeyFrom& key, const QString& keyfile, bool fromStdin, KeyAsk ask, bool encrypt) {
    QString message;
    bool ok = true;
    if (!keyfile.isEmpty()) {
        ok = KeyInput::fromKeyfile(key, keyfile, message);
    } else if (fromStdin) {
        ok = KeyInput::fromStandardInput(key, encrypt, message);
    } else if (ask == KeyAsk::OnStandardInput && ::isatty(STDIN_FILENO)) {
        ok = KeyInput::fromStandardInput(key, encrypt, message);
    } else if (ask == KeyAsk::OnTerminal) {
        // Standard input carries the data: the key is typed on the terminal the command runs in.
        const int fd = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
        ok = fd >= 0 && ::isatty(fd);
        if (ok)
            ok = KeyInput::fromStandardInput(key, encrypt, message, fd);
        else
            message = QStringLiteral("no key: give --keyfile or --key-stdin (there is no terminal to type it on).");
        if (fd >= 0)
            ::close(fd);
    } else if (ask == KeyAsk::OnStandardInput) {
        ok = false, message = QStringLiteral("no key: give --keyfile or --key-stdin (standard input is not a "
                                             "terminal to type it on).");
    }
    if (!ok)
        printError(message);
    // The key's derivation (a third of a second or more) goes on while the launch checks look at the files.
    else if (encrypt && ask != KeyAsk::OnTerminal)
        LaunchSequence::BeginKeyDerivation(key);
    return ok;
}

int worse(int a, int b) {
    auto rank = [](int s) {
        return s == CommandLine::AllDone ? 0 : s == CommandLine::SomeNotDone ? 1 : s == CommandLine::Refused ? 2 : 3;
    };
    return rank(b) > rank(a) ? b : a;
}

int launchAndRun(Session& session, CliRun& run, const LaunchSequence::Front& front, QString& reportText,
                 bool& refused) {
    OperationSetup& setup = session.setup;
    refused = false;
    const LaunchSequence::Prepared prepared = LaunchSequence::PrepareRun(run, setup, session.key, front);
    // A signal during the size pass cuts the pass short; what it then found is no reason to refuse.
    if (run.stopWanted())
        return CommandLine::Stopped;
    if (prepared != LaunchSequence::Prepared::Launch) {
        refused = true;
        return CommandLine::Refused;
    }
    const qint64 matching =
        CliChecks::countMatchingFiles(run.strInputDirpath, run.strInputFilespec, setup.blnSubdirectories);
    run.ProcessFiles();
    // Duplicate output names, or an output that is another input: refused before a file of it was touched, and
    // the report is not written either.
    if (run.intOperationResult == -1 || run.intOperationResult == -3) {
        run.printReport(true);
        refused = true;
        return CommandLine::Refused;
    }
    if (run.stopWanted() && run.intOperationResult != -2)
        run.report().appendDirect(CliChecks::stoppedLine(qMax<qint64>(0, matching - run.intFilesAttempted)));
    run.printReport(true);
    reportText += run.report().text();
    if (run.intOperationResult == -2)
        return CommandLine::FolderInUse;
    if (run.stopWanted())
        return CommandLine::Stopped;
    if (run.intFilesProcessed < run.intFilesAttempted || run.problems() > 0)
        return CommandLine::SomeNotDone;
    return CommandLine::AllDone;
}

std::function<void(int)> stopHandler(CliRun& run) {
    return [&run](int) {
        if (!run.stopWanted()) {
            printError(QStringLiteral("stopping after the current file (signal again to abandon it)."));
            run.stop();
        } else if (!zq4e::cancel_requested()) {
            printError(QStringLiteral("abandoning the file in progress."));
            zq4e::request_cancel();
        }
    };
}

Runner::Runner(Session& session, CliRun::Output output, bool keepWholeReport, bool watchFirstFailures)
    : run(session.context, output), m_signals(stopHandler(run)) {
    run.setKeepWholeReport(keepWholeReport);
    session.current = &run;
    if (watchFirstFailures)
        firstFailures.watch(session.context);
    // Each file's line is seen by the run (a file not done is said) before the watch on the first files.
    session.context.afterFileLine = [this, watch = session.context.afterFileLine](const FileLine& line) {
        run.fileLineDone(line);
        return !watch || watch(line);
    };
}

bool Runner::ready() const {
    if (!m_engine.ok)
        printError(QStringLiteral("the engine's buffers could not be allocated."));
    return m_engine.ok;
}

} // namespace CliSession
