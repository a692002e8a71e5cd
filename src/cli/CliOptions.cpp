#include "cli/CliOptions.h"

#include "cli/CliOptionTable.h"
#include "platform/os/NativeName.h"

#include <QFileInfo>

#include <cstring>

namespace CliOptions {

namespace {

QString decoded(QByteArrayView bytes) {
    return NativeName::decode(bytes);
}

QByteArrayView view(const char* a) {
    return QByteArrayView(a, qsizetype(std::strlen(a)));
}

// The window system's own options, each with a value; the window takes them.
bool windowOption(QByteArrayView a) {
    static const char* const names[] = {"-platform",     "-platformpluginpath", "-platformtheme", "-plugin",
                                        "-style",        "-stylesheet",         "-session",       "-qwindowgeometry",
                                        "-qwindowtitle", "-qwindowicon",        "-display",       "-geometry"};
    for (const char* name : names) {
        const QByteArrayView n = view(name);
        if (a == n || (a.startsWith(n) && a.size() > n.size() && a[n.size()] == '='))
            return true;
    }
    return a == "-reverse" || a == "-widgetcount";
}

// A word where a command is expected that is no path either: a command misspelled, never a window.
bool looksLikeCommand(QByteArrayView a) {
    if (a.isEmpty() || a.startsWith('-') || a.contains('/') || a.contains('.'))
        return false;
    for (char c : a)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '-'))
            return false;
    return !QFileInfo::exists(decoded(a));
}

Command commandNamed(QByteArrayView a) {
    if (a == "encrypt")
        return Command::Encrypt;
    if (a == "decrypt")
        return Command::Decrypt;
    if (a == "verify")
        return Command::Verify;
    return Command::Window;
}

QString commandName(Command c) {
    switch (c) {
    case Command::Encrypt:
        return QStringLiteral("encrypt");
    case Command::Decrypt:
        return QStringLiteral("decrypt");
    case Command::Verify:
        return QStringLiteral("verify");
    default:
        return QString();
    }
}

QString seeHelp(Command c) {
    const QString name = commandName(c);
    return QStringLiteral(" (see zq4 ") + (name.isEmpty() ? QString() : name + QLatin1Char(' ')) +
           QStringLiteral("--help).");
}

bool set(const OptionSpec& spec, Options& o, const QString& value, QString& wrong) {
    QString* field = nullptr;
    switch (spec.field) {
    case Field::Output:
        field = &o.output;
        break;
    case Field::Keyfile:
        field = &o.keyfile;
        break;
    case Field::Report:
        field = &o.reportFile;
        break;
    case Field::Run:
        field = &o.operationFile;
        break;
    case Field::Randomness:
        field = &o.randomnessFolder;
        break;
    case Field::KeyStdin:
        o.keyFromStdin = true;
        return true;
    case Field::Recursive:
        o.recursive = true;
        return true;
    case Field::InPlace:
        o.inPlace = true;
        return true;
    case Field::Yes:
        o.yes = true;
        return true;
    case Field::Overwrite:
        o.overwrite = true;
        return true;
    case Field::Quiet:
        o.quiet = true;
        return true;
    case Field::Verbose:
        o.verbose = true;
        return true;
    case Field::KeepGoing:
        o.keepGoing = true;
        return true;
    case Field::Help:
        o.help = true;
        return true;
    case Field::Version:
        o.command = Command::Version;
        return true;
    }
    if (!field->isEmpty()) {
        wrong = QStringLiteral("the option --") + QLatin1String(spec.longName) + QStringLiteral(" is given twice.");
        return false;
    }
    *field = value;
    if (field->isEmpty()) {
        wrong = QStringLiteral("the option --") + QLatin1String(spec.longName) + QStringLiteral(" needs a value.");
        return false;
    }
    return true;
}

