#pragma once

#include <QString>

#include <functional>

class BatchRun;
class frmKeyFrom;
struct OperationSetup;

// The checks of "Do it!" in their fixed order and with their texts, for every front end: the window shows
// their messages, the command line prints them (both through the message box seam). The front ends differ
// only in the hooks below.
namespace LaunchSequence {

struct Front {
    // Offers the reliability test instead of the operation; true when that has ended the checks.
    std::function<bool()> divertToReliabilityTest;
    // Turns "Output file(s) same?" on with whatever goes with it in the front end. Unset: the setup alone.
    std::function<void()> turnOutputSameOn;
    // Called once the setup is in the run's request fields (the window captions its report then).
    std::function<void()> handedOver;
    // The confirmation; false declines the operation. Unset: confirmed.
    std::function<bool()> confirm;
    bool reliabilityTestRunning = false;
    // The key is read only once every check has passed (the command line): its absence is no failed check.
    bool keyFollows = false;
};

// From "Input file(s) not specified." to the subfolder rule; then, for new output files, the output folder
// (CheckOutputFolder) and output names that two inputs would share. False when a check failed (its message
// shown).
bool CheckSetup(OperationSetup& setup, const frmKeyFrom& key, const Front& front);

enum class Prepared {
    Launch,  // the run may start: the request is set and the key stretched to 64 characters
    Stopped, // declined, or a check failed
    Aborted, // stopped by the size pass or the space check (what a reliability test must learn)
};

// Begins deriving, on a thread of its own, the key that an encryption with this key uses, so that the run finds it
// ready, or nearly, at its first file and derives nothing itself. The command line calls it as soon as it has the
// key, so the launch checks go on meanwhile; PrepareRun calls it after the confirmation.
void BeginKeyDerivation(const frmKeyFrom& key);

// The setup handed to the run, the confirmation, the size pass and space check where needed (for an encryption
// with the key's derivation begun first), the key stretch. Nothing happens while the run is still in progress.
Prepared PrepareRun(BatchRun& run, const OperationSetup& setup, frmKeyFrom& key, const Front& front);

// The input folder can be read and holds a file matching spec, or a subfolder. Otherwise a message.
bool CheckInputFolder(const QString& inputDirpath, const QString& spec);

// The output folder exists, is a folder and can be written to, and with subfolders included it is not inside
// the input folder. Otherwise a message naming it.
bool CheckOutputFolder(const OperationSetup& setup);
// The folder lies somewhere below the other one, however either is spelled.
bool FolderIsBelow(const QString& folder, const QString& above);

// Two folders are one when they are the same folder on disk, however spelled; folders that do not exist
// are compared by their text.
bool SameFolder(const QString& a, const QString& b);

// Every matching file of the input folder would be written onto itself: the run works in place whatever
// the file patterns say.
bool OutputsAreInputs(const OperationSetup& setup);

} // namespace LaunchSequence
