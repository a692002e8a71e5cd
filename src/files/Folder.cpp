#include "files/Folder.h"

#include "files/FileProc.h"
#include "files/FolderListing.h"
#include "platform/os/MessageBox.h"
#include "platform/os/NativeName.h"
#include "platform/os/PathEntry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <filesystem>
#include <system_error>

namespace {

QString withSlash(const QString& folder) {
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

std::filesystem::path nativePath(const QString& path) {
    return std::filesystem::path(NativeName::encode(path).toStdString());
}

} // namespace

namespace Folder {

bool FolderExists(const QString& path) {
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    return info.isDir() && info.isReadable();
}

bool FileExists(const QString& path) {
    return !path.isEmpty() && PathEntry::isFile(path);
}

qint64 CountSubfolders(const QString& path) {
    const Listing listing = listSubfolders(path, Order::AsFound);
    return listing.ok ? listing.names.size() : -1;
}

qint64 CountMatchingFiles(const QString& path, const QString& spec, bool showErrors) {
    const Listing listing = listMatchingFiles(path, spec, Order::AsFound);
    if (listing.ok)
        return listing.names.size();
    if (showErrors)
        MessageBox::show(listing.errorText, QStringLiteral("Error"), MessageBox::Information);
    return -1;
}

qint64 CopyMatchingFiles(const QString& sourceFolder, const QString& spec, const QString& targetFolder,
                         const QString& outputSpec, bool overwrite, QString* errorText) {
    const QString source = withSlash(sourceFolder);
    const QString target = withSlash(targetFolder);
    const Listing listing = listMatchingFiles(source, spec);
    auto fail = [errorText](const QString& text) {
        if (errorText && errorText->isEmpty())
            *errorText = text;
    };
    if (!listing.ok) {
        fail(listing.errorText);
        return -1;
    }

    qint64 notCopied = 0;
    for (const QString& name : listing.names) {
        int code = 0;
        const QString outputName = FileProc::OutputNameFromSpec(name, outputSpec, code);
        if (code < 0) {
            ++notCopied;
            continue;
        }
        const QString from = source + name;
        const QString to = target + outputName;
        std::error_code ec;
        const bool targetExists = std::filesystem::exists(nativePath(to), ec);
        if (targetExists && !overwrite) {
            ++notCopied;
            continue;
        }
        // Copying a file onto itself would empty it before reading it.
        if (targetExists && std::filesystem::equivalent(nativePath(from), nativePath(to), ec)) {
            ++notCopied;
            continue;
        }
        const auto options =
            overwrite ? std::filesystem::copy_options::overwrite_existing : std::filesystem::copy_options::none;
        if (!std::filesystem::copy_file(nativePath(from), nativePath(to), options, ec)) {
            fail(QString::fromLocal8Bit(ec.message().c_str()) + QStringLiteral(": ") + to);
            ++notCopied;
        }
    }
    return notCopied;
}

} // namespace Folder
