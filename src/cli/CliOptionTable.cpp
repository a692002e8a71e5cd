#include "cli/CliOptionTable.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <vector>

namespace CliOptions {

namespace {

const OptionSpec kTable[] = {
    {"output", 'o', "DIR", kFiles, Field::Output,
     "put the results in DIR (with -r, in its same subfolders); of one file or -, the result"},
    {"recursive", 'r', nullptr, kFiles | kVerify, Field::Recursive,
     "take folders with their subfolders (otherwise a folder's own files only)"},
    {"in-place", 0, nullptr, kFiles, Field::InPlace, "replace each input by its result (the original is purged)"},
    {"yes", 0, nullptr, kFiles | kRun, Field::Yes, "confirm an operation in place"},
    {"overwrite", 0, nullptr, kFiles | kRun, Field::Overwrite, "replace output files that exist already"},
    {"keyfile", 0, "PATH", kFiles | kVerify | kRun, Field::Keyfile, "take the key from a keyfile"},
    {"key-stdin", 0, nullptr, kFiles | kVerify | kRun, Field::KeyStdin,
     "read the key as the first line of standard input"},
    {"keep-going", 0, nullptr, kDecrypt | kRun, Field::KeepGoing,
     "decrypt on when the first three files all fail to open with the key"},
    {"quiet", 'q', nullptr, kAll, Field::Quiet, "write nothing to standard output"},
    {"verbose", 'v', nullptr, kFiles | kVerify, Field::Verbose, "write the report of every file to standard output"},
    {"report", 0, "FILE", kFiles | kTopLevel, Field::Report, "also write the report to FILE"},
    {"run", 0, "FILE", kTopLevel, Field::Run, "run the operation the operation file FILE describes"},
    {"randomness", 0, "FOLDER", kTopLevel, Field::Randomness, "list the randomness of the files of FOLDER"},
    {"help", 'h', nullptr, kAll, Field::Help, "this text"},
    {"version", 0, nullptr, kTopLevel, Field::Version, "the program's version"},
};

const char* const kCommands[] = {"encrypt", "decrypt", "verify"};

// Edits (insert, delete, replace) from a to b.
int distance(const QByteArray& a, const QByteArray& b) {
    std::vector<int> row(size_t(b.size()) + 1);
    for (size_t j = 0; j < row.size(); ++j)
        row[j] = int(j);
    for (qsizetype i = 1; i <= a.size(); ++i) {
        int diagonal = row[0];
        row[0] = int(i);
        for (qsizetype j = 1; j <= b.size(); ++j) {
            const int above = row[size_t(j)];
            row[size_t(j)] = std::min({above + 1, row[size_t(j - 1)] + 1, diagonal + (a[i - 1] != b[j - 1])});
            diagonal = above;
        }
    }
    return row.back();
}

// The closest of the names within two edits (or starting with what was typed), or empty.
QByteArray closest(const QByteArray& typed, const std::vector<QByteArray>& names) {
    QByteArray best;
    int bestDistance = 3;
    for (const QByteArray& name : names) {
        const int d = name.startsWith(typed) && !typed.isEmpty() ? 1 : distance(typed, name);
        if (d < bestDistance)
            best = name, bestDistance = d;
    }
    return best;
}

} // namespace

unsigned commandBit(Command command) {
    switch (command) {
    case Command::Encrypt:
        return kEncrypt;
    case Command::Decrypt:
        return kDecrypt;
    case Command::Verify:
        return kVerify;
    case Command::Run:
        return kRun;
    case Command::Randomness:
        return kRandomness;
    default:
        return kTopLevel;
    }
}

const OptionSpec* find(QByteArrayView name) {
    for (const OptionSpec& spec : kTable) {
        if (name.startsWith("--") && name.sliced(2) == QByteArrayView(spec.longName))
            return &spec;
        if (spec.shortName && name.size() == 2 && name[0] == '-' && name[1] == spec.shortName)
            return &spec;
    }
    return nullptr;
}

const OptionSpec* table(int& count) {
    count = int(std::size(kTable));
    return kTable;
}

QString suggestion(QByteArrayView unknown, Command command) {
    QByteArray typed = unknown.toByteArray();
    while (typed.startsWith('-'))
        typed.remove(0, 1);
    typed = typed.toLower();
    // A command written as an option (--encrypt, -e) or misspelled (encrpyt): the command; within a command,
    // one of its own options first.
    std::vector<QByteArray> commands(std::begin(kCommands), std::end(kCommands));
    const QByteArray asCommand = closest(typed, commands);
    const bool atTop = command == Command::Window || command == Command::Run || command == Command::Randomness;
    std::vector<QByteArray> options;
    for (const OptionSpec& spec : kTable)
        if (spec.commands & commandBit(command))
            options.push_back(spec.longName);
    const QByteArray asOption =
        unknown.startsWith('-') && typed.size() > 1 && !atTop ? closest(typed, options) : QByteArray();
    if (!asOption.isEmpty())
        return QStringLiteral("; did you mean --") + QLatin1String(asOption) + QStringLiteral("?");
    if (!asCommand.isEmpty() && (atTop || typed.size() > 1))
        return QStringLiteral("; did you mean zq4 ") + QLatin1String(asCommand) + QStringLiteral("?");
    const QByteArray topOption = unknown.startsWith('-') && typed.size() > 1 ? closest(typed, options) : QByteArray();
    if (!topOption.isEmpty())
        return QStringLiteral("; did you mean --") + QLatin1String(topOption) + QStringLiteral("?");
    return QString();
}

} // namespace CliOptions
