#pragma once

#include <QString>

#include <array>

struct OperationSetup;

// An operation file (*.opn) or the next-run file: nine UTF-8 lines, each ended by CR LF. The key is never in it.
//   1 version text            2 encrypt flag        3 confirm-files flag   4 output-same flag
//   5 subfolders flag         6 input folder        7 input spec           8 output folder   9 output spec
// Flags are written " 1 " or " 0 ". The values here are the plain ones; the main window stores the switches
// inverted itself before it replays them.
struct SetupFileContents {
    QString version;
    bool blnEncrypt = true;
    bool blnConfirmFiles = false;
    bool blnOutputFilesSame = false;
    bool blnSubdirectories = false;
    std::array<QString, 2> strDirpath;
    std::array<QString, 2> strFilespec;
};

namespace SetupFile {

// Creates or replaces the file. False on any error, and then a file that existed before is left as it was.
// A text holding a line break cannot be stored in a line of its own, so such a setup is refused.
bool SaveSetupFile(const QString& path, const SetupFileContents& contents);

// Reads all nine lines; false (and `contents` untouched) when the file is missing, unreadable, shorter than
// nine lines, or a flag line is not 0 or 1.
bool LoadSetupFile(const QString& path, SetupFileContents& contents);

// The two halves of the above without the file: the nine lines of a setup (empty when a text holds a line
// break), and the reading of such lines, with the same verdicts as LoadSetupFile.
QByteArray SetupFileText(const SetupFileContents& contents);
bool ParseSetupFileText(const QByteArray& raw, SetupFileContents& contents);

// Function, switches, folders and file patterns of the setup := those of a setup file, as stored.
void applyTo(const SetupFileContents& contents, OperationSetup& setup);
// The contents a setup file of this setup holds, under the given version.
SetupFileContents contentsOf(const OperationSetup& setup, const QString& version);

} // namespace SetupFile
