#include "app/LaunchSequence.h"

#include "app/LaunchChecks.h"
#include "batch/BatchRun.h"
#include "batch/OperationSetup.h"
#include "batch/OperationWording.h"
#include "batch/OutputSurvey.h"
#include "files/FileProc.h"
#include "files/Folder.h"
#include "key/KeyMaterial.h"
#include "key/frmKeyFrom.h"
#include "platform/engine/Engine.h"
#include "platform/os/DiskProc.h"
#include "platform/os/FileIdentity.h"
#include "platform/os/MessageBox.h"
#include "platform/os/NativeName.h"
#include "platform/os/PathEntry.h"

#include <cerrno>

#include <unistd.h>

namespace LaunchSequence {

bool SameFolder(const QString& a, const QString& b) {
    return FileIdentity::sameFile(withTrailingSlash(a), withTrailingSlash(b));
}

bool OutputsAreInputs(const OperationSetup& setup) {
    const OutputSurvey::Result r = OutputSurvey::survey(OutputSurvey::planOf(setup));
    return r.ok && r.inputs > 0 && r.ownInputs == r.inputs;
}

bool CheckInputFolder(const QString& inputDirpath, const QString& spec) {
    const qint64 n = Folder::CountMatchingFiles(inputDirpath, spec, true);
    const qint64 m = Folder::CountSubfolders(inputDirpath);
    if (n == -1 || m == -1) {
        MessageBox::show(QStringLiteral("Cannot access the input folder."), QStringLiteral("Error"),
                         MessageBox::Critical);
        return false;
    }
    if (n != 0 || m != 0)
        return true;
    MessageBox::show((spec == QLatin1String("*.*") ? QStringLiteral("The input folder contains no files ")
                                                   : QStringLiteral("The input folder contains no matching files ")) +
                         QStringLiteral("and no subfolders."),
                     QStringLiteral("Empty folder"), MessageBox::Warning);
    return false;
}

bool CheckSetup(OperationSetup& setup, const frmKeyFrom& key, const Front& front) {
    const QString error = QStringLiteral("Error");
    if (!setup.InputSpecified()) {
        MessageBox::show(QStringLiteral("Input file(s) not specified."), error, MessageBox::Warning);
        return false;
    }
    if (!CheckInputFolder(setup.strDirpath[0], setup.strFilespec[0]))
        return false;
    if (Folder::CountMatchingFiles(setup.strDirpath[0], setup.strFilespec[0], true) == 0 && !setup.blnSubdirectories) {
        MessageBox::show(QStringLiteral("The input folder contains no matching files."),
                         QStringLiteral("Nothing to do"), MessageBox::Warning);
        return false;
    }
    if (key.intKeyFrom == frmKeyFrom::NoKey && !front.keyFollows) {
        const bool encrypt = setup.blnEncrypt;
        MessageBox::show(QStringLiteral("Please specify the ") + TxtEncDec(QStringLiteral("encryption"), encrypt) +
                             QStringLiteral(" key."),
                         TxtEncDec(QStringLiteral("Encryption"), encrypt) + QStringLiteral(" key not specified"),
                         MessageBox::NoIcon);
        return false;
    }
    if (!front.reliabilityTestRunning && front.divertToReliabilityTest && front.divertToReliabilityTest())
        return false;
    if (!setup.OutputSpecified()) {
        MessageBox::show(QStringLiteral("Output file(s) not specified."), error, MessageBox::Warning);
        return false;
    }
    // In place the output names are the input names, whatever the output pattern says.
    if (!setup.blnOutputFilesSame && FileProc::OutputSpecNamesFolder(setup.strFilespec[1])) {
        MessageBox::show(FileProc::OutputSpecFolderText(), error, MessageBox::Warning);
        return false;
    }
    // One folder under two spellings is one folder, but two folders whose names differ only in letter case
    // are two: taking them for one would turn a run to new files into a run in place. Whether the outputs are
    // the inputs is decided by the files themselves: "*.*" for "*.txt" names every input's own file.
    if (SameFolder(setup.strDirpath[0], setup.strDirpath[1]) &&
        (setup.strFilespec[0].toLower() == setup.strFilespec[1].toLower() || OutputsAreInputs(setup))) {
        if (front.turnOutputSameOn) {
            front.turnOutputSameOn();
        } else {
            setup.blnOutputFilesSame = true;
            setup.CopyInputToOutput();
        }
    }
    // Names that keep the original's and add an extension can be made in every subfolder: beside their inputs,
    // or in the same subfolders of another folder.
    if (setup.blnSubdirectories && !setup.blnOutputFilesSame && !FileProc::IsAddedExtensionSpec(setup.strFilespec[1])) {
        MessageBox::show(QStringLiteral("If subfolders are included then the output files ") +
                             QStringLiteral("must be the same as the input files."),
                         QString(), MessageBox::Information);
        return false;
    }
    if (setup.blnOutputFilesSame)
        return true;
    if (!CheckOutputFolder(setup))
        return false;
    const OutputSurvey::Result outputs = OutputSurvey::survey(OutputSurvey::planOf(setup));
    if (!outputs.clashOutput.isEmpty()) {
        MessageBox::show(OutputSurvey::duplicateNamesText(
                             outputs, FileProc::OutputSpecShown(setup.strFilespec[1], setup.blnEncrypt)),
                         error, MessageBox::Warning);
        return false;
    }
    if (outputs.tooLong > 0) {
        MessageBox::show(OutputSurvey::tooLongText(outputs), error, MessageBox::Warning);
        return false;
    }
    return true;
}

bool CheckOutputFolder(const OperationSetup& setup) {
    const QString folder = withTrailingSlash(setup.strDirpath[1]);
    const QString shown = NativeName::shown(folder);
    QString problem;
    // Asked without its final "/", so that a file there is found as the file it is.
    const PathEntry::Info entry = PathEntry::of(folder.size() > 1 ? folder.chopped(1) : folder, true);
    if (entry.kind == PathEntry::Kind::Missing)
        problem = QStringLiteral("The output folder ") + shown + QStringLiteral(" does not exist.");
    else if (entry.kind != PathEntry::Kind::Folder)
        problem = QStringLiteral("The output folder ") + shown + QStringLiteral(" is not a folder.");
    else if (::access(NativeName::encode(folder).constData(), W_OK | X_OK) != 0)
        problem = QStringLiteral("No file can be written in the output folder ") + shown + QStringLiteral(" (") +
                  PathEntry::errorText(errno) + QStringLiteral(").");
    else if (setup.blnSubdirectories && !SameFolder(setup.strDirpath[0], folder) &&
             FolderIsBelow(folder, setup.strDirpath[0]))
        problem = QStringLiteral("The output folder ") + shown + QStringLiteral(" is inside the input folder ") +
                  NativeName::shown(withTrailingSlash(setup.strDirpath[0])) +
                  QStringLiteral(": with subfolders included its results would be taken for input files.");
    if (problem.isEmpty())
        return true;
    MessageBox::show(problem, QStringLiteral("Error"), MessageBox::Warning);
    return false;
}

bool FolderIsBelow(const QString& folder, const QString& above) {
    // Up through the folder's parents as the system resolves them (links and all), until the root, which is its
    // own parent.
    QString path = withTrailingSlash(folder);
    for (int depth = 0; depth < 4096; ++depth) {
        const QString parent = path + QStringLiteral("../");
        if (FileIdentity::sameFile(parent, path))
            return false;
        if (SameFolder(parent, above))
            return true;
        path = parent;
    }
    return false;
}

void BeginKeyDerivation(const frmKeyFrom& key) {
    // The engine's key is the stretched one.
    if (key.strKey.size() >= 64) {
        zq4e::prepare_encryption(key.strKey);
        return;
    }
    QByteArray stretched = frmKeyFrom::stretchedKey(key.strKey);
    zq4e::prepare_encryption(stretched);
    if (stretched.constData() != key.strKey.constData())
        KeyMaterial::wipe(stretched);
}

Prepared PrepareRun(BatchRun& run, const OperationSetup& setup, frmKeyFrom& key, const Front& front) {
    // One run at a time: a run still in progress (the window is modeless) is not disturbed.
    if (run.isRunning())
        return Prepared::Stopped;
    run.strInputDirpath = setup.strDirpath[0];
    run.strOutputDirpath = setup.strDirpath[1];
    run.strInputFilespec = setup.strFilespec[0];
    run.strOutputFilespec = setup.strFilespec[1];
    if (front.handedOver)
        front.handedOver();
    const bool testing = front.reliabilityTestRunning;
    if (!testing && front.confirm && !front.confirm())
        return Prepared::Stopped;
    run.blnPerformingOperation = true;
    run.blnRandomnessReport = false;
    // The key's derivation takes a third of a second or more: it goes on while the files are sized and listed.
    if (setup.blnEncrypt)
        BeginKeyDerivation(key);

    if (LaunchChecks::NeedsSpaceCheck(setup.strDirpath[0], setup.blnOutputFilesSame)) {
        run.lngTotalInputFilesize = 0;
        run.blnGettingInputFilesizes = true;
        run.ProcessFiles();
        // Duplicate output names, or the folder held by another run: the run has said so itself.
        if (run.intOperationResult < 0)
            return Prepared::Aborted;
        if (run.lngTotalInputFilesize == 0) {
            MessageBox::show(QStringLiteral("Total input filesize is 0 bytes."), QStringLiteral("Error"),
                             MessageBox::Warning);
            return Prepared::Aborted;
        }
        const QString drive =
            LaunchChecks::TargetDrive(setup.blnOutputFilesSame, setup.strDirpath[1], DiskProc::FirstFixedDrive());
        double freeBytes = 0;
        double totalBytes = 0;
        if (DiskProc::DiskSpace(drive, freeBytes, totalBytes) != 0) {
            MessageBox::show(QStringLiteral("Error when attempting to access drive ") + drive, QStringLiteral("Error"),
                             MessageBox::Warning);
            return Prepared::Stopped;
        }
        if (LaunchChecks::SpaceIsInsufficient(run.lngTotalInputFilesize, freeBytes)) {
            MessageBox::show(LaunchChecks::InsufficientSpaceMessage(drive, run.lngTotalInputFilesize, freeBytes),
                             QStringLiteral("Insufficient disk space"), MessageBox::Warning);
            return Prepared::Aborted;
        }
    }

    if (key.strKey.size() < 64)
        KeyMaterial::replace(key.strKey, frmKeyFrom::stretchedKey(key.strKey));
    run.blnGettingInputFilesizes = false;
    return Prepared::Launch;
}

} // namespace LaunchSequence
