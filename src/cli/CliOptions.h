#pragma once

#include <QString>
#include <QStringList>

// The one table of the command line's options and the one parser of its arguments, for every command:
// "zq4 encrypt|decrypt|verify [options] PATH...", "zq4 --run FILE.opn [options]" and "zq4 --randomness FOLDER
// [SPEC]". Every argument is decoded from its bytes (NativeName), so any name the system allows comes through.
namespace CliOptions {

enum class Command { Window, Encrypt, Decrypt, Verify, Run, Randomness, Help, Version };

struct Options {
    Command command = Command::Window;
    QStringList paths;        // encrypt, decrypt, verify: the paths; randomness: the optional spec
    QString operationFile;    // --run
    QString randomnessFolder; // --randomness
    QString output;           // -o: a folder, or for a stream a file
    QString keyfile;
    QString reportFile;
    bool keyFromStdin = false;
    bool recursive = false;
    bool inPlace = false;
    bool yes = false;
    bool overwrite = false;
    bool quiet = false;
    bool verbose = false;
    bool keepGoing = false;
    bool help = false; // with a subcommand: its help
    // Set by encrypt and decrypt, not by the parser: -o names the result of the one file named.
    bool outputIsFile = false;

    bool encrypt() const { return command == Command::Encrypt; }
    // "-" as the one path: standard input to standard output (or -o FILE).
    bool stream() const { return paths.size() == 1 && paths.first() == QLatin1String("-"); }
};

// Whether the arguments are for the command line rather than the window: anything but nothing, paths and the
// window system's own options (-platform, -style and the like).
bool forCommandLine(int argc, char* argv[]);

// The arguments after the program's name. False with what is wrong (for an unknown option or command, with
// what was probably meant).
bool parse(int argc, char* argv[], Options& options, QString& wrong);

// The help of a command (Window: the program's own help).
QString helpText(Command command);

} // namespace CliOptions
