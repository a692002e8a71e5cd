#include "cli/OneLineCommand.h"

#include "batch/OperationSetup.h"
#include "cli/Console.h"
#include "files/FileProc.h"
#include "platform/os/NativeName.h"
#include "platform/os/PathEntry.h"

#include <cstring>

#include <unistd.h>

namespace {

// "dir/", "dir/." and "dir/.." name folders; the rest are taken as they are.
QString withoutTrailingSlashes(QString path) {
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return path;
}

} // namespace

namespace OneLineCommand {

bool setupFor(const CliOptions::Options& r, const QString& given, OperationSetup& setup, QString& wrong) {
    const QString path = PathEntry::absolute(withoutTrailingSlashes(given));
    const PathEntry::Info entry = PathEntry::of(path);
    const PathEntry::Info followed = entry.kind == PathEntry::Kind::Link ? PathEntry::of(path, true) : entry;
    if (entry.kind == PathEntry::Kind::Missing || entry.kind == PathEntry::Kind::Unreachable) {
        wrong = NativeName::shown(given) + QStringLiteral(": ") + Console::sentence(PathEntry::errorText(entry.error));
        return false;
    }
    setup = OperationSetup{};
    setup.blnEncrypt = r.encrypt();
    // A folder named on the command line is the folder it leads to, a link included; the entries in it are
    // taken as they are (links among them are not followed).
    if (followed.kind == PathEntry::Kind::Folder) {
        setup.strDirpath[0] = withTrailingSlash(path);
        // Decrypting to new files takes the folder's encrypted files; in place every file keeps its name.
        setup.strFilespec[0] =
            r.encrypt() || r.inPlace ? QStringLiteral("*.*") : QStringLiteral("*.") + QLatin1String(kExtension);
        setup.blnSubdirectories = r.recursive;
    } else {
        const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
        setup.strDirpath[0] = path.left(slash + 1);
        const QString name = path.mid(slash + 1);
        setup.strFilespec[0] = FileProc::ExactNameSpec(name);
        // A file named for decryption must have a name to be decrypted to: a path check like any other.
        int code = 0;
        if (!r.encrypt() && !r.inPlace && !r.outputIsFile &&
            FileProc::OutputName(name, FileProc::AddedExtensionSpec(QLatin1String(kExtension)), false, code)
                .isEmpty()) {
            const bool bare = name.compare(QLatin1String(".enc"), Qt::CaseInsensitive) == 0;
            wrong =
                NativeName::shown(given) +
                (bare ? QStringLiteral(": the name is .enc alone, so it has no name to be decrypted to; give -o FILE.")
                      : QStringLiteral(
                            ": the name does not end in .enc, so it has no name to be decrypted to; give -o FILE."));
            return false;
        }
    }
    if (r.inPlace) {
        setup.blnOutputFilesSame = true;
        setup.CopyInputToOutput();
    } else {
        setup.strDirpath[1] = r.output.isEmpty()
                                  ? setup.strDirpath[0]
                                  : withTrailingSlash(PathEntry::absolute(withoutTrailingSlashes(r.output)));
        setup.strFilespec[1] = FileProc::AddedExtensionSpec(QLatin1String(kExtension));
        if (r.outputIsFile) {
            // The one result under the name -o gives it (an output pattern without wildcards is that name).
            const QString output = PathEntry::absolute(r.output);
            const qsizetype slash = output.lastIndexOf(QLatin1Char('/'));
            setup.strDirpath[1] = output.left(slash + 1);
            setup.strFilespec[1] = output.mid(slash + 1);
        }
    }
    return true;
}

} // namespace OneLineCommand
