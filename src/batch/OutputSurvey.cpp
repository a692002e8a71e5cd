#include "batch/OutputSurvey.h"

#include "batch/OperationSetup.h"
#include "batch/OutputClash.h"
#include "files/FileProc.h"
#include "files/FolderListing.h"
#include "files/FolderListingCache.h"
#include "files/FolderNames.h"
#include "platform/os/FileIdentity.h"
#include "platform/os/NativeName.h"

#include <QHash>
#include <QMutex>

#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qsizetype kNamesShown = 3;

// The longest name, in bytes, the file system of the folder takes (of the output root, for a subfolder still to
// be made).
qint64 nameMaxOf(const QString& folder, const QString& root) {
    long most = ::pathconf(NativeName::encode(folder).constData(), _PC_NAME_MAX);
    if (most <= 0)
        most = ::pathconf(NativeName::encode(root).constData(), _PC_NAME_MAX);
    return most > 0 ? most : 255;
}

// below: the folder's path under the input (and output) folder, "" or ending in '/'.
void surveyFolder(const OutputSurvey::Plan& plan, const QString& below, OutputSurvey::Result& r) {
    const QString in = withTrailingSlash(plan.inputDir) + below;
    const QString out = withTrailingSlash(plan.outputDir) + below;
    Folder::Contents listing = Folder::listFolder(in);
    if (!listing.ok)
        return;
    if (below.isEmpty())
        r.ok = true;
    QStringList& names = listing.files;
    Folder::keepMatching(names, plan.inputSpec);
    r.inputs += names.size();
    const FolderNames outputsThere(names.isEmpty() ? QString() : out);
    const qint64 nameMax = names.isEmpty() ? 0 : nameMaxOf(out, plan.outputDir);
    const auto outputName = [&](qsizetype i) {
        int code = 0;
        return FileProc::OutputName(names[i], plan.outputSpec, plan.encrypt, code);
    };
    // Names that differ only in letter case are one name on many disks (a memory stick, a shared folder).
    if (r.clashOutput.isEmpty()) {
        const auto [first, second] = OutputClash::firstRepeat(names.size(), outputName);
        if (first >= 0) {
            r.clashFirst = below + names[first];
            r.clashOutput = below + outputName(first);
            r.clashSecond = below + names[second];
            r.clashSecondOutput = below + outputName(second);
        }
    }
    for (qsizetype i = 0; i < names.size(); ++i) {
        const QString& name = names[i];
        const QString outName = outputName(i);
        if (outName.isEmpty())
            continue;
        const QString outPath = out + outName;
        if (const qint64 bytes = NativeName::encode(outName).size(); bytes > nameMax) {
            if (r.tooLong++ == 0) {
                r.firstTooLong = below + name;
                r.firstTooLongBytes = bytes;
                r.nameMax = nameMax;
            }
            continue;
        }
        if (plan.each)
            plan.each(in + name, outPath);
        struct stat st {};
        if (!outputsThere.mayHold(outName) || ::lstat(NativeName::encode(outPath).constData(), &st) != 0)
            continue;
        if (FileIdentity::sameFile(in + name, outPath)) {
            ++r.ownInputs;
        } else {
            ++r.existing;
            if (r.firstExisting.size() < kNamesShown)
                r.firstExisting << below + outName;
        }
    }
    if (!plan.subfolders)
        return;
    for (const QString& sub : std::as_const(listing.subfolders))
        surveyFolder(plan, below + sub + QLatin1Char('/'), r);
}

} // namespace

namespace OutputSurvey {

Result survey(const Plan& plan) {
    // The launch checks, the confirmation and the run's preparation each ask about the same outputs: within a
    // launch's listings, the survey of a plan is made once.
    static QMutex mutex;
    static QString lastKey;
    static quint64 lastGeneration = 0;
    static Result last;
    const bool keep = !plan.each && Folder::ListingCache::open();
    const QString key = keep ? QStringList{plan.inputDir, plan.inputSpec, plan.outputDir, plan.outputSpec,
                                           QString::number(int(plan.encrypt) * 2 + int(plan.subfolders))}
                                   .join(QChar(0))
                             : QString();
    if (keep) {
        const quint64 generation = Folder::ListingCache::generation();
        const QMutexLocker lock(&mutex);
        if (key == lastKey && generation == lastGeneration)
            return last;
    }
    const quint64 generation = Folder::ListingCache::generation();
    Result r;
    surveyFolder(plan, QString(), r);
    if (keep) {
        const QMutexLocker lock(&mutex);
        lastKey = key;
        lastGeneration = generation;
        last = r;
    }
    return r;
}

Plan planOf(const OperationSetup& setup) {
    return Plan{setup.strDirpath[0],
                setup.strFilespec[0],
                setup.strDirpath[1],
                setup.strFilespec[1],
                setup.blnEncrypt,
                setup.blnSubdirectories,
                nullptr};
}

Result survey(const QString& inputDir, const QString& inputSpec, const QString& outputDir, const QString& outputSpec) {
    return survey(Plan{inputDir, inputSpec, outputDir, outputSpec, true, false, nullptr});
}

QString tooLongText(const Result& r) {
    return QStringLiteral("The output name of ") + NativeName::shown(r.firstTooLong) + QStringLiteral(" would be ") +
           QString::number(r.firstTooLongBytes) + QStringLiteral(" bytes long, more than the ") +
           QString::number(r.nameMax) + QStringLiteral(" bytes the output folder's file system takes") +
           (r.tooLong > 1
                ? QStringLiteral(" (") + QString::number(r.tooLong - 1) +
                      QLatin1String(r.tooLong == 2 ? " more file is" : " more files are") + QStringLiteral(" alike)")
                : QString()) +
           QLatin1Char('.');
}

QString duplicateNamesText(const Result& r, const QString& outputSpecShown) {
    return QStringLiteral("Output file specification ") + QLatin1Char('"') + outputSpecShown + QLatin1Char('"') +
           QStringLiteral(" produces duplicate output filenames!") + QStringLiteral("\r\n\r\n") +
           NativeName::shown(r.clashFirst) + QStringLiteral(" and ") + NativeName::shown(r.clashSecond) +
           (r.clashOutput == r.clashSecondOutput
                ? QStringLiteral(" would both become ") + NativeName::shown(r.clashOutput) + QLatin1Char('.')
                : QStringLiteral(" would become ") + NativeName::shown(r.clashOutput) + QStringLiteral(" and ") +
                      NativeName::shown(r.clashSecondOutput) +
                      QStringLiteral(", names that differ only in letter case."));
}

} // namespace OutputSurvey
