// "Online documentation": the manual, opened in the user's browser.
#include "app/gui/frmMain.h"
#include "platform/os/MessageBox.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace {
// Without a browser the user can still open the manual by hand, once told where it is.
QString manualWhereabouts(const QUrl& url) {
    if (!url.isLocalFile())
        return QStringLiteral("\r\n\r\nThe documentation is at ") + url.toString() + QLatin1Char('.');
    const QString path = url.toLocalFile();
    return QFileInfo::exists(path) ? QStringLiteral("\r\n\r\nThe manual is the file ") + path + QLatin1Char('.')
                                   : QStringLiteral("\r\n\r\nThe manual should be the file ") + path +
                                         QStringLiteral(", which is missing.");
}
} // namespace

void frmMain::lblOnlineDocumentation_Click() {
    // A relative address names a page bundled beside the program, so the manual opens without a network.
    QUrl url(strOnlineDocumentation);
    if (url.isRelative())
        url = QUrl::fromLocalFile(QDir(QCoreApplication::applicationDirPath()).filePath(strOnlineDocumentation));
    if (!openUrl || !openUrl(url))
        MessageBox::show(QStringLiteral("Error launching web browser.\r\n\r\n"
                                        "Please make sure that your web browser is correctly installed,\r\n"
                                        "that '.htm' files are associated with it, and that there is\r\n"
                                        "sufficient memory available.") +
                             manualWhereabouts(url),
                         QStringLiteral("Cannot launch web browser"), MessageBox::Warning);
}
