// The setup panel: saving, loading, clearing and restoring the operation setup.
#include "app/SetupFile.h"
#include "app/gui/MenuButton.h"
#include "app/gui/frmMain.h"
#include "files/FileProc.h"
#include "files/Folder.h"
#include "key/frmKeyFrom.h"
#include "platform/os/FileDialog.h"
#include "platform/os/MessageBox.h"

#include <QFrame>
#include <QLabel>

namespace {
const QString kOperationFiles = QStringLiteral("Operation files (*.opn)");
// A setup saved under another name is still found.
// A name without an extension gets the operation files' own, so that Load lists it.
QString withOpnExtension(const QString& path) {
    if (path.isEmpty() || !FileProc::FileExtension(path, false).isEmpty())
        return path;
    return path + QStringLiteral(".opn");
}
const QString kOperationOrAnyFiles = QStringLiteral("Operation files (*.opn);;All files (*)");
} // namespace

bool frmMain::SaveSetupFile(const QString& path) {
    return SetupFile::SaveSetupFile(
        path, SetupFile::contentsOf(setup, strVersion.isEmpty() ? versionText() : strVersion));
}

bool frmMain::LoadSetupFile(const QString& path) {
    SetupFileContents c;
    if (path.isEmpty() || !SetupFile::LoadSetupFile(path, c))
        return false;
    // Stored inverted; the caller's replay of the switch buttons turns them into the loaded values.
    setup.blnEncrypt = !c.blnEncrypt;
    setup.blnOutputFilesSame = !c.blnOutputFilesSame;
    setup.blnSubdirectories = !c.blnSubdirectories;
    setup.strDirpath = c.strDirpath;
    setup.strFilespec = c.strFilespec;
    return true;
}

void frmMain::RememberSetup() {
    setup.RememberSetup();
}

void frmMain::cmdSetup_MouseUp(Qt::MouseButton button) {
    if (button == Qt::RightButton) {
        ShowHelp(cmdSetup->intHelpHeading);
        return;
    }
    lblSetupFilename->hide();
    openPanel(fraSetup, cmdSaveSetup);
}

void frmMain::CloseSetupPanel() {
    fraSetup->hide();
    lblSetupFilename->show();
    fraMenu->setEnabled(true);
    cmdSetup->setFocus();
}

void frmMain::cmdLoadSetup_Click() {
    if (refusedDuringRun())
        return;
    fraSetup->hide();
    const QString path = FileDialog::getOpenFileName(QStringLiteral("Specify operation file to be loaded"), QString(),
                                                     kOperationOrAnyFiles);
    if (!path.isEmpty()) {
        if (!Folder::FileExists(path)) {
            MessageBox::show(QStringLiteral("File ") + path + QStringLiteral(" not found!"),
                             QStringLiteral("Error when attempting to load setup."), MessageBox::Warning);
        } else if (LoadSetupFile(path)) {
            ReplaySwitches();
            ShowAllFileStatus();
            RememberSetup();
            lblSetupFilename->setText(path);
        } else {
            MessageBox::show(QStringLiteral("Error when attempting to load setup from file ") + path +
                                 QStringLiteral("!"),
                             QStringLiteral("Error"), MessageBox::Warning);
        }
    }
    lblSetupFilename->show();
    fraMenu->setEnabled(true);
    cmdSetup->setFocus();
}

void frmMain::cmdSaveSetup_Click() {
    fraSetup->hide();
    openPanel(picSaveSetup, cmdSaveSetupForNextRun);
}

void frmMain::cmdSaveSetupForNextRun_Click() {
    if (!SaveSetupFile(strNextRunSetupFilepath))
        MessageBox::show(QStringLiteral("Cannot save setup!"), QStringLiteral("Error"), MessageBox::Warning);
    picSaveSetup->hide();
    lblSetupFilename->show();
    fraMenu->setEnabled(true);
    fraSetup->setEnabled(true);
    cmdSetup->setFocus();
}

void frmMain::cmdSaveSetupAsOperationFile_Click() {
    picSaveSetup->hide();
    const QString path = withOpnExtension(
        FileDialog::getSaveFileName(QStringLiteral("Specify operation file to be saved"), QString(), kOperationFiles));
    bool saving = !path.isEmpty();
    if (saving && Folder::FileExists(path))
        saving = MessageBox::show(QStringLiteral("Overwrite existing file ") + path + QStringLiteral("?"),
                                  QStringLiteral("File exists"), MessageBox::NoIcon,
                                  MessageBox::Yes | MessageBox::No | MessageBox::Cancel) == MessageBox::Yes;
    if (saving) {
        if (SaveSetupFile(path)) {
            lblSetupFilename->setText(path);
        } else {
            MessageBox::show(QStringLiteral("Cannot save setup in operation file ") + path + QStringLiteral("!"),
                             QStringLiteral("Error"), MessageBox::Warning);
            lblSetupFilename->clear();
        }
    }
    lblSetupFilename->show();
    fraMenu->setEnabled(true);
    fraSetup->setEnabled(true);
    cmdSetup->setFocus();
}

void frmMain::cmdDontSaveSetup_Click() {
    picSaveSetup->hide();
    CloseSetupPanel();
}

void frmMain::cmdKeepSetup_Click() {
    CloseSetupPanel();
}

void frmMain::setKeyNotSpecified() {
    key.intKeyFrom = frmKeyFrom::NoKey;
    lblKeyFrom->setText(strNotSpecified);
}

void frmMain::cmdClearSetup_Click() {
    if (refusedDuringRun())
        return;
    RememberSetup();
    setup.blnOutputFilesSame = true;
    setup.blnSubdirectories = true;
    setup.blnEncrypt = false;
    ReplaySwitches();
    setup.strDirpath = {};
    setup.strFilespec = {};
    ShowAllFileStatus();
    setKeyNotSpecified();
    lblSetupFilename->clear();
    CloseSetupPanel();
}

void frmMain::cmdRestoreSetup_Click() {
    if (refusedDuringRun())
        return;
    setup.blnEncrypt = !setup.blnSavedEncrypt;
    setup.blnOutputFilesSame = !setup.blnSavedOutputFilesSame;
    setup.blnSubdirectories = !setup.blnSavedSubdirectories;
    setup.blnConfirmFiles = setup.blnSavedConfirmFiles;
    // The folders come back before the replay, so that it settles the subfolder switch against the folder
    // being restored rather than the one being left.
    setup.strDirpath = setup.strSavedDirpath;
    setup.strFilespec = setup.strSavedFilespec;
    ReplaySwitches();
    setup.strDirpath = setup.strSavedDirpath;
    setup.strFilespec = setup.strSavedFilespec;
    ShowAllFileStatus();
    setKeyNotSpecified();
    CloseSetupPanel();
}
