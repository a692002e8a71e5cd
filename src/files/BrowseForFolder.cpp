#include "files/Folder.h"
#include "platform/os/FileDialog.h"

namespace Folder {

QString BrowseForFolder(const QString& title, const QString& startFolder) {
    QString chosen = FileDialog::getExistingDirectory(title, startFolder);
    if (chosen.isEmpty())
        return QString();
    if (!chosen.endsWith(QLatin1Char('/')))
        chosen += QLatin1Char('/');
    return chosen;
}

} // namespace Folder
