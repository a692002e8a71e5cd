// The window set up from paths: those given on the command line (the desktop's "Open with" among them) and
// those dropped on it. Each goes the way the menu buttons go, so the status texts and switches agree.
#include "app/gui/frmMain.h"
#include "files/FileProc.h"
#include "platform/os/MessageBox.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFrame>
#include <QLabel>
#include <QMimeData>
#include <QTimer>

namespace {

QStringList localPaths(const QMimeData* data) {
    QStringList paths;
    if (!data || !data->hasUrls())
        return paths;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile())
            paths << url.toLocalFile();
    return paths;
}

} // namespace

void frmMain::StartFrom(const StartPaths& start) {
    if (start.kind == StartPaths::SingleFile) {
        if (start.encrypt != setup.blnEncrypt)
            cmdFunction_MouseUp(Qt::LeftButton);
        takeSingleFile(start.path);
        presetNewFileOutput(FileProc::FileNamePart(start.path, false));
        lblSetupFilename->clear();
    } else if (start.kind == StartPaths::Folder) {
        takeFolder(0, start.path);
        // As if "*.*" had been chosen in the input files dialog.
        setup.strFilespec[0] = QStringLiteral("*.*");
        ShowFileStatus(0);
        presetNewFileOutput(QString());
        lblSetupFilename->clear();
        CheckInputFolder(setup.strFilespec[0]);
    }
    const QString text = start.message();
    if (!text.isEmpty())
        MessageBox::show(text, QStringLiteral("Input"),
                         start.kind == StartPaths::Unusable ? MessageBox::Warning : MessageBox::Information);
}

void frmMain::presetNewFileOutput(const QString& singleName) {
    // Beside the inputs, whatever folder an earlier job wrote to.
    setup.strDirpath[1] = setup.strDirpath[0];
    if (setup.blnOutputFilesSame) {
        CopyInputToOutput();
    } else {
        // The results never take an existing name of the user's own choosing: the extension is added, or taken off
        // when decrypting (a single file that does not end in it is left for the user to name).
        const QString added = FileProc::AddedExtensionSpec(QStringLiteral("enc"));
        const bool fits =
            setup.blnEncrypt || singleName.isEmpty() || singleName.endsWith(added.mid(1), Qt::CaseInsensitive);
        setup.strFilespec[1] = fits ? added : QString();
    }
    ShowFileStatus(1);
}

void frmMain::dragEnterEvent(QDragEnterEvent* event) {
    // While a panel is open the menu is closed, and so is the window to drops.
    if (fraMenu->isEnabled() && !localPaths(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void frmMain::dropEvent(QDropEvent* event) {
    const QStringList paths = localPaths(event->mimeData());
    if (paths.isEmpty() || !fraMenu->isEnabled())
        return;
    event->acceptProposedAction();
    // Taken once the drop has ended, so that a message it leads to does not hold up the program it came from.
    QTimer::singleShot(0, this, [this, paths] {
        if (!refusedDuringRun())
            StartFrom(StartPaths::from(paths));
    });
}
