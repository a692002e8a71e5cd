#include "cli/CliOptionTable.h"

namespace CliOptions {

namespace {

const char kExitStatus[] =
    "Exit status: 0 every file done; 1 some files not done, or the report could not be written; 2 a path, the key,\n"
    "an option or a check is wrong (nothing touched); 3 stopped by a signal; 4 another run holds a folder.\n";

QString optionLines(unsigned bits) {
    int count = 0;
    const OptionSpec* rows = table(count);
    QString text = QStringLiteral("Options:\n");
    for (int i = 0; i < count; ++i) {
        const OptionSpec& row = rows[i];
        if (!(row.commands & bits))
            continue;
        QString name = row.shortName ? QStringLiteral("-") + QLatin1Char(row.shortName) + QStringLiteral(", ")
                                     : QStringLiteral("    ");
        name += QStringLiteral("--") + QLatin1String(row.longName);
        if (row.valueName)
            name += QLatin1Char(' ') + QLatin1String(row.valueName);
        text += QStringLiteral("  ") + name.leftJustified(24) + QLatin1Char(' ') + QLatin1String(row.help) +
                QLatin1Char('\n');
    }
    return text;
}

} // namespace

QString helpText(Command command) {
    switch (command) {
    case Command::Encrypt:
    case Command::Decrypt:
        return QStringLiteral(
                   "Usage: zq4 encrypt [options] PATH...\n"
                   "       zq4 decrypt [options] PATH...\n"
                   "       zq4 encrypt|decrypt [--keyfile PATH | --key-stdin] [-o FILE] -\n"
                   "\n"
                   "Encrypts or decrypts files, and the files of folders. Encrypting notes.txt gives notes.txt.enc "
                   "beside it;\n"
                   "decrypting notes.txt.enc gives notes.txt (a file named whose name does not end in .enc needs "
                   "-o FILE).\n"
                   "Of a folder, encryption takes every file and decryption the files ending "
                   "in .enc.\n"
                   "Every path is checked before the key is asked for; nothing is written to standard output when "
                   "every\n"
                   "file is done (-v lists them), and a file not done is one line on standard error.\n"
                   "With - the data is standard input and the result goes to standard output (or to -o FILE), "
                   "never to a\n"
                   "terminal; decrypted data is written only once it is authenticated.\n"
                   "Without --keyfile or --key-stdin the key is asked on the terminal, twice when encrypting.\n"
                   "\n") +
               optionLines(kFiles) + QLatin1Char('\n') + QLatin1String(kExitStatus);
    case Command::Verify:
        return QStringLiteral("Usage: zq4 verify [options] PATH...\n"
                              "\n"
                              "Authenticates every segment of each encrypted file without writing anything: one "
                              "line on standard\n"
                              "error for each file that does not verify. Of a folder, the files ending in .enc.\n"
                              "\n") +
               optionLines(kVerify) + QLatin1Char('\n') +
               QStringLiteral("Exit status: 0 every file verified; 1 some file did not verify; 2 a path, the key or "
                              "an option is\nwrong.\n");
    default:
        return QStringLiteral(
                   "Usage: zq4 encrypt [options] PATH...    encrypt files and folders (see zq4 encrypt --help)\n"
                   "       zq4 decrypt [options] PATH...    decrypt them again\n"
                   "       zq4 verify [options] PATH...     check encrypted files without decrypting them\n"
                   "       zq4 [PATH]                       the window (set up for PATH)\n"
                   "       zq4 --run FILE.opn [options]     run the operation the operation file describes\n"
                   "       zq4 --randomness FOLDER [SPEC]   list the randomness of the matching files\n"
                   "\n"
                   "File encryption workbench.\n"
                   "\n") +
               optionLines(kTopLevel) + QLatin1Char('\n') + QLatin1String(kExitStatus);
    }
}

} // namespace CliOptions
