#include "files/FileProc.h"
#include "files/StrProc.h"
#include "platform/os/NativeName.h"

#include <QList>

namespace {

// Blanks only: an output specification typed with a stray space around it.
QString trimBlanks(const QString& s) {
    qsizetype from = 0;
    qsizetype to = s.size();
    while (from < to && s.at(from) == QLatin1Char(' '))
        ++from;
    while (to > from && s.at(to - 1) == QLatin1Char(' '))
        --to;
    return s.mid(from, to - from);
}

} // namespace

namespace StrProc {

QString SubstituteWildcards(const QString& inputPart, const QString& specPart) {
    // Positions count whole characters, so a substituted character is never half of a surrogate pair.
    const QList<uint> input = NativeName::characters(inputPart);
    const QList<uint> spec = NativeName::characters(specPart);
    QList<uint> out;
    out.reserve(spec.size() + input.size());
    for (uint c : spec) {
        const qsizetype position = out.size(); // where c stands once the earlier wildcards are resolved
        if (c == U'*') {
            if (position < input.size())
                out.append(input.mid(position));
            break;
        }
        if (c == U'?') {
            if (position < input.size())
                out.append(input.at(position));
            continue;
        }
        out.append(c);
    }
    return NativeName::fromCharacters(out);
}

} // namespace StrProc

namespace FileProc {

QString OutputNameFromSpec(const QString& inputName, const QString& outputSpec, int& code) {
    // The input is a name as the folder holds it: blanks at its ends are part of it and stay, or the output
    // would be written under another file's name.
    const QString name = inputName;
    const QString spec = trimBlanks(outputSpec);
    if (name.isEmpty())
        code = OutputNameInputEmpty;
    else if (spec.isEmpty())
        code = OutputNameSpecEmpty;
    else
        code = OutputNameDerived;
    if (code < 0)
        return QString();

    const qsizetype specDot = spec.lastIndexOf(QLatin1Char('.'));
    const bool specHasDot = specDot >= 0;
    const bool specHasName = specHasDot ? specDot > 0 : true;
    const bool specHasExtension = specHasDot && specDot < spec.size() - 1;
    const QString specName = specHasDot ? spec.left(specDot) : spec;
    const QString specExtension = specHasDot ? spec.mid(specDot + 1) : QString();

    const qsizetype nameDot = name.lastIndexOf(QLatin1Char('.'));
    const QString namePart = nameDot >= 0 ? name.left(nameDot) : name;
    const QString extensionPart = nameDot >= 0 ? name.mid(nameDot + 1) : QString();

    QString result;
    if (specHasName)
        result = StrProc::SubstituteWildcards(namePart, specName);
    if (specHasDot)
        result += QLatin1Char('.');
    if (specHasExtension)
        result += StrProc::SubstituteWildcards(extensionPart, specExtension);
    if (result.endsWith(QLatin1Char('.')))
        result.chop(1);

    if (result.isEmpty())
        code = OutputNameEmpty;
    else if (result == name)
        code = OutputNameSameAsInput;
    return result;
}

bool OutputSpecNamesFolder(const QString& outputSpec) {
    return outputSpec.contains(QLatin1Char('/')) && !IsAddedExtensionSpec(outputSpec);
}

QString AddedExtensionSpec(const QString& extension) {
    return QStringLiteral("/.") + extension;
}

bool IsAddedExtensionSpec(const QString& outputSpec) {
    return outputSpec.size() > 2 && outputSpec.startsWith(QLatin1String("/.")) &&
           outputSpec.indexOf(QLatin1Char('/'), 1) < 0 && outputSpec.indexOf(QLatin1Char('.'), 2) < 0;
}

QString AddedExtension(const QString& outputSpec) {
    return IsAddedExtensionSpec(outputSpec) ? outputSpec.mid(2) : QString();
}

QString OutputName(const QString& inputName, const QString& outputSpec, bool encrypt, int& code) {
    if (!IsAddedExtensionSpec(outputSpec))
        return OutputNameFromSpec(inputName, outputSpec, code);
    const QString suffix = outputSpec.mid(1);
    if (inputName.isEmpty()) {
        code = OutputNameInputEmpty;
        return QString();
    }
    code = OutputNameDerived;
    if (encrypt)
        return inputName + suffix;
    // Letter case is ignored here as it is when names are matched: "REPORT.TXT.ENC" gives "REPORT.TXT".
    if (inputName.size() <= suffix.size() || !inputName.endsWith(suffix, Qt::CaseInsensitive)) {
        code = OutputNameLacksExtension;
        return QString();
    }
    return inputName.left(inputName.size() - suffix.size());
}

QString OutputSpecShown(const QString& outputSpec, bool encrypt) {
    if (!IsAddedExtensionSpec(outputSpec))
        return outputSpec;
    const QString suffix = outputSpec.mid(1);
    return encrypt ? QStringLiteral("(name)") + suffix : QStringLiteral("(name) without ") + suffix;
}

QString ExactNameSpec(const QString& name) {
    return QLatin1Char('/') + name;
}

QString ExactNamesSpec(const QStringList& names) {
    return QLatin1Char('/') + names.join(QLatin1Char('/'));
}

QString InputSpecShown(const QString& inputSpec) {
    if (!inputSpec.startsWith(QLatin1Char('/')))
        return inputSpec;
    // Several exact names: the first few of them.
    const QStringList names = inputSpec.mid(1).split(QLatin1Char('/'));
    constexpr qsizetype kShown = 3;
    return names.size() <= kShown ? names.join(QStringLiteral(", "))
                                  : names.first(kShown).join(QStringLiteral(", ")) + QStringLiteral(", ...");
}

QString OutputSpecFolderText() {
    return QStringLiteral("The output file specification must not contain \"/\": it names files in the output "
                          "folder, not other folders.");
}

} // namespace FileProc
