#pragma once

#include <QByteArray>

#include <cstdint>

// Streams in format v1 (Engine.h describes it), from one descriptor to another: standard input to standard
// output, or a file checked without writing anything. The key and the destination are given per call, and
// nothing here touches the engine's per-file settings; only the master keys are shared with the engine's
// cache, so a stream and files under one key derive once. Memory stays at two segments whatever the length.
namespace zq4e {

struct StreamOutcome {
    int code = 0;                 // 0, or a code of Engine.h (ReadError, WriteError, DiskFull, InvalidCipherFile, ...)
    std::uint64_t segments = 0;   // segments sealed, or authenticated
    std::uint64_t written = 0;    // bytes written to the destination
    std::uint64_t badSegment = 0; // decryption: the segment (from 0) that failed, when code is a failure of one
};

// Reads `in` to its end and writes the encrypted stream to `out`: the header, then each segment as soon as the
// next one shows it is not the final one. key: the key as the engine takes it (operation_initialization).
StreamOutcome encrypt_stream(const QByteArray& key, int in, int out);

// Reads an encrypted stream from `in` and writes each segment's plaintext to `out` only once it has
// authenticated; the first segment that fails ends the call (InvalidCipherFile when it is the first one, as for
// a wrong key or a foreign stream; SegmentFailuresBase - 1 for a later one; PartialInvalidSize when the stream
// ends in a piece too short to be a segment). out < 0: nothing is written, every segment is authenticated.
StreamOutcome decrypt_stream(const QByteArray& key, int in, int out);

} // namespace zq4e
