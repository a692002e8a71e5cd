#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

// The cipher engine.
//
// File format v1 (CipherHeader.h has the byte layout): a 64-byte header, then the plaintext cut into segments
// of 2^k bytes (64 KiB when we write), each sealed with AES-256-GCM under a per-file key:
//   master key = scrypt(key, KDF salt, N, r, p), 32 bytes, cached per (key, KDF salt, N, r, p);
//   file key   = HKDF-SHA256(master key, salt = file salt, info = "ZQ4E v1" || the whole header);
//   nonce i    = nonce prefix (7) || big-endian segment index (4) || 1 for the final segment else 0;
//   segment    = ciphertext || 16-byte tag. Every segment but the final one is full; the final one holds
//                1 to 2^k bytes, except that an empty plaintext is one empty final segment (its tag alone),
//                so an empty file is authenticated too.
// Encryption uses one random KDF salt per key for the whole engine session (one scrypt per run) and a fresh
// random file salt and nonce prefix per file.
//
// Output files. A result never lies under its output name before it is complete. An encryption to a name that
// is free is written to a file without a name in the output's folder (O_TMPFILE), which takes the output name by
// a hard link only at the end, and only while that name is still free: killed before then, the process leaves
// nothing behind. A decryption's result, an encryption's when a file of that name exists already, and any
// result on a file system without unnamed files, is written to a new, hidden temporary file created exclusively
// beside the output path and renamed onto the output path only at the end, so a failure never leaves a
// half-written result under the output name, an existing file of that name survives a failure, and a symbolic
// link at the output path is replaced, never followed. An output path that is a folder, or the very file being
// read, is refused. The input file is only ever read.
//
// Durability. With set_sync_output(true) (the default) the result is fsync'ed before it takes its name and its
// folder after that, so a successful return means the result is on disk. Callers that group many small files may turn
// this off and sync themselves; set_sync_output_folder(false) keeps the file's sync but leaves the folder to a
// caller that renames into it next and syncs it then.
//
// Result codes of encrypt_file and decrypt_file:
//    0  success: the output file exists and is complete.
//   -1  the engine's buffers are not allocated (allocate_buffers not called, or failed).
//   -2  no key: operation_initialization was not called since the last erase, or the key was empty or all
//       zero bytes (what an erased key looks like).
//   -3  the input file does not exist (or a folder on its path is missing).
//   -4  the input cannot be opened or is not a regular file (a folder, a device, no permission).
//   -5  the output cannot be created: its folder is missing or not writable, the output path is a folder,
//       or it names the input file itself.
//   -6  read error of the input; no output file is left.
//   -7  write error of the output (also a failed sync or rename); no output file is left.
//   -8  decryption: not a file of ours or not readable with this key, found before any output was written:
//       too short, bad magic, unknown version or algorithm, non-zero reserved bytes, segment size or scrypt
//       cost out of bounds (checked before anything is derived), or the first segment fails to authenticate
//       (wrong key, foreign or corrupt file). No output file is left.
//   -9  the disk is full (ENOSPC or quota); no output file is left.
//  -10  the cryptographic library failed (e.g. no memory for scrypt); no output file is left.
//  -11  cancelled by request_cancel(); the output (unnamed or temporary) is removed, the input untouched.
//  -12  the file needs a key derivation that the call may not run (FileOptions::mayDerive false); nothing is
//       left: call again from a thread that may wait for it.
// Decryption only, after authenticated plaintext was written; the output file keeps the plaintext of every
// segment that authenticated before the failure, and nothing else:
//  -16  read error of the input.
//  -17  write error of the output.
//  -18  the encrypted data ends in a piece too short to be a segment.
//       When a file exists at the output path, it is kept: the partial plaintext goes to the first free name of
//       the output path followed by 1, 2, ... (last_output_path() tells which).
//  -21..-29  a later segment fails to authenticate (corruption, truncation, appended bytes, reordering):
//       -20 - n, where n (at most 9) is the number of segments that fail; the rest of the file is still
//       checked to count them, but nothing after the first failure is written.
namespace zq4e {

enum ResultCode : int {
    Ok = 0,
    NotAllocated = -1,
    NoKey = -2,
    InputNotFound = -3,
    CannotOpenInput = -4,
    CannotOpenOutput = -5,
    ReadError = -6,
    WriteError = -7,
    InvalidCipherFile = -8,
    DiskFull = -9,
    CryptoFailure = -10,
    Cancelled = -11,
    DerivationNeeded = -12,
    PartialReadError = -16,
    PartialWriteError = -17,
    PartialInvalidSize = -18,
    SegmentFailuresBase = -20, // -20 - n for n failed segments, n = 1..9
    VerifyMismatch = -30,      // verify_file only
};

// Sets up the engine's buffers and master-key cache. 0 = failure.
int allocate_buffers();
// Releases the buffers and wipes every cached key and the current key.
void deallocate_buffers();
// Takes the key for the next encrypt_file / decrypt_file call. encrypt: 1 encrypt, 0 decrypt.
// inputLength: the input's size in bytes (64-bit), informational only: the engine reads to the end of file.
// reserved: always 0.
void operation_initialization(const QByteArray& key, int encrypt, qint64 inputLength, int reserved);
// Takes the key as operation_initialization does and begins deriving, on a thread of the engine's own, the
// master key this session's encryptions use with it (scrypt, a third of a second or more), so that the run can
// list and check its files meanwhile. The first encrypt_file that needs it waits for what is left of it; a
// call that may not derive (FileOptions::mayDerive false) gets DerivationNeeded until it is done.
// Nothing happens when it is derived already or the key is empty.
void prepare_encryption(const QByteArray& key);
// Encrypt / decrypt one file into a different file. 0 = success, negative codes as listed above. The result is
// written as the engine-wide settings say (set_sync_output, set_sync_output_folder, set_rename_output,
// set_output_in_memory); last_output_path(), take_unnamed_output() and last_input_was_encrypted() tell the rest.
[[nodiscard]] int encrypt_file(const QString& inputPath, const QString& outputPath);
[[nodiscard]] int decrypt_file(const QString& inputPath, const QString& outputPath);

// How one call writes its result, for a caller that chooses per file rather than through the engine-wide settings.
struct FileOptions {
    bool sync = true;       // the result synced to the disk before it is named
    bool syncFolder = true; // with sync, its folder synced after the rename
    // The result takes the output path. False: it stays under a temporary name or unnamed and open, for a caller
    // that makes many results durable together and then names them (FileResult says where); partial plaintext
    // of a failed decryption then never takes the output path itself, only the first free name of the output
    // path followed by 1, 2, ...
    bool name = true;
    // With name false: the result is made in memory, nothing created on the disk (except partial plaintext of a
    // failed decryption, beside the output path as always).
    bool inMemory = false;
    // The caller has just found nothing at the output path: a result left unnamed (name false) is begun without
    // looking again. Should a file appear there meanwhile, naming the result fails rather than replace it.
    bool outputSeenFree = false;
    // False: a file whose master key is not at hand (derived, or derived ahead and done) is left alone with
    // DerivationNeeded instead of deriving it (scrypt, up to seconds for a header someone crafted), for a caller
    // on a window's thread that hands such a file to a worker.
    bool mayDerive = true;
};
// What one call did.
struct FileResult {
    int code = NotAllocated;
    QString path;              // where the output is (see last_output_path())
    int unnamed = -1;          // a result left unnamed, handed over: the caller names it (UnnamedFile) or closes it
    bool inputWasOurs = false; // the input began with a valid header of ours (see last_input_was_encrypted())
    long long bytes = -1;      // the result's length, when it was made
};
// The options encrypt_file and decrypt_file use: the engine-wide settings.
[[nodiscard]] FileOptions default_file_options();
[[nodiscard]] FileResult encrypt_file(const QString& inputPath, const QString& outputPath, const FileOptions& options);
[[nodiscard]] FileResult decrypt_file(const QString& inputPath, const QString& outputPath, const FileOptions& options);
// Checks a result against its original without writing anything: decrypts cipherPath with the current key,
// streaming, and compares the plaintext with plainPath byte by byte. 0 when every segment authenticates and
// the plaintext is exactly the file's contents; -30 when they differ (in content or length) or plainPath
// cannot be read to the end; otherwise the code decrypt_file would give (-3/-4 also for plainPath). A master key
// not at hand is derived, unless mayDerive is false (as FileOptions::mayDerive): then DerivationNeeded.
int verify_file(const QString& cipherPath, const QString& plainPath, bool mayDerive = true);
// Nonzero when the key's bytes look like text: every byte of the first `length` bytes, trailing zero bytes
// ignored, is TAB, LF, CR, 32-126 or 160-255, and at most a quarter of them are 160 or above. A key with no
// bytes left is not text. The key is not changed.
int key_is_text(const QByteArray& key, int length);

// Wipes the current key, every cached master key and the session's KDF salts (the user erased the key).
void erase_key();
// Whether encrypt_file / decrypt_file sync their result to disk before returning (default true).
void set_sync_output(bool on);
bool sync_output();
// Whether the folder is synced after the rename when the result is synced (default true).
void set_sync_output_folder(bool on);
bool sync_output_folder();
// Cancellation and progress of the file in progress. These may be called from any thread at any time and never
// wait for the engine's lock. After request_cancel() the file in progress ends at its next batch of segments
// (or before it derives its key) with Cancelled, and so does every later call, until clear_cancel().
void request_cancel();
void clear_cancel();
bool cancel_requested();
// Input bytes of the file in progress read so far; 0 when a file starts.
qint64 progress_bytes();

// Whether a result is handed to the disk as it is written and let go of from the page cache once there (default
// true; EngineFiles.h says why). Off only for benchmarks that time the cipher in the page cache.
void set_write_behind(bool on);

// Whether a complete result is given its output name (default true). Off, a result that waits under a temporary
// name stays there (last_output_path() gives it) and an unnamed one stays unnamed and open (take_unnamed_output()
// hands it over), for a caller that makes many results durable together and then names them; partial plaintext of
// a failed decryption then never takes the output path itself, only the first free name of the output path
// followed by 1, 2, ... (last_output_path() tells which).
void set_rename_output(bool on);
// The descriptor of the last result when it was left unnamed, handed over to the caller, who names it
// (UnnamedFile::link) or closes it; -1 when the last result has a name. One not taken is closed, and so lost,
// when the next encrypt_file, decrypt_file or verify_file begins.
int take_unnamed_output();
// While on, together with set_rename_output(false), a result is written to memory rather than to the output's
// folder and left there, unnamed, for take_unnamed_output(); nothing is created on the disk, except partial
// plaintext of a failed decryption, which takes a name beside the output path as always. For a caller that
// writes small results over their originals itself.
void set_output_in_memory(bool on);

// Benchmarks only: an encryption whose input is smaller than this many bytes is written straight under its
// output name when that name is free (one write, no link), what a kill can leave cut short under its name.
// The default, 0, never does.
constexpr qint64 kDefaultDirectWriteLimit = 0;
void set_direct_write_limit(qint64 bytes);
qint64 direct_write_limit();

// For tests that must stop a process in the middle of a file: called on the writing thread after each write
// of a result with the bytes written of it so far. Null (the default) calls nothing.
void set_write_hook(void (*hook)(qint64 written));
void written_so_far(qint64 bytes);

// The path the last encrypt_file / decrypt_file put its output under: its output path, its temporary name
// (set_rename_output(false)), /proc/self/fd/N for a result left unnamed (readable while its descriptor is
// open), or for partial plaintext beside an existing file, the free name it took.
QString last_output_path();

// Tests only: called on the engine's thread after each read of a file's input, with the bytes read so far, so a
// test can hold a file at a known point. Set it while no file is in progress.
void set_read_hook(std::function<void(qint64)> hook);

// Whether the file the last encrypt_file or decrypt_file read began with a valid header of ours: encrypted, it is
// now encrypted twice; refused as InvalidCipherFile, the key did not open it.
bool last_input_was_encrypted();

// Number of master keys held in the cache.
qint64 cached_master_keys();
// Number of scrypt derivations begun in this process, ahead or not: one a run when all goes as it should.
qint64 key_derivations();

// The engine may be called from one worker thread at a time while other threads leave it alone; every
// function takes the engine's lock, so a call from another thread waits until the file in progress is done.
// A file longer than one batch of segments (about 4 MiB) is shared with a second thread of the engine's own
// for the length of the call, each taking every other batch; what is read, written and returned is the same.

} // namespace zq4e
