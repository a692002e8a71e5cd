#pragma once

#include <QtGlobal>

struct OperationSetup;

// What the input folder of a setup allows when the setup is loaded or its subfolder switch is set, the same for
// the window and the command line. The setup names an input folder.
namespace InputFolderRule {

struct Outcome {
    qint64 subfolders = 0;      // -1: the folder could not be read
    bool outputCleared = false; // the output side was cleared with the input side
};

// A folder that cannot be read is reported (when its drive is there at all) and the input side is cleared, and
// the output side with it when it names the same folder or follows the input. A folder without subfolders turns
// the subfolder switch off.
Outcome apply(OperationSetup& setup);

} // namespace InputFolderRule
