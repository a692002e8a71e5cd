#pragma once

#include "app/LaunchSequence.h"
#include "batch/FileLine.h"
#include "batch/OperationSetup.h"
#include "batch/RunContext.h"
#include "cli/CliRun.h"
#include "cli/StopSignals.h"
#include "key/KeyDescription.h"
#include "key/frmKeyFrom.h"
#include "platform/engine/Engine.h"

#include <QString>

#include <functional>

// What the actions of the command line share: the session they run in (a setup and a key of their own, the
// messages of the window printed), the key read, a run launched and its exit status, the stop signals.
namespace CliSession {

// "zq4: " and the text, on standard error.
void printError(const QString& text);

// What the window would show in a box is printed on standard error. A question is answered the way that
// lets the run go on without touching a doubtful file: its default answer when it has one, never "abort".
// about: what the checks under way are about (a path of a one-line command), named before their messages.
class PrintedMessages {
public:
    // plain: in the command line's own voice, "zq4: ABOUT: what is wrong." (no title, lower case, a full stop).
    PrintedMessages(CliRun*& run, const QString& about, const bool& plain);
    ~PrintedMessages();
};

// What an action of the command line runs in: a setup and a key of its own, its messages printed.
struct Session {
    OperationSetup setup;
    frmKeyFrom key;
    RunContext context{setup, key};
    CliRun* current = nullptr; // the run under way, for the printed messages
    QString messagesAbout;
    bool plainMessages = false;
    PrintedMessages messages{current, messagesAbout, plainMessages};
    // Whichever way the program ends, no key material is left behind in its memory.
    ~Session() { EraseKeyMaterial(key); }
};

// Where a key given neither by --keyfile nor --key-stdin is asked for: nowhere (--run), on standard input when
// it is a terminal (encrypt, decrypt), on the command's terminal (a stream, whose standard input is the data).
enum class KeyAsk { No, OnStandardInput, OnTerminal };

// The key of a run: a keyfile, a line of standard input, or (where asked for) typed on the terminal. False with
// the message printed. For an encryption of files, the key's derivation begins as soon as the key is read.
bool readKey(frmKeyFrom& key, const QString& keyfile, bool fromStdin, KeyAsk ask, bool encrypt);

// A decryption whose first files all fail to open stops there: the key is almost certainly the wrong one, and
// trying it on thousands more files only fills the report with the same line.
class FirstFailures {
public:
    static constexpr int kFiles = 3;
    void watch(RunContext& context) {
        context.afterFileLine = [this](const FileLine& line) {
            if (m_seen >= kFiles)
                return true;
            ++m_seen;
            if (line.code != zq4e::InvalidCipherFile) {
                m_seen = kFiles;
                return true;
            }
            m_stopped = m_seen == kFiles;
            return !m_stopped;
        };
    }
    bool stopped() const { return m_stopped; }
    static QString text() {
        return QStringLiteral("the first ") + QString::number(kFiles) +
               QStringLiteral(" files could not be decrypted with this key (it is not the key they were encrypted "
                              "with, or they are not files of ours), so the run was stopped; give --keep-going to "
                              "try every file.");
    }

private:
    int m_seen = 0;
    bool m_stopped = false;
};

// The worst of two exit statuses: a folder in use or a stop outweighs files not done, which outweigh success.
int worse(int a, int b);

// One run of the setup in the session, its launch checks passed: the confirmation, the size pass and space
// check, the run, its report printed (and added to reportText). The exit status; refused: nothing was touched.
int launchAndRun(Session& session, CliRun& run, const LaunchSequence::Front& front, QString& reportText, bool& refused);

// What a run's first signal and second signal do: stop after the current file, then abandon it (the engine
// removes what it had written of it, the input stays as it was).
std::function<void(int)> stopHandler(CliRun& run);

// The engine's buffers for the length of an action.
struct EngineBuffers {
    bool ok = zq4e::allocate_buffers() != 0;
    ~EngineBuffers() { zq4e::deallocate_buffers(); }
};

// What an action needs once its key is read, for as long as it runs: the engine's buffers, the run that prints
// its report (whole only when a report file wants it), the stop signals and, decrypting, the watch on the first
// files.
class Runner {
public:
    Runner(Session& session, CliRun::Output output, bool keepWholeReport, bool watchFirstFailures);
    // False, with the message printed, when the engine's buffers could not be had.
    bool ready() const;

private:
    EngineBuffers m_engine;

public:
    CliRun run;
    FirstFailures firstFailures;

private:
    StopSignals m_signals;
};

} // namespace CliSession
