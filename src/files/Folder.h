#pragma once

#include <QString>

// Folders: picking one, the user's configuration folder, existence tests, counting and copying the files
// a file specification selects. Folder paths may be given with or without their final '/'. Files and
// subfolders are visited in case-insensitive name order (FolderListing.h).
namespace Folder {

// Special folder numbers understood by SpecialFolderPath.
enum SpecialFolder {
    SpecialFolderDesktop = 0,
    SpecialFolderDocuments = 5,
    SpecialFolderAppData = 26, // the user's configuration folder ($XDG_CONFIG_HOME or ~/.config)
    SpecialFolderLocalAppData = 28,
};

// Shows the folder dialog; the chosen folder ending with '/', or empty if cancelled.
QString BrowseForFolder(const QString& title, const QString& startFolder = QString());

// The special folder's path (no final '/'), or empty for an unknown number or an undeterminable folder.
QString SpecialFolderPath(int specialFolder);

// Path of fileName in subfolder of the user's configuration folder (or of the first fixed drive if there
// is none); the subfolder is created if missing. ok, if given, tells whether the subfolder now exists.
QString AppDataFilePath(const QString& fileName, const QString& subfolder, bool* ok = nullptr);

// True if the folder exists and can be read.
bool FolderExists(const QString& path);
// True if a file (not a folder) exists at the path.
bool FileExists(const QString& path);

// Number of immediate subfolders; -1 if the folder cannot be read.
qint64 CountSubfolders(const QString& path);
// Number of files (not recursively) whose names satisfy spec, case ignored; -1 if the folder cannot be read,
// after a message box with the system's description when showErrors is set.
qint64 CountMatchingFiles(const QString& path, const QString& spec, bool showErrors);

// Copies each file of sourceFolder that satisfies spec into targetFolder under the name outputSpec derives
// from it (FileProc::OutputNameFromSpec). A file is not copied when its name cannot be derived, when the
// target exists and overwrite is false, when the target is the file itself, or when the copy fails. Returns
// the number of matching files not copied, or -1 if the source folder cannot be read; errorText, if given,
// receives the first failure's description.
qint64 CopyMatchingFiles(const QString& sourceFolder, const QString& spec, const QString& targetFolder,
                         const QString& outputSpec, bool overwrite, QString* errorText = nullptr);

} // namespace Folder
