#include "randomness/RandomnessListing.h"

#include "files/FileProc.h"
#include "files/FolderListing.h"
#include "platform/os/MessageBox.h"
#include "platform/os/NativeName.h"
#include "platform/os/PathEntry.h"

#include <QLocale>

#include <cerrno>
#include <cmath>

namespace {

const QString kCrLf = QStringLiteral("\r\n");

bool fail(const QString& description, const RandomnessListingContext& context) {
    MessageBox::show(description, QStringLiteral("Error"), MessageBox::Warning);
    if (context.failed)
        context.failed();
    return false;
}

bool append(const QString& text, const RandomnessListingContext& context) {
    if (!context.addToReport || context.addToReport(text))
        return true;
    return fail(QStringLiteral("The report is full."), context);
}

bool stopRequested(const RandomnessListingContext& context) {
    return context.checkPauseAndStop && context.checkPauseAndStop();
}

} // namespace

namespace RandomnessListing {

QString valueField(double randomness) {
    if (randomness > -11)
        return QLocale().toString(randomness, 'f', 3);
    return QLatin1Char('[') + QString::number(std::llround(randomness)) + QLatin1Char(']');
}

QString line(const QString& name, qint64 length, bool measured, double randomness, double minRandomness) {
    const QString value = measured ? valueField(randomness) : QString(5, QLatin1Char(' '));
    const QString marker = measured && randomness > minRandomness ? QStringLiteral(" * ") : QStringLiteral("   ");
    return value + marker + name.toLower() + QStringLiteral(" (") + QLocale().toString(length) +
           QStringLiteral(" bytes)   ") + kCrLf;
}

bool ListFolderRandomness(const QString& folder, const QString& spec, const RandomnessListingContext& context) {
    QString f = FileProc::NormalizePathCase(folder);
    if (!f.endsWith(QLatin1Char('/')))
        f += QLatin1Char('/');

    const Folder::Listing files = Folder::listMatchingFiles(f, spec);
    if (!files.ok)
        return fail(NativeName::shown(f) + QStringLiteral(": ") + files.errorText, context);
    const QStringList& matching = files.names;
    if (context.setNumFiles)
        context.setNumFiles(matching.size());

    if (!matching.isEmpty()) {
        if (!append(NativeName::shown(f) + kCrLf, context))
            return false;
        for (const QString& name : matching) {
            const QString path = f + name;
            if (context.fileAttempted)
                context.fileAttempted();
            const qint64 length = PathEntry::size(path);
            if (length < 0)
                return fail(NativeName::shown(path) + QStringLiteral(": ") + PathEntry::errorText(ENOENT), context);
            const bool measured = length >= context.intMinFilesizeForRandomness;
            double r = -0.5;
            if (measured)
                r = context.measure ? context.measure(path, context.intMinFilesizeForRandomness)
                                    : FileProc::FileRandomness(path, context.intMinFilesizeForRandomness);
            if (!append(line(NativeName::shown(name), length, measured, r, context.dblMinZQ4Randomness), context))
                return false;
            if (stopRequested(context))
                return false;
        }
        if (!append(kCrLf, context))
            return false;
    }

    if (!context.blnSubdirectories)
        return true;
    const Folder::Listing subfolders = Folder::listSubfolders(f);
    if (!subfolders.ok)
        return fail(NativeName::shown(f) + QStringLiteral(": ") + subfolders.errorText, context);
    for (const QString& name : subfolders.names) {
        const QString next = f + name;
        if (context.setNextDirPath)
            context.setNextDirPath(next);
        ListFolderRandomness(next, spec, context);
        if (stopRequested(context))
            return false;
    }
    return true;
}

} // namespace RandomnessListing
