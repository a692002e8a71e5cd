#include "app/InputFolderRule.h"

#include "batch/OperationSetup.h"
#include "files/Folder.h"
#include "platform/os/DiskProc.h"
#include "platform/os/MessageBox.h"

InputFolderRule::Outcome InputFolderRule::apply(OperationSetup& setup) {
    constexpr int in = OperationSetup::kInput;
    constexpr int out = OperationSetup::kOutput;
    const QString folder = setup.strDirpath[in];
    Outcome outcome;
    outcome.subfolders = Folder::CountSubfolders(folder);
    if (outcome.subfolders == 0)
        setup.blnSubdirectories = false;
    if (outcome.subfolders != -1)
        return outcome;
    if (DiskProc::DriveAccessible(folder))
        MessageBox::show(QStringLiteral("Error when attempting to access ") + folder + QStringLiteral("."),
                         QStringLiteral("Error"), MessageBox::Warning);
    setup.strDirpath[in].clear();
    setup.strFilespec[in].clear();
    if (folder == setup.strDirpath[out] || setup.blnOutputFilesSame) {
        setup.strDirpath[out].clear();
        setup.strFilespec[out].clear();
        outcome.outputCleared = true;
    }
    return outcome;
}
