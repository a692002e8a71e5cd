#include "files/FileProc.h"
#include "files/StrProc.h"
#include "platform/os/NativeName.h"

#include <QList>
#include <QSet>

#include <vector>

namespace {

constexpr char32_t kAsterisk = U'*';
constexpr char32_t kQuestion = U'?';

bool onlyAsterisks(const QString& pattern) {
    for (QChar c : pattern)
        if (c != QLatin1Char('*'))
            return false;
    return true;
}

} // namespace

namespace StrProc {

bool WildcardMatch(const QString& text, const QString& pattern, bool caseSensitive) {
    // Nothing but asterisks (the "*" of "*.*") matches anything: no need to fold and take apart the text.
    if (onlyAsterisks(pattern))
        return true;
    const QString t = caseSensitive ? text : text.toLower();
    const QString p = caseSensitive ? pattern : pattern.toLower();
    if (t == p)
        return true;
    if (t.isEmpty())
        return false;

    // Whole characters, so that "?" never takes half of a surrogate pair.
    const QList<uint> tc = NativeName::characters(t);
    const QList<uint> pc = NativeName::characters(p);
    const qsizetype tn = tc.size();
    const qsizetype pn = pc.size();

    // For every pattern position, where the next literal (neither "*" nor "?") character stands: an asterisk
    // skips to it. Worked out once so that long runs of wildcards cost no more than one pass.
    std::vector<qsizetype> nextLiteral(static_cast<size_t>(pn) + 1, -1);
    for (qsizetype j = pn - 1; j >= 0; --j)
        nextLiteral[j] = (pc[j] == kAsterisk || pc[j] == kQuestion) ? nextLiteral[j + 1] : j;

    qsizetype i = 0;
    qsizetype j = 0;
    while (j < pn) {
        const uint pch = pc[j];
        if (pch == kQuestion) {
            if (i == tn)
                return false;
            ++i;
            ++j;
        } else if (pch == kAsterisk) {
            const qsizetype literal = nextLiteral[j];
            if (literal < 0)
                return true;
            while (i < tn && tc[i] != pc[literal])
                ++i;
            if (i == tn)
                return false;
            ++j;
        } else {
            if (i == tn || tc[i] != pch)
                return false;
            ++i;
            ++j;
        }
    }
    return i == tn;
}

} // namespace StrProc

namespace FileProc {

bool FileNameMatchesSpec(const QString& name, const QString& spec, bool caseSensitive) {
    // "?", "*", ":" and the backslash are characters like any other in a name here; only "/" cannot be part of one.
    if (name.contains(QLatin1Char('/')))
        return false;
    // One exact name (ExactNameSpec): its "*" and "?" are its own, and so is its letter case. Several
    // (ExactNamesSpec): a set, made once per pattern, so a folder is matched against thousands in linear time.
    if (spec.startsWith(QLatin1Char('/'))) {
        if (spec.indexOf(QLatin1Char('/'), 1) < 0)
            return name == QStringView(spec).mid(1);
        thread_local QString setOf;
        thread_local QSet<QString> names;
        if (setOf.constData() != spec.constData() || setOf != spec) {
            setOf = spec;
            const QStringList list = spec.mid(1).split(QLatin1Char('/'));
            names = QSet<QString>(list.cbegin(), list.cend());
        }
        return names.contains(name);
    }

    const qsizetype nameDot = name.lastIndexOf(QLatin1Char('.'));
    const qsizetype specDot = spec.lastIndexOf(QLatin1Char('.'));
    if (specDot < 0)
        return nameDot < 0 && StrProc::WildcardMatch(name, spec, caseSensitive);

    const QString specName = spec.left(specDot);
    const QString specExtension = spec.mid(specDot + 1);
    if (nameDot >= 0)
        return StrProc::WildcardMatch(name.left(nameDot), specName, caseSensitive) &&
               StrProc::WildcardMatch(name.mid(nameDot + 1), specExtension, caseSensitive);

    // A name without an extension satisfies an extension part made of asterisks only (*.* and *. do).
    if (!onlyAsterisks(specExtension))
        return false;
    return StrProc::WildcardMatch(name, specName, caseSensitive);
}

} // namespace FileProc
