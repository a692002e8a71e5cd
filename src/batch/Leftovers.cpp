#include "batch/Leftovers.h"

#include "batch/InPlaceJournal.h"
#include "batch/OwnFile.h"
#include "batch/ResultCheck.h"
#include "files/FileIdentity.h"
#include "files/FileProc.h"
#include "platform/os/NativeName.h"

#include <QDir>
#include <QFile>
#include <QSet>

#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

namespace Leftovers {

namespace {
bool exists(const QString& path) {
    struct stat st {};
    return ::lstat(NativeName::encode(path).constData(), &st) == 0;
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
    if (aside.isEmpty() || !QFile::rename(temp, aside))
        return {};
    return aside;
}
QString interrupted(const QString& name) {
    return QStringLiteral("Found the result of an interrupted operation on ") + name;
}

// One journal entry whose name the run covers and whose result is still under its temporary name.
void recoverEntry(const QString& folder, const InPlaceJournal::Entry& e, Outcome& out) {
    const QString temp = folder + e.tempName, original = folder + e.name;
    const FileStamp now = FileStamp::of(original);
    const bool complete = OwnFile::holdsResult(temp, e.resultSize, e.encrypt);
    if (!exists(original) || (now.valid && complete && overwrittenByPurge(original, e, now))) {
        if (complete && ::rename(NativeName::encode(temp).constData(), NativeName::encode(original).constData()) == 0) {
            out.restoredNames << e.name;
            out.lines << QStringLiteral("Found the complete result of an interrupted operation on ") + e.name +
                             QStringLiteral(" and put it back under that name.");
        } else {
            const QString aside = keepAside(temp, original);
            out.lines << interrupted(e.name) + QStringLiteral(", but could not put it back; it is in the file ") +
                             (aside.isEmpty() ? temp : aside) + QLatin1Char('.');
        }
    } else if (now.valid && now.size == e.originalSize && now.modifiedNs == e.originalModifiedNs) {
        QFile::remove(temp);
        out.lines << interrupted(e.name) + QStringLiteral("; the original is intact, so the result was removed.");
    } else {
        const QString aside = keepAside(temp, original);
        out.lines << interrupted(e.name) +
                         QStringLiteral("; the original has changed since and was left as it is, the result is in "
                                        "the file ") +
                         (aside.isEmpty() ? temp : aside) + QLatin1Char('.');
    }
}
} // namespace

Outcome recover(const QString& folder, const QString& spec) {
    Outcome out;
    QList<InPlaceJournal::Entry> entries;
    QList<InPlaceJournal::Entry>& kept = out.kept;
    const InPlaceJournal::Found journal = InPlaceJournal::read(folder, entries);
    if (journal == InPlaceJournal::Found::NotOwn)
        out.lines << QStringLiteral("The file ") + QFileInfo(InPlaceJournal::path(folder)).fileName() +
                         QStringLiteral(" in this folder is not a journal of this user's (it is a link, not a regular "
                                        "file, or another user's file) and was left as it is.");
    QSet<QString> vouched;
    bool changed = false;
    for (const InPlaceJournal::Entry& e : std::as_const(entries)) {
        vouched.insert(e.tempName);
        struct stat st {};
        if (::lstat(NativeName::encode(folder + e.tempName).constData(), &st) != 0)
            continue; // made final before the run ended
        if (!FileProc::FileNameMatchesSpec(e.name, spec, false)) {
            kept << e;
            out.lines << interrupted(e.name) + QStringLiteral(" in the file ") + e.tempName +
                             QStringLiteral("; the name is not among the files of this run, so both were left as they "
                                            "are.");
            continue;
        }
        if (!OwnFile::isOwn(st)) {
            out.lines << QStringLiteral("The file ") + e.tempName +
                             QStringLiteral(" named in this folder's journal is not a file of this user's (it is a "
                                            "link, not a regular file, or another user's file) and was left as it is.");
            continue;
        }
        recoverEntry(folder, e, out);
        changed = true;
    }
    if (journal == InPlaceJournal::Found::Own) {
        if (kept.isEmpty())
            InPlaceJournal::remove(folder);
        else
            InPlaceJournal::write(folder, kept, true);
        changed = true;
    }
    // Only our own temporary names are asked for: a folder of many files is not listed and sorted again.
    const QStringList hidden =
        QDir(folder).entryList({QStringLiteral(".zq4e-*.tmp")}, QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    for (const QString& name : hidden) {
        if (!InPlaceJournal::isTemporaryName(name) || vouched.contains(name) || !OwnFile::isOwn(folder + name))
            continue;
        if (QFile::remove(folder + name)) {
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
