#pragma once

#include <QString>

struct RunContext;

// Read-back checks of an in-place result before the original is purged, and the folder sync that makes
// the final rename durable.
namespace ResultCheck {

// True when the ciphertext side, decrypted again with the current key, equals the plaintext side:
// for an encryption the result is the ciphertext, for a decryption the original is. Without mayDerive a master
// key that would have to be derived first (a file swapped in meanwhile) makes it false.
bool resultMatches(const QString& originalPath, const QString& resultPath, bool encrypt, const RunContext& context,
                   bool mayDerive);

// Syncs the folder that holds path, so a rename in it survives a crash.
bool syncFolder(const QString& path);
// Syncs the whole file system that holds path: everything written there so far is on disk afterwards.
bool syncFileSystem(const QString& path);

} // namespace ResultCheck
