#pragma once

#include <QString>
#include <QStringList>

struct OperationSetup;

// The one-line commands, "zq4 encrypt [options] PATH..." and "zq4 decrypt [options] PATH...": each path, a
// file or a folder, becomes the setup of one run, which then goes through the same launch checks and the same
// run as an operation file. Results keep the input's name and add ".enc" (taken off again when decrypting).
namespace OneLineCommand {

inline constexpr char kExtension[] = "enc";

struct Request {
    bool encrypt = true;
    QStringList paths; // as given (their bytes kept)
    QString outputDir; // -o: empty for beside each input
    bool recursive = false;
    bool inPlace = false;
    bool yes = false;
    bool overwrite = false;
    bool quiet = false;
    bool keepGoing = false;
    bool keyFromStdin = false;
    bool help = false;
    QString keyfile;
    QString reportFile;
};

// The first argument is "encrypt" or "decrypt".
bool wanted(int argc, char* argv[]);
// The arguments after the program's name, their bytes kept. False with what is wrong.
bool parse(int argc, char* argv[], Request& request, QString& wrong);
QString helpText();

// Runs the command (argv[1] is "encrypt" or "decrypt") and returns the exit status.
int run(int argc, char* argv[]);

// The setup of one path (made absolute from the current folder). False with a message naming the path.
bool setupFor(const Request& request, const QString& path, OperationSetup& setup, QString& wrong);

} // namespace OneLineCommand
