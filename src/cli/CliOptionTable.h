#pragma once

#include "cli/CliOptions.h"

#include <QByteArrayView>
#include <QString>

// The rows of the option table, shared by the parser and the help (CliOptions.h is the interface).
namespace CliOptions {

enum class Field {
    Output,
    Keyfile,
    Report,
    Run,
    Randomness,
    KeyStdin,
    Recursive,
    InPlace,
    Yes,
    Overwrite,
    Quiet,
    Verbose,
    KeepGoing,
    Help,
    Version
};

enum CommandBits : unsigned {
    kEncrypt = 1,
    kDecrypt = 2,
    kVerify = 4,
    kRun = 8,
    kRandomness = 16,
    kTopLevel = kRun | kRandomness,
    kFiles = kEncrypt | kDecrypt,
    kAll = kFiles | kVerify | kTopLevel,
};

struct OptionSpec {
    const char* longName;  // without its dashes
    char shortName;        // 0: none
    const char* valueName; // null: a switch
    unsigned commands;     // CommandBits where it belongs
    Field field;
    const char* help;
};

unsigned commandBit(Command command);
// The row of "--name" or "-n"; null when there is none.
const OptionSpec* find(QByteArrayView name);
// Every row, in the order the help lists them.
const OptionSpec* table(int& count);
// " (did you mean ...?)" for an unknown option or command, or empty when nothing is close.
QString suggestion(QByteArrayView unknown, Command command);

} // namespace CliOptions
