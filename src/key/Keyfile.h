#pragma once

#include <QByteArray>
#include <QString>

class frmKeyFrom;

// Keyfiles: any file, whose first 64 bytes are the key. The keyfile window asks its questions and shows
// its messages; everything it decides on comes from here.
namespace Keyfile {

constexpr qsizetype keyLength = 64;

// Reads the first 64 bytes of a file; a shorter file reads as if padded with zero bytes. Returns false
// with the system's description of the failure in errorText (a folder or a missing file fails too).
bool readKeyBytes(const QString& path, QByteArray& key, QString& errorText);

// Zero bytes before the last non-zero byte become significant: the byte at position i (from 1) becomes
// 128 - i. Zero bytes after the last non-zero byte stay zero and vanish in the reduced key. Works in place,
// so no copy of the key is left behind.
void replaceEmbeddedZeros(QByteArray& key);

// Writes a new keyfile: all bytes or, on failure, the old file (or none) untouched.
bool writeKeyBytes(const QString& path, const QByteArray& key, QString& errorText);

enum class ReadStatus {
    Ok,         // strNewKey, blnKeyIsText and blnKeyIsRandom are set
    ReadFailed, // "Keyfile error" with errorText, critical icon
    Unsuitable, // unsuitableText(path), "Unsuitable keyfile"
};
struct ReadResult {
    ReadStatus status = ReadStatus::ReadFailed;
    QString errorText;
};

// Reads a keyfile into the key object's candidate: reading, the 16-character test, the zero-byte rule and
// the text and randomness verdicts. On Unsuitable and ReadFailed intKeyFrom becomes NoKey.
ReadResult readInto(frmKeyFrom& key, const QString& path);

// A generated key is taken when its reduction is long enough, it rates as random and it is not text. On
// acceptance blnKeyIsRandom is set and blnKeyIsText cleared.
bool acceptGenerated(frmKeyFrom& key, const QByteArray& candidate);

// The candidate in strNewKey becomes the key: reduced, checksummed, source keyfile.
void takeCandidate(frmKeyFrom& key);

// The source label of the inspection window for a keyfile key.
QString inspectionSourceLabel(const frmKeyFrom& key, bool isNewRandomKey);

// Texts of the keyfile questions and messages.
QString createQuestion(const QString& path);    // title "Keyfile does not exist."
QString overwriteQuestion(const QString& path); // title "File exists already."
QString unsuitableText(const QString& path);    // title "Unsuitable keyfile"
QString dialogTitle(bool isNew, bool decrypting);

} // namespace Keyfile
