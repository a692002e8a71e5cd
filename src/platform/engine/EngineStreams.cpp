#include "platform/engine/EngineStreams.h"

#include "platform/engine/Engine.h"

#include "platform/engine/BatchWorker.h"
#include "platform/engine/CipherHeader.h"
#include "platform/engine/EngineFiles.h"
#include "platform/engine/EngineState.h"
#include "platform/engine/FreshBytes.h"
#include "platform/engine/MasterKeyCache.h"
#include "platform/engine/PlainComparison.h"
#include "platform/engine/SecretBytes.h"
#include "platform/engine/SegmentCipher.h"
#include "platform/os/NativeName.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstring>
#include <functional>
#include <mutex>
#include <openssl/crypto.h>
#include <unistd.h>
#include <vector>

namespace zq4e {

namespace {

using namespace internal;

// Segments are read and written in batches of about this many bytes: large enough for the disk, small
// enough to stay in the processor's caches.
constexpr std::size_t kBatchBytes = 4u << 20;

bool cancelled() {
    return g_cancel.load(std::memory_order_relaxed);
}

void addProgress(long long bytes) {
    if (bytes > 0)
        g_progress.fetch_add(bytes, std::memory_order_relaxed);
    if (g_readHook)
        g_readHook(g_progress.load(std::memory_order_relaxed));
}

constexpr std::size_t kAlign = 64;

// A working buffer of at least `bytes` bytes starting on a cache line, so that the copies between it and the
// page cache run on aligned data; null when it cannot be had.
std::uint8_t* workingBuffer(SecretBytes& buffer, std::size_t bytes) {
    if (buffer.size() < bytes + kAlign) {
        buffer.wipe();
        try {
            buffer = SecretBytes(bytes + kAlign);
        } catch (...) {
            return nullptr;
        }
    }
    const auto address = reinterpret_cast<std::uintptr_t>(buffer.data());
    return buffer.data() + (kAlign - address % kAlign) % kAlign;
}

// Room for one segment and its tag, rounded up to whole cache lines.
std::size_t slotSize(std::size_t stride) {
    return (stride + kAlign - 1) / kAlign * kAlign;
}

std::size_t slotsFor(std::size_t stride) {
    return std::max<std::size_t>(1, kBatchBytes / stride);
}

// Forgets the file key in both ciphers.
void endFile(EngineState& s) {
    s.cipher.endFile();
    s.secondCipher.endFile();
}

int checkReady(EngineState& s) {
    g_progress.store(0, std::memory_order_relaxed);
    dropUnnamedOutput(s);
    if (!s.allocated)
        return NotAllocated;
    if (cancelled())
        return Cancelled;
    // A key of zero bytes is what an erased key looks like: never encrypt under it.
    const SecretBytes& key = s.cache.key();
    if (key.empty() || std::all_of(key.data(), key.data() + key.size(), [](std::uint8_t b) { return !b; }))
        return NoKey;
    return Ok;
}

// Takes a stream's batches 0, 1, 2, ... in turn: read(lane, k) reads batch k into the lane and tells whether
// nothing after it is read; work(lane, k) seals or opens it; settle(lane, k) writes it and tells whether the
// outcome is decided. Once the file proves longer than one batch, a second thread takes the odd batches with
// the second lane, buffer and cipher (see BatchTurns); a file of one batch, or one when no second thread can
// be had, stays on this thread with the first lane.
template <class Lane, class Read, class Work, class Settle>
void runBatches(EngineState& s, Read read, Work work, Settle settle, Lane (&lanes)[2], std::size_t laneBytes) {
    BatchTurns turns;
    BatchWorker worker;
    std::function<void(int, std::uint64_t)> run;
    const auto startSecond = [&] {
        lanes[1].buf = workingBuffer(s.secondBuffer, laneBytes);
        return lanes[1].buf && s.secondCipher.beginSameFile(s.cipher) && worker.post([&] { run(1, 2); });
    };
    run = [&](int which, std::uint64_t step) {
        Lane& l = lanes[which];
        for (std::uint64_t k = std::uint64_t(which);; k += step) {
            if (!turns.awaitRead(k))
                return;
            const bool last = read(l, k);
            if (k == 0 && !last && !startSecond())
                step = 1;
            turns.readDone(last);
            work(l, k);
            if (!turns.awaitWrite(k))
                return;
            const bool end = settle(l, k);
            turns.writeDone(end);
            if (end)
                return;
        }
    };
    run(0, 2);
    worker.wait();
}

int encryptStream(EngineState& s, InputFile& in, OutputFile& out) {
    CipherHeader h;
    // The file salt and the nonce prefix in one draw.
    std::uint8_t fresh[kSaltSize + kNoncePrefixSize];
    if (!s.cache.encryptionSalt(h.kdfSalt) || !freshBytes(fresh, sizeof fresh))
        return CryptoFailure;
    std::memcpy(h.fileSalt.data(), fresh, kSaltSize);
    std::memcpy(h.noncePrefix.data(), fresh + kSaltSize, kNoncePrefixSize);
    const HeaderBytes headerBytes = encodeHeader(h);
    if (t_noDerivation && !s.cache.has(h))
        return DerivationNeeded;
    std::uint8_t master[kKeySize];
    const bool keyed = s.cache.masterKey(h, master) && s.cipher.beginFile(master, h, headerBytes);
    OPENSSL_cleanse(master, sizeof master);
    if (!keyed)
        return CryptoFailure;

    const std::size_t seg = h.segmentSize(), stride = seg + kTagSize, batch = slotsFor(stride);
    // One slot more than a batch: a segment is only known to be the final one once the file ends behind it.
    const std::size_t laneBytes = (batch + 1) * stride;
    std::uint8_t* buf = workingBuffer(s.buffer, laneBytes);
    if (!buf)
        return CryptoFailure;
    struct Lane {
        std::uint8_t* buf;
        SegmentCipher& cipher;
        std::vector<iovec> iov;
        std::size_t data = 0, count = 0, outBytes = 0;
        bool atEnd = false;
        int code = Ok;
    };
    Lane lanes[2] = {{buf, s.cipher, std::vector<iovec>(batch + 1)},
                     {nullptr, s.secondCipher, std::vector<iovec>(batch + 1)}};
    const std::uint8_t* carry = nullptr; // the extra slot of the batch read last, the next batch's first segment
    std::uint64_t written = 0;
    int result = Ok;

    // Reads batch k into the lane, the carried segment first.
    auto read = [&](Lane& l, std::uint64_t k) {
        if (k > 0)
            std::memcpy(l.buf, carry, seg);
        const std::size_t carried = k > 0 ? seg : 0;
        l.iov[0] = {l.buf + carried, seg - carried};
        for (std::size_t i = 1; i <= batch; ++i)
            l.iov[i] = {l.buf + i * stride, seg};
        const long long got = in.readVec(l.iov.data(), int(l.iov.size()));
        if (got < 0)
            return false;
        addProgress(got);
        l.data = carried + std::size_t(got);
        if (k == 0) {
            CipherHeader header;
            s.lastInputOurs = l.data >= kHeaderSize && decodeHeader(l.buf, header);
        }
        l.atEnd = l.data < (batch + 1) * seg;
        // At the end every slot holding data is sealed, the last one as final (an empty file is one empty
        // final segment); otherwise the full batch goes and its extra slot is carried over.
        l.count = l.atEnd ? std::max<std::size_t>(1, (l.data + seg - 1) / seg) : batch;
        carry = l.buf + batch * stride;
        return true;
    };
    auto seal = [&](Lane& l, std::uint64_t first) {
        if (first + l.count - 1 > UINT32_MAX)
            return false;
        for (std::size_t i = 0; i < l.count; ++i) {
            const bool last = l.atEnd && i + 1 == l.count;
            const std::size_t len = last ? l.data - i * seg : seg;
            std::uint8_t* slot = l.buf + i * stride;
            if (!l.cipher.seal(std::uint32_t(first + i), last, slot, len, slot + len))
                return false;
            l.outBytes = i * stride + len + kTagSize;
        }
        return true;
    };
    auto write = [&](Lane& l, bool withHeader) {
        iovec w[2] = {{const_cast<std::uint8_t*>(headerBytes.data()), kHeaderSize}, {l.buf, l.outBytes}};
        return withHeader ? out.writeVec(w, 2, written) : out.writeVec(w + 1, 1, written);
    };

    runBatches(
        s,
        [&](Lane& l, std::uint64_t k) {
            l.code = cancelled() ? Cancelled : read(l, k) ? Ok : ReadError;
            return l.code != Ok || l.atEnd;
        },
        [&](Lane& l, std::uint64_t k) {
            if (l.code == Ok && !seal(l, k * batch))
                l.code = CryptoFailure;
        },
        [&](Lane& l, std::uint64_t k) {
            if (l.code == Ok)
                l.code = write(l, k == 0);
            const bool end = l.code != Ok || l.atEnd;
            if (end)
                result = l.code;
            return end;
        },
        lanes, laneBytes);
    return result;
}

// Sink: an OutputFile, or a PlainComparison that checks the plaintext against a file.
template <class Sink> DecryptOutcome decryptStream(EngineState& s, InputFile& in, Sink& out) {
    DecryptOutcome r;
    std::uint8_t headerRaw[kHeaderSize];
    const long long headerGot = in.read(headerRaw, kHeaderSize);
    if (headerGot < 0)
        return {ReadError, 0};
    CipherHeader h;
    if (headerGot < static_cast<long long>(kHeaderSize) || !decodeHeader(headerRaw, h))
        return {InvalidCipherFile, 0};
    r.ours = true;
    HeaderBytes headerBytes;
    std::memcpy(headerBytes.data(), headerRaw, kHeaderSize);
    if (t_noDerivation && !s.cache.has(h))
        return {DerivationNeeded, 0};
    std::uint8_t master[kKeySize];
    const bool keyed = s.cache.masterKey(h, master) && s.cipher.beginFile(master, h, headerBytes);
    OPENSSL_cleanse(master, sizeof master);
    if (!keyed)
        return {CryptoFailure, 0};

    const std::size_t seg = h.segmentSize(), stride = seg + kTagSize, batch = slotsFor(stride);
    // Each segment is read into a slot of its own that starts on a cache line, so its plaintext is written
    // out from aligned memory.
    const std::size_t capacity = (batch + 1) * stride, slotBytes = slotSize(stride);
    const std::size_t laneBytes = (batch + 1) * slotBytes;
    std::uint8_t* buf = workingBuffer(s.buffer, laneBytes);
    if (!buf)
        return {CryptoFailure, 0};
    struct Lane {
        std::uint8_t* buf;
        SegmentCipher& cipher;
        std::vector<iovec> reads, plain; // plain: the authenticated plaintext before the batch's first failure
        std::size_t data = 0, count = 0;
        int pieces = 0, failures = 0;
        bool atEnd = false, readFailed = false, cancelled = false, foreign = false, badTail = false;
    };
    Lane lanes[2] = {{buf, s.cipher, std::vector<iovec>(batch + 1), std::vector<iovec>(batch + 1)},
                     {nullptr, s.secondCipher, std::vector<iovec>(batch + 1), std::vector<iovec>(batch + 1)}};
    const std::uint8_t* carry = nullptr; // the extra slot of the batch read last, the next batch's first segment
    int failures = 0;                    // of the batches settled so far
    bool badTail = false;

    // Reads batch k into the lane, the carried segment first.
    auto read = [&](Lane& l, std::uint64_t k) {
        const std::size_t first = k > 0 ? 1 : 0;
        if (k > 0)
            std::memcpy(l.buf, carry, stride);
        for (std::size_t i = first; i <= batch; ++i)
            l.reads[i] = {l.buf + i * slotBytes, stride};
        const long long got = in.readVec(l.reads.data() + first, int(batch + 1 - first));
        addProgress(got);
        if (got < 0)
            return false;
        l.data = first * stride + std::size_t(got);
        l.atEnd = l.data < capacity;
        l.count = l.atEnd ? (l.data + stride - 1) / stride : batch;
        carry = l.buf + batch * slotBytes;
        return true;
    };
    // Authenticates and decrypts the lane's segments in place, numbered from `first`.
    auto open = [&](Lane& l, std::uint64_t first) {
        l.pieces = l.failures = 0;
        l.foreign = l.badTail = false;
        for (std::size_t i = 0; i < l.count; ++i) {
            const std::uint64_t index = first + i;
            const bool last = l.atEnd && i + 1 == l.count;
            const std::size_t len = last ? l.data - i * stride : stride;
            std::uint8_t* slot = l.buf + i * slotBytes;
            // A final piece must hold a tag and at least one byte, unless it is the whole (empty) file.
            const bool shapeOk = len > kTagSize || (len == kTagSize && index == 0);
            const bool authentic =
                shapeOk && index <= UINT32_MAX &&
                l.cipher.open(std::uint32_t(index), last, slot, len - kTagSize, slot + len - kTagSize);
            if (!authentic) {
                l.foreign = l.foreign || index == 0; // wrong key or not ours
                ++l.failures;
                l.badTail = l.badTail || !shapeOk;
            } else if (!l.failures && len > kTagSize) {
                l.plain[l.pieces++] = {slot, len - kTagSize};
            }
        }
    };
    auto failureCode = [&] {
        if (failures == 0)
            return int(Ok);
        if (failures == 1 && badTail)
            return int(PartialInvalidSize);
        return SegmentFailuresBase - std::min(failures, 9);
    };
    // Batch k in its turn, after every batch before it: writes what may be written and tells whether the
    // outcome is decided, in r.
    auto settle = [&](Lane& l, std::uint64_t k) {
        if (l.cancelled) {
            r.code = Cancelled;
            return true;
        }
        if (l.readFailed) { // a read error counts only while nothing failed to authenticate
            r.code = failures ? failureCode() : r.committed ? PartialReadError : ReadError;
            return true;
        }
        if ((k == 0 && l.count == 0) || l.foreign) {
            r.code = InvalidCipherFile; // a header alone, or the key does not open it: nothing written
            r.committed = 0;
            return true;
        }
        if (!failures && l.pieces) {
            const int rc = out.writeVec(l.plain.data(), l.pieces, r.committed);
            if (rc != Ok) {
                r.code = rc == DiskFull ? DiskFull : (r.committed ? PartialWriteError : WriteError);
                return true;
            }
        }
        failures += l.failures;
        badTail = badTail || l.badTail;
        // Past the first failure nothing is written, but the rest is still checked to count the failures.
        if (l.atEnd || failures >= 9) {
            r.code = failureCode();
            return true;
        }
        return false;
    };

    runBatches(
        s,
        [&](Lane& l, std::uint64_t k) {
            l.cancelled = cancelled();
            l.readFailed = !l.cancelled && !read(l, k);
            return l.cancelled || l.readFailed || l.atEnd;
        },
        [&](Lane& l, std::uint64_t k) {
            if (!l.cancelled && !l.readFailed)
                open(l, k * batch);
        },
        settle, lanes, laneBytes);
    return r;
}

} // namespace

namespace internal {

int checkReadyForAFile(EngineState& s) {
    return checkReady(s);
}
void endTheFile(EngineState& s) {
    endFile(s);
}
int encryptToFile(EngineState& s, InputFile& in, OutputFile& out) {
    return encryptStream(s, in, out);
}
DecryptOutcome decryptToFile(EngineState& s, InputFile& in, OutputFile& out) {
    return decryptStream(s, in, out);
}
DecryptOutcome decryptToComparison(EngineState& s, InputFile& in, PlainComparison& out) {
    return decryptStream(s, in, out);
}

} // namespace internal

} // namespace zq4e
