#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// File-name rules (which names a file specification selects, how output names are derived), path and size
// texts, temporary file names, and the wrappers through which the program calls the auxiliary file library.
// Folder paths end with '/'.
namespace FileProc {

// Result codes of OutputNameFromSpec.
enum OutputNameCode {
    OutputNameDerived = 0,
    OutputNameSameAsInput = 1,
    OutputNameInputEmpty = -1,
    OutputNameSpecEmpty = -2,
    OutputNameEmpty = -4,
    OutputNameLacksExtension = -5, // decrypting with an added extension: the name does not end in it
};

// True if the plain file name (no folder) satisfies the file specification. Name and file specification are split
// at their last dot and the parts are matched separately (StrProc::WildcardMatch): "*" selects only names
// without an extension, "*.*" and "*." select every name, *.txt never selects a name without a dot. "?", "*",
// ":" and "\" in a name are characters like any other; a name holding "/" never matches. A pattern made by
// ExactNameSpec selects its one name only.
bool FileNameMatchesSpec(const QString& name, const QString& spec, bool caseSensitive = false);

// Output file name derived from an input file name and an output file specification by positional
// substitution (report.txt with a*.e* gives aeport.ext). code receives an OutputNameCode; on a negative code
// the result is empty.
QString OutputNameFromSpec(const QString& inputName, const QString& outputSpec, int& code);
// An output file specification names files of the output folder: one holding "/" would name files in other
// folders ("../../*.x"), and is refused with this text. An added extension (below) names no folder.
bool OutputSpecNamesFolder(const QString& outputSpec);
QString OutputSpecFolderText();

// "Add an extension": each input keeps its whole name and the extension is added when encrypting
// (notes.txt -> notes.txt.enc) and taken off when decrypting. It is stored as an output pattern of its own,
// "/." and the extension: no ordinary pattern holds "/", so no setup file is ever read as this one, and a program
// that does not know it refuses it rather than misreading it.
QString AddedExtensionSpec(const QString& extension);
bool IsAddedExtensionSpec(const QString& outputSpec);
// The extension of an added-extension pattern ("enc"), empty for any other pattern.
QString AddedExtension(const QString& outputSpec);
// The output name of an input: OutputNameFromSpec, or by the added extension in the run's direction (a name
// that does not end in it cannot be decrypted to a name: OutputNameLacksExtension).
QString OutputName(const QString& inputName, const QString& outputSpec, bool encrypt, int& code);
// How an output pattern is shown: itself, or for an added extension "(name).enc" when encrypting and
// "(name) without .enc" when decrypting.
QString OutputSpecShown(const QString& outputSpec, bool encrypt);

// An input pattern that selects exactly one name, its wildcard characters and letter case included: "/"
// before the name (no name holds "/").
QString ExactNameSpec(const QString& name);
// A pattern that selects these names and no other (ExactNameSpec of several names: "/" cannot be in a name).
QString ExactNamesSpec(const QStringList& names);
// How an input pattern is shown: without that "/".
QString InputSpecShown(const QString& inputSpec);

// Extension of the path's file name without the dot; empty if the file name has no dot.
QString FileExtension(const QString& path, bool lowerCase);
// The text after the last '/'; empty if the path holds no '/'.
QString FileNamePart(const QString& path, bool lowerCase);
// The path up to and including its last '/', through NormalizePathCase; empty if the path holds no '/'.
QString FolderPart(const QString& path);
// On file systems that ignore case, a drive path "c:\Dir\File" becomes "C:\dir\file". Everywhere else the
// path comes back unchanged: where case matters a re-cased path names another file, or none.
QString NormalizePathCase(const QString& path);
// Display form of a long path: head and tail around "...", cut at folder boundaries where possible.
QString ShortenPath(const QString& path, qsizetype maximum);

// Length of an existing file as "1023 bytes", "1.500 KB" or "5120.000 MB" (decimals after the point, the
// user's decimal separator, no digit grouping). Empty for an empty path or a file that cannot be examined.
QString FileSizeText(const QString& path, int decimals);
// The same text for a byte count.
QString ByteCountText(qint64 bytes, int decimals);

// True for the extensions that auto-protecting antivirus utilities watch (xls, ovl, exe, doc, ...).
bool IsAntivirusWatchedType(const QString& path);

// A free path for a temporary file beside an existing file (path + a number), or empty if there is none.
QString NewFilePath(const QString& path);

// Auxiliary library wrappers; results are the library's, unchanged.
double FileRandomness(const QString& path, int minimumFileSize);
double KeyRandomness(const QByteArray& key, int length, int sampleLength);
qint64 CompareFiles(const QString& first, const QString& second);
// Overwrites (parameter 1000) or removes (0) the file. A file without write permission is refused unless
// mayClearReadOnly, which then grants the owner write permission first. True if the library reported success.
bool PurgeFile(const QString& path, int purgeParameter, bool mayClearReadOnly, bool useDriveInformation);

} // namespace FileProc
