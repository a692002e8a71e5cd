// Feeds arbitrary bytes to the operation-file reader: it must never crash, a refused file must leave the
// setup untouched, and whatever it accepts must be written back and read again unchanged.
#include "app/SetupFile.h"

#include <cstdint>
#include <cstdlib>

namespace {

bool sameContents(const SetupFileContents& a, const SetupFileContents& b) {
    return a.version == b.version && a.blnEncrypt == b.blnEncrypt && a.blnConfirmFiles == b.blnConfirmFiles &&
           a.blnOutputFilesSame == b.blnOutputFilesSame && a.blnSubdirectories == b.blnSubdirectories &&
           a.strDirpath == b.strDirpath && a.strFilespec == b.strFilespec;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray raw(reinterpret_cast<const char*>(data), qsizetype(size));
    SetupFileContents untouched;
    untouched.version = QStringLiteral("untouched");
    SetupFileContents read = untouched;
    if (!SetupFile::ParseSetupFileText(raw, read)) {
        if (!sameContents(read, untouched))
            std::abort();
        return 0;
    }
    for (const QString* text : {&read.version, &read.strDirpath[0], &read.strFilespec[0], &read.strDirpath[1],
                                &read.strFilespec[1]})
        if (text->contains(QLatin1Char('\n')))
            std::abort();
    // A text that keeps a carriage return cannot be written back; everything else must round-trip.
    const QByteArray written = SetupFile::SetupFileText(read);
    if (written.isEmpty())
        return 0;
    SetupFileContents again;
    if (!SetupFile::ParseSetupFileText(written, again) || !sameContents(again, read))
        std::abort();
    return 0;
}