// What is left to check once every argument is read.
QString combination(const Options& o) {
    const QString cmd = commandName(o.command);
    if (!o.keyfile.isEmpty() && o.keyFromStdin)
        return QStringLiteral("give the key either with --keyfile or with --key-stdin, not both.");
    if (o.quiet && o.verbose)
        return QStringLiteral("--quiet and --verbose exclude each other.");
    switch (o.command) {
    case Command::Encrypt:
    case Command::Decrypt:
    case Command::Verify:
        if (o.paths.isEmpty())
            return QStringLiteral("name the files or folders to ") + cmd + seeHelp(o.command);
        if (o.inPlace && !o.output.isEmpty())
            return QStringLiteral("--in-place and -o exclude each other: in place, each result replaces its input.");
        if (o.paths.contains(QStringLiteral("-")) && o.paths.size() > 1)
            return QStringLiteral("- (standard input) is a command of its own: name no other path with it.");
        if (o.stream() && (o.inPlace || o.recursive || !o.reportFile.isEmpty() || o.verbose))
            return QStringLiteral("- (standard input) takes none of --in-place, -r, -v and --report.");
        return QString();
    case Command::Run:
        if (!o.paths.isEmpty())
            return QStringLiteral("unexpected argument ") + NativeName::shown(o.paths.first()) + QLatin1Char('.');
        return QString();
    case Command::Randomness:
        if (!o.keyfile.isEmpty() || o.keyFromStdin || o.yes || o.overwrite)
            return QStringLiteral("--keyfile, --key-stdin, --yes and --overwrite belong to --run.");
        if (o.paths.size() > 1)
            return QStringLiteral("unexpected argument ") + NativeName::shown(o.paths.at(1)) + QLatin1Char('.');
        return QString();
    default:
        return QString();
    }
}

} // namespace

bool forCommandLine(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i) {
        const QByteArrayView a = view(argv[i]);
        if (windowOption(a)) {
            ++i; // its value
            continue;
        }
        if (a.startsWith('-') && a != "-")
            return true;
        if (i == 1 && (commandNamed(a) != Command::Window || looksLikeCommand(a)))
            return true;
    }
    return false;
}

bool parse(int argc, char* argv[], Options& o, QString& wrong) {
    int first = 1;
    if (argc >= 2)
        o.command = commandNamed(view(argv[1]));
    const bool sub = o.command != Command::Window;
    if (sub) {
        first = 2;
    } else if (argc >= 2 && looksLikeCommand(view(argv[1]))) {
        const QString hint = suggestion(view(argv[1]), Command::Window);
        wrong = QStringLiteral("unknown command ") + NativeName::shown(decoded(view(argv[1]))) +
                (hint.isEmpty() ? QStringLiteral("; the commands are encrypt, decrypt and verify") : hint) +
                seeHelp(Command::Window);
        return false;
    }
    const unsigned allowed = sub ? commandBit(o.command) : kTopLevel;
    bool optionsEnd = false;
    for (int i = first; i < argc; ++i) {
        const QByteArrayView a = view(argv[i]);
        if (optionsEnd || !a.startsWith('-') || a == "-") {
            o.paths << decoded(a);
            continue;
        }
        if (a == "--") {
            optionsEnd = true;
            continue;
        }
        // An option's value is the next argument, or follows "=" in the same one.
        QByteArrayView name = a;
        const qsizetype eq = a.indexOf('=');
        const bool hasInline = a.startsWith("--") && eq > 0;
        if (hasInline)
            name = a.first(eq);
        const OptionSpec* spec = find(name);
        if (!spec || !(spec->commands & allowed) || (hasInline && !spec->valueName)) {
            const QString shownName = NativeName::shown(decoded(name));
            if (spec && !(spec->commands & allowed))
                wrong = QStringLiteral("the option ") + shownName + QStringLiteral(" does not belong to ") +
                        (sub ? QStringLiteral("zq4 ") + commandName(o.command) : QStringLiteral("this command")) +
                        seeHelp(o.command);
            else if (spec)
                wrong = QStringLiteral("the option ") + shownName + QStringLiteral(" takes no value.");
            else
                wrong =
                    QStringLiteral("unknown option ") + shownName + suggestion(name, o.command) + seeHelp(o.command);
            return false;
        }
        QString value;
        if (spec->valueName) {
            if (hasInline)
                value = decoded(a.sliced(eq + 1));
            else if (i + 1 < argc)
                value = decoded(view(argv[++i]));
        }
        if (!set(*spec, o, value, wrong))
            return false;
    }
    if (!sub && o.command != Command::Version) {
        if (o.help)
            o.command = Command::Help;
        else if (!o.operationFile.isEmpty() && !o.randomnessFolder.isEmpty())
            wrong = QStringLiteral("give either --run or --randomness, not both.");
        else if (!o.operationFile.isEmpty())
            o.command = Command::Run;
        else if (!o.randomnessFolder.isEmpty())
            o.command = Command::Randomness;
        else
            wrong = QStringLiteral("give a command: zq4 encrypt, decrypt or verify, --run or --randomness") +
                    seeHelp(Command::Window);
    }
    if (wrong.isEmpty() && !o.help)
        wrong = combination(o);
    return wrong.isEmpty();
}

} // namespace CliOptions
