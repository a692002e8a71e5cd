#pragma once

#include <QByteArray>
#include <QString>

// The auxiliary library of file services: randomness, comparison, purge and new file names.
// No function throws; every failure is a result code.
namespace filekit {

// The randomness measure (shared by fr and randomness_measure)
// ------------------------------------------------------------
// A value from 0 to 1 that says how much a run of bytes looks like uniformly random bytes. Three histograms are
// taken: of the byte values, of the pairs of neighbouring bytes and of the differences between neighbouring
// bytes (mod 256). For each, the observed Shannon entropy is divided by the entropy that the same number of
// uniformly random bytes is expected to show (computed exactly from the binomial distribution of the counts),
// which keeps small samples from being held against their size; each ratio is capped at 1 and the value is the
// smallest of them. So:
//   - random bytes, encrypted files (whose structured header is a few dozen bytes) and well-compressed files
//     rate close to 1, and above 0.89 even at 256 bytes;
//   - text and source code (few byte values in use) rate about 0.45 to 0.75, all-zero data 0;
//   - repeated blocks (few distinct pairs) and ramps or counting sequences (few distinct differences) rate low
//     although every byte value may occur equally often.
// 0.89 and more: encrypted or compressed; below 0.8: not encrypted. Keys use the byte and difference ratios
// only (64 bytes are too few for pairs): 64 random characters of codes 33-255 rate about 0.92 to 1, a typed
// phrase about 0.6 to 0.8; 0.88 and more counts as a random key.

// Randomness of a file's contents, 0..1, or an error code:
//   -11 the file does not exist, -12 it cannot be read (a folder, a device, no permission, a read failure),
//   -14 it is empty, -15 it is shorter than minimumSize bytes.
// Files up to 4 MiB are read whole. Of a larger file, 32 stretches of 128 KiB spread evenly from its first to
// its last byte are read (4 MiB in all), so a file of any size is rated in a few milliseconds once cached.
double fr(const QString& path, int minimumSize);

// Randomness of a key, 0..1, by the measure above. The first `length` bytes of the key are rated (all of them
// when length is larger than the key). `sampleLength` is the number of bytes a full key has: a shorter key's
// value is scaled by its share of it, since it cannot carry a full key's randomness. The program always passes
// 64 and 64. An empty key, or length < 1, rates 0.
double randomness_measure(const QByteArray& key, int length, int sampleLength);

// Compares two files byte by byte, streaming.
//   -1 the files are identical;
//   0 or more: the position (from 0) of the first byte that differs; when one file is the start of the other,
//     the length of the shorter one;
//   -11 / -12 the first / second file cannot be opened (missing, no permission);
//   -21 / -22 the first / second file cannot be read (a folder or other non-file, a read failure);
//   -31 / -32 the first / second file is empty.
// The first file's conditions are reported before the second's, opening before reading before emptiness,
// except that a first file that opens and is empty is reported as such (-31) before anything of the second.
qint64 compare_files(const QString& first, const QString& second);

// Removes a file so that its name is free afterwards.
// parameter > 0 (the program passes 1000): the contents are first overwritten once with cryptographically
// random bytes and synced, then the file is renamed to a random name in its folder (".zq4e-", 16 hexadecimal
// digits, ".tmp") and removed.
// parameter 0: the file is only removed. reserved0 and reservedMinus1 are not used (the program passes 0, -1).
// A symbolic link is removed itself; its target is never opened. A read-only file is purged all the same.
// A file with other hard links is only unlinked: overwriting it would destroy the contents under its other
// names.
// Results, -3 or more meaning success:
//    1 overwritten and removed;
//    0 removed without overwriting, as asked (parameter 0);
//   -1 a symbolic link was removed, its target left alone;
//   -2 removed without overwriting because the file has other names (hard links);
//   -4 invalid arguments (empty path, negative parameter);
//  -11 nothing exists at the path;
//  -12 the path is a folder or another kind of entry that is not a file;
//  -13 the file cannot be opened for writing;
//  -14 the overwrite or its sync failed; the file stays in place, possibly partly overwritten;
//  -15 the file cannot be removed (e.g. its folder is not writable); when overwriting was asked for, the
//      contents are already overwritten.
// steps says how much of this to do:
//   Whole: all of it; the folder is synced at the end, so the removal is on disk.
//   LeaveFolderUnsynced: all but that folder sync, for a caller that renames a file into the folder next and
//     syncs the folder then.
// And the two halves, for a caller that purges many files with one sync of the file system between them:
//   OverwriteUnsynced: only the overwrite, not synced; the file stays (1). A file that would not be
//     overwritten (parameter 0, a link, other names) is left untouched (0).
//   RemoveOverwritten: only the rename to a random name and the removal, folder unsynced (1, or -11, -15).
enum class PurgeSteps { Whole, LeaveFolderUnsynced, OverwriteUnsynced, RemoveOverwritten };
int purge_file(const QString& path, int parameter, int reserved0, int reservedMinus1,
               PurgeSteps steps = PurgeSteps::Whole);
// Tests only: called once a purged file has its random name and before it is removed (tests end a process there).
void set_purge_hidden_hook(void (*hook)());

// 1 if a new file can be created at that path (nothing exists there yet, and a trial creation succeeds; the
// trial file is removed again), else 0.
int new_file_creatable(const QString& path);

// Smallest n >= 1 such that path + the decimal digits of n names nothing (no file, folder or link, not even a
// dangling one); 0 if there is none below one million or the path is empty.
qint64 new_filepath_extension(const QString& path);

} // namespace filekit
