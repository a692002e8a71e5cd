#pragma once

#include <QByteArray>
#include <QString>

// The arithmetic behind "Do it!": the disk space estimate, its message, the target drive and the key stretch.
namespace LaunchChecks {

// A path on drive A: or B: (a floppy). Such paths never occur on this platform's own file names.
bool IsFloppyPath(const QString& path);

// In place on a fixed disk the output replaces the input file by file, so no space check is needed.
bool NeedsSpaceCheck(const QString& inputDirpath, bool outputFilesSame);

// The drive whose free space counts: the first fixed drive for in-place runs, else the output folder's drive
// (its letter and colon where the path has one, the folder itself otherwise).
QString TargetDrive(bool outputFilesSame, const QString& outputDirpath, const QString& firstFixedDrive);

// True when the input, in KB with its fraction, exceeds the free space rounded to whole KB (halves to even).
bool SpaceIsInsufficient(qint64 totalInputBytes, double freeBytes);

// "Estimated space required on drive D: is 3 MB, but there is only 2 MB available."
QString InsufficientSpaceMessage(const QString& drive, qint64 totalInputBytes, double freeBytes);

// A key shorter than 64 characters becomes the first 64 characters of four copies of itself.
QByteArray StretchedKey(const QByteArray& key);

} // namespace LaunchChecks
