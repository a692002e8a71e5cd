#pragma once

// The command-line front end: an operation file run without the window, and the randomness listing as
// text. It uses the same launch checks, batch run and texts as the window.
namespace CommandLine {

// Exit statuses of a run.
enum Status {
    AllDone = 0,     // every file done
    SomeNotDone = 1, // the run ended with some files not done
    Refused = 2,     // the operation file, the key or an option is wrong, or a launch check failed
    Stopped = 3,     // stopped by a signal after the current file
    FolderInUse = 4, // another run holds the folder
};

// The arguments ask for the command line rather than the window: an option with two dashes, -h or -v.
// The window's own options (those of Qt: -platform, -style and so on) take one dash.
bool wanted(int argc, char* argv[]);

// Runs the command line and returns the exit status.
int run(int argc, char* argv[]);

} // namespace CommandLine
