#include "app/OutputSurvey.h"

#include "app/OperationSetup.h"
#include "files/FileIdentity.h"
#include "files/FileProc.h"
#include "files/FolderListing.h"
#include "platform/os/NativeName.h"

#include <QFile>

#include <sys/stat.h>

namespace {
constexpr qsizetype kNamesShown = 3;
} // namespace

namespace OutputSurvey {

Result survey(const QString& inputDir, const QString& inputSpec, const QString& outputDir, const QString& outputSpec) {
    Result r;
    const QString in = withTrailingSlash(inputDir), out = withTrailingSlash(outputDir);
    const Folder::Listing listing = Folder::listMatchingFiles(in, inputSpec);
    if (!listing.ok)
        return r;
    r.ok = true;
    r.inputs = listing.names.size();
    for (const QString& name : listing.names) {
        int code = 0;
        const QString outName = FileProc::OutputNameFromSpec(name, outputSpec, code);
        if (code < 0)
            continue;
        const QString outPath = out + outName;
        struct stat st {};
        if (::lstat(NativeName::encode(outPath).constData(), &st) != 0)
            continue;
        if (FileIdentity::sameFile(in + name, outPath)) {
            ++r.ownInputs;
        } else {
            ++r.existing;
            if (r.firstExisting.size() < kNamesShown)
                r.firstExisting << outName;
        }
    }
    return r;
}

} // namespace OutputSurvey
