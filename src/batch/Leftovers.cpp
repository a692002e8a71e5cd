#include "batch/Leftovers.h"

#include "batch/InPlaceJournal.h"
#include "batch/ResultCheck.h"
#include "files/FileIdentity.h"
#include "files/FileProc.h"
#include "platform/os/NativeName.h"
#include "platform/os/PathEntry.h"

#include <QDir>
#include <QFile>
#include <QSet>

#include <cstdio>

namespace Leftovers {

namespace {
bool exists(const QString& path) {
    return PathEntry::exists(path);
}

// The purge overwrites an original with random bytes before it removes it; a file of the original's size
// that now looks random (or is too small to tell) is such an overwritten original.
bool overwrittenByPurge(const QString& path, const InPlaceJournal::Entry& e, const FileStamp& now) {
    if (!e.encrypt || now.size != e.originalSize)
        return false;
    const double randomness = FileProc::FileRandomness(path, 256);
    return randomness <= -15 || randomness >= 0.89;
}
// A result that cannot be put back is given a visible name of its own, so no later run takes it for a
// leftover; empty when even that fails.
QString keepAside(const QString& temp, const QString& original) {
    const QString aside = FileProc::NewFilePath(original + QStringLiteral(".recovered"));
    if (aside.isEmpty() || !PathEntry::rename(temp, aside, false))
        return {};
    return aside;
}
} // namespace

Outcome recover(const QString& folder) {
    Outcome out;
    const QList<InPlaceJournal::Entry> entries = InPlaceJournal::read(folder);
    QSet<QString> vouched;
    bool changed = false;
    for (const InPlaceJournal::Entry& e : entries) {
        vouched.insert(e.tempName);
        const QString temp = folder + e.tempName, original = folder + e.name;
        const FileStamp result = FileStamp::of(temp);
        if (!result.valid)
            continue; // made final before the run ended
        const FileStamp now = FileStamp::of(original);
        const bool complete = result.size == e.resultSize;
        if (!exists(original) || (now.valid && complete && overwrittenByPurge(original, e, now))) {
            if (complete && ::rename(NativeName::encode(temp).constData(), NativeName::encode(original).constData()) == 0) {
                changed = true;
                out.restoredNames << e.name;
                out.lines << QStringLiteral("Found the complete result of an interrupted operation on ") + e.name +
                                 QStringLiteral(" and put it back under that name.");
            } else {
                const QString aside = keepAside(temp, original);
                out.lines << QStringLiteral("Found the result of an interrupted operation on ") + e.name +
                                 QStringLiteral(", but could not put it back; it is in the file ") +
                                 (aside.isEmpty() ? temp : aside) + QLatin1Char('.');
                changed = true;
            }
        } else if (now.valid && now.size == e.originalSize && now.modifiedNs == e.originalModifiedNs) {
            PathEntry::remove(temp);
            changed = true;
            out.lines << QStringLiteral("Found the result of an interrupted operation on ") + e.name +
                             QStringLiteral("; the original is intact, so the result was removed.");
        } else {
            const QString aside = keepAside(temp, original);
            changed = true;
            out.lines << QStringLiteral("Found the result of an interrupted operation on ") + e.name +
                             QStringLiteral("; the original has changed since and was left as it is, the result is in "
                                            "the file ") +
                             (aside.isEmpty() ? temp : aside) + QLatin1Char('.');
        }
    }
    if (!entries.isEmpty() || PathEntry::exists(InPlaceJournal::path(folder))) {
        InPlaceJournal::remove(folder);
        changed = true;
    }
    // Only our own temporary names are asked for: a folder of many files is not listed and sorted again.
    const QStringList hidden = QDir(folder).entryList({QStringLiteral(".zq4e-*.tmp")},
                                                      QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    for (const QString& name : hidden) {
        if (!InPlaceJournal::isTemporaryName(name) || vouched.contains(name))
            continue;
        if (PathEntry::remove(folder + name)) {
            changed = true;
            out.lines << QStringLiteral("Removed the temporary file ") + name +
                             QStringLiteral(" left by an interrupted operation.");
        }
    }
    if (changed)
        ResultCheck::syncFolder(folder + QStringLiteral("."));
    return out;
}

} // namespace Leftovers
