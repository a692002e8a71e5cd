#include "cli/OneLineCommand.h"

#include "app/OperationSetup.h"
#include "files/FileProc.h"
#include "platform/os/NativeName.h"
#include "platform/os/PathEntry.h"

#include <cstring>

#include <unistd.h>

namespace {

QString arg(char* a) {
    return NativeName::decode(QByteArrayView(a, qsizetype(std::strlen(a))));
}

QString currentFolder() {
    QByteArray buffer(4096, '\0');
    while (::getcwd(buffer.data(), size_t(buffer.size())) == nullptr) {
        if (errno != ERANGE || buffer.size() > (1 << 20))
            return QString();
        buffer.resize(buffer.size() * 2);
    }
    return NativeName::decode(QByteArrayView(buffer.constData(), qsizetype(std::strlen(buffer.constData()))));
}

QString absolute(const QString& path) {
    if (path.startsWith(QLatin1Char('/')))
        return path;
    const QString here = currentFolder();
    return here.isEmpty() ? path : withTrailingSlash(here) + path;
}

// "dir/", "dir/." and "dir/.." name folders; the rest are taken as they are.
QString withoutTrailingSlashes(QString path) {
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return path;
}

} // namespace

namespace OneLineCommand {

bool wanted(int argc, char* argv[]) {
    return argc >= 2 && (std::strcmp(argv[1], "encrypt") == 0 || std::strcmp(argv[1], "decrypt") == 0);
}

bool parse(int argc, char* argv[], Request& r, QString& wrong) {
    r.encrypt = std::strcmp(argv[1], "encrypt") == 0;
    bool optionsEnd = false;
    for (int i = 2; i < argc; ++i) {
        const QByteArrayView a(argv[i], qsizetype(std::strlen(argv[i])));
        if (optionsEnd || !a.startsWith('-') || a == "-") {
            r.paths << arg(argv[i]);
            continue;
        }
        // An option's value is the next argument, or follows "=" in the same one.
        QString inlineValue;
        QByteArrayView name = a;
        const qsizetype eq = a.indexOf('=');
        bool hasInline = false;
        if (a.startsWith("--") && eq > 0) {
            name = a.first(eq);
            inlineValue = NativeName::decode(a.sliced(eq + 1));
            hasInline = true;
        }
        auto value = [&](QString& into) {
            if (!into.isEmpty()) {
                wrong = QStringLiteral("the option ") + QString::fromLatin1(name) + QStringLiteral(" is given twice.");
                return false;
            }
            if (hasInline) {
                into = inlineValue;
            } else if (i + 1 < argc) {
                into = arg(argv[++i]);
            }
            if (into.isEmpty()) {
                wrong = QStringLiteral("the option ") + QString::fromLatin1(name) + QStringLiteral(" needs a value.");
                return false;
            }
            return true;
        };
        bool flag = !hasInline;
        if (name == "--") {
            optionsEnd = true;
        } else if (name == "-o" || name == "--output") {
            if (!value(r.outputDir))
                return false;
        } else if (name == "--keyfile") {
            if (!value(r.keyfile))
                return false;
        } else if (name == "--report") {
            if (!value(r.reportFile))
                return false;
        } else if (flag && (name == "-r" || name == "--recursive")) {
            r.recursive = true;
        } else if (flag && name == "--in-place") {
            r.inPlace = true;
        } else if (flag && name == "--yes") {
            r.yes = true;
        } else if (flag && name == "--overwrite") {
            r.overwrite = true;
        } else if (flag && name == "--quiet") {
            r.quiet = true;
        } else if (flag && name == "--keep-going") {
            r.keepGoing = true;
        } else if (flag && name == "--key-stdin") {
            r.keyFromStdin = true;
        } else if (flag && (name == "-h" || name == "--help")) {
            r.help = true;
        } else {
            wrong = QStringLiteral("unknown option ") + NativeName::shown(NativeName::decode(a)) +
                    QStringLiteral(" (see zq4 ") + (r.encrypt ? QStringLiteral("encrypt") : QStringLiteral("decrypt")) +
                    QStringLiteral(" --help).");
            return false;
        }
    }
    if (r.help)
        return true;
    if (r.paths.isEmpty())
        wrong = QStringLiteral("name the files or folders to ") +
                (r.encrypt ? QStringLiteral("encrypt") : QStringLiteral("decrypt")) + QStringLiteral(" (see --help).");
    else if (r.inPlace && !r.outputDir.isEmpty())
        wrong = QStringLiteral("--in-place and -o exclude each other: in place, each result replaces its input.");
    else if (!r.keyfile.isEmpty() && r.keyFromStdin)
        wrong = QStringLiteral("give the key either with --keyfile or with --key-stdin, not both.");
    return wrong.isEmpty();
}

QString helpText() {
    return QStringLiteral(
        "Usage: zq4 encrypt [options] PATH...\n"
        "       zq4 decrypt [options] PATH...\n"
        "\n"
        "Encrypts or decrypts files, and the files of folders. Encrypting notes.txt gives notes.txt.enc beside it;\n"
        "decrypting notes.txt.enc gives notes.txt (a file whose name does not end in .enc is not decrypted). Of a\n"
        "folder, encryption takes every file and decryption the files ending in .enc.\n"
        "\n"
        "Options:\n"
        "  -o, --output DIR  put the results in DIR (with -r, in the same subfolders of DIR)\n"
        "  -r, --recursive   take folders with their subfolders (otherwise a folder's own files only)\n"
        "  --in-place        replace each input by its result (the original is purged); needs --yes\n"
        "  --yes             confirm an operation in place\n"
        "  --overwrite       replace output files that exist already\n"
        "  --keyfile PATH    take the key from a keyfile\n"
        "  --key-stdin       read the key as one line of standard input\n"
        "                    (without either, the key is asked on the terminal, twice when encrypting)\n"
        "  --keep-going      decrypt on when the first three files all fail to open with the key\n"
        "  --quiet           write no report to standard output\n"
        "  --report FILE     also write the report to FILE\n"
        "  -h, --help        this text\n"
        "\n"
        "Exit status: 0 every file done; 1 some files not done; 2 a path, the key, an option or a launch check\n"
        "is wrong (nothing touched); 3 stopped by a signal; 4 another run holds a folder.\n");
}

bool setupFor(const Request& r, const QString& given, OperationSetup& setup, QString& wrong) {
    const QString path = absolute(withoutTrailingSlashes(given));
    const PathEntry::Info entry = PathEntry::of(path);
    const PathEntry::Info followed = entry.kind == PathEntry::Kind::Link ? PathEntry::of(path, true) : entry;
    if (entry.kind == PathEntry::Kind::Missing || entry.kind == PathEntry::Kind::Unreachable) {
        wrong = NativeName::shown(given) + QStringLiteral(": ") + PathEntry::errorText(entry.error) + QLatin1Char('.');
        return false;
    }
    setup = OperationSetup{};
    setup.blnEncrypt = r.encrypt;
    // A folder named on the command line is the folder it leads to, a link included; the entries in it are
    // taken as they are (links among them are not followed).
    if (followed.kind == PathEntry::Kind::Folder) {
        setup.strDirpath[0] = withTrailingSlash(path);
        // Decrypting to new files takes the folder's encrypted files; in place every file keeps its name.
        setup.strFilespec[0] =
            r.encrypt || r.inPlace ? QStringLiteral("*.*") : QStringLiteral("*.") + QLatin1String(kExtension);
        setup.blnSubdirectories = r.recursive;
    } else {
        const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
        setup.strDirpath[0] = path.left(slash + 1);
        setup.strFilespec[0] = FileProc::ExactNameSpec(path.mid(slash + 1));
    }
    if (r.inPlace) {
        setup.blnOutputFilesSame = true;
        setup.CopyInputToOutput();
    } else {
        setup.strDirpath[1] = r.outputDir.isEmpty() ? setup.strDirpath[0]
                                                    : withTrailingSlash(absolute(withoutTrailingSlashes(r.outputDir)));
        setup.strFilespec[1] = FileProc::AddedExtensionSpec(QLatin1String(kExtension));
    }
    return true;
}

} // namespace OneLineCommand
