#include "batch/OperationSetup.h"

void OperationSetup::RememberSetup() {
    blnSavedEncrypt = blnEncrypt;
    blnSavedConfirmFiles = blnConfirmFiles;
    blnSavedOutputFilesSame = blnOutputFilesSame;
    blnSavedSubdirectories = blnSubdirectories;
    strSavedDirpath = strDirpath;
    strSavedFilespec = strFilespec;
}

void OperationSetup::restoreRemembered() {
    blnEncrypt = blnSavedEncrypt;
    blnConfirmFiles = blnSavedConfirmFiles;
    blnOutputFilesSame = blnSavedOutputFilesSame;
    blnSubdirectories = blnSavedSubdirectories;
    strDirpath = strSavedDirpath;
    strFilespec = strSavedFilespec;
}

void OperationSetup::setStartValues() {
    blnEncrypt = true;
    blnOutputFilesSame = false;
    blnSubdirectories = false;
    strDirpath = {};
    strFilespec = {};
}

void OperationSetup::invertSwitchesForReplay() {
    blnEncrypt = !blnEncrypt;
    blnOutputFilesSame = !blnOutputFilesSame;
    blnSubdirectories = !blnSubdirectories;
}

void OperationSetup::CopyInputToOutput() {
    strDirpath[kOutput] = strDirpath[kInput];
    strFilespec[kOutput] = strFilespec[kInput];
}

bool OperationSetup::sideSpecified(int side) const {
    if (side != kInput && side != kOutput)
        return false;
    return !strDirpath[size_t(side)].isEmpty() && !strFilespec[size_t(side)].isEmpty();
}

bool OperationSetup::InputSpecified() const {
    return sideSpecified(kInput);
}

bool OperationSetup::OutputSpecified() const {
    return sideSpecified(kOutput);
}

QString withTrailingSlash(const QString& folder) {
    if (folder.isEmpty() || folder.endsWith(QLatin1Char('/')))
        return folder;
    return folder + QLatin1Char('/');
}
