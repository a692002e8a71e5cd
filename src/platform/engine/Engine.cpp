#include "platform/engine/Engine.h"

#include "platform/engine/BatchWorker.h"
#include "platform/engine/CipherHeader.h"
#include "platform/engine/EngineFiles.h"
#include "platform/engine/MasterKeyCache.h"
#include "platform/engine/PlainComparison.h"
#include "platform/engine/SecretBytes.h"
#include "platform/engine/SegmentCipher.h"

#include <QFile>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstring>
#include <mutex>
#include <openssl/crypto.h>
#include <openssl/rand.h>
#include <vector>

namespace zq4e {

namespace {

// Segments are read and written in batches of about this many bytes: large enough for the disk, small
// enough to stay in the processor's caches.
constexpr std::size_t kBatchBytes = 4u << 20;

struct EngineState {
    std::mutex mutex;
    bool allocated = false;
    bool sync = true;
    bool syncFolder = true;
    bool renameOutput = true;
    SecretBytes key;
    MasterKeyCache cache;
    SegmentCipher cipher;
    SecretBytes buffer;   // holds plaintext while a file is processed, so it is wiped like a key
    SecretBytes compared; // the original's bytes while a result is verified
    QString lastOutput;   // where the last encryption or decryption left its output
};

EngineState& state() {
    static EngineState s;
    return s;
}

// Outside the state's lock, so that another thread can ask while a file is in progress.
std::atomic<bool> g_cancel{false};
std::atomic<qint64> g_progress{0};

// Set on a thread that must not wait for a key derivation (a window's thread).
thread_local bool t_noDerivation = false;

bool cancelled() {
    return g_cancel.load(std::memory_order_relaxed);
}

void addProgress(long long bytes) {
    if (bytes > 0)
        g_progress.fetch_add(bytes, std::memory_order_relaxed);
}

constexpr std::size_t kAlign = 64;

// A working buffer of at least `bytes` bytes starting on a cache line, so that the copies between it and the
// page cache run on aligned data; null when it cannot be had.
std::uint8_t* workingBuffer(EngineState& s, std::size_t bytes) {
    if (s.buffer.size() < bytes + kAlign) {
        s.buffer.wipe();
        try {
            s.buffer = SecretBytes(bytes + kAlign);
        } catch (...) {
            return nullptr;
        }
    }
    const auto address = reinterpret_cast<std::uintptr_t>(s.buffer.data());
    return s.buffer.data() + (kAlign - address % kAlign) % kAlign;
}

std::size_t alignUp(std::size_t bytes) {
    return (bytes + kAlign - 1) / kAlign * kAlign;
}

// Room for one segment and its tag, rounded up to whole cache lines.
std::size_t slotSize(std::size_t stride) {
    return alignUp(stride);
}

std::size_t slotsFor(std::size_t stride) {
    return std::max<std::size_t>(1, kBatchBytes / stride);
}

int checkReady(EngineState& s) {
    g_progress.store(0, std::memory_order_relaxed);
    if (!s.allocated)
        return NotAllocated;
    if (cancelled())
        return Cancelled;
    // A key of zero bytes is what an erased key looks like: never encrypt under it.
    if (s.key.empty() || std::all_of(s.key.data(), s.key.data() + s.key.size(), [](std::uint8_t b) { return !b; }))
        return NoKey;
    return Ok;
}

int encryptStream(EngineState& s, InputFile& in, OutputFile& out) {
    CipherHeader h;
    // The file salt and the nonce prefix in one draw: every call of the generator has a fixed cost.
    std::uint8_t fresh[kSaltSize + kNoncePrefixSize];
    if (!s.cache.encryptionSalt(s.key, h.kdfSalt) || RAND_bytes(fresh, int(sizeof fresh)) != 1)
        return CryptoFailure;
    std::memcpy(h.fileSalt.data(), fresh, kSaltSize);
    std::memcpy(h.noncePrefix.data(), fresh + kSaltSize, kNoncePrefixSize);
    const HeaderBytes headerBytes = encodeHeader(h);
    if (t_noDerivation && !s.cache.has(s.key, h))
        return DerivationNeeded;
    std::uint8_t master[kKeySize];
    const bool keyed = s.cache.masterKey(s.key, h, master) && s.cipher.beginFile(master, h, headerBytes);
    OPENSSL_cleanse(master, sizeof master);
    if (!keyed)
        return CryptoFailure;

    const std::size_t seg = h.segmentSize(), stride = seg + kTagSize, batch = slotsFor(stride);
    // One slot more than a batch: a segment is only known to be the final one once the file ends behind it.
    const std::size_t halfBytes = alignUp((batch + 1) * stride);
    std::uint8_t* buf = workingBuffer(s, 2 * halfBytes);
    if (!buf)
        return CryptoFailure;
    struct Batch {
        std::uint8_t* buf;
        std::size_t data = 0, count = 0, outBytes = 0;
        bool atEnd = false, sealed = false;
    };
    Batch halves[2] = {{buf}, {buf + halfBytes}};
    std::vector<iovec> iov(batch + 1);
    std::uint64_t index = 0, written = 0;
    bool headerPending = true;

    // Fills b with the next batch of plaintext, `carry` bytes of which are in its slot 0 already.
    auto read = [&](Batch& b, std::size_t carry) {
        iov[0] = {b.buf + carry, seg - carry};
        for (std::size_t i = 1; i <= batch; ++i)
            iov[i] = {b.buf + i * stride, seg};
        const long long got = in.readVec(iov.data(), int(iov.size()));
        if (got < 0)
            return false;
        addProgress(got);
        b.data = carry + std::size_t(got);
        b.atEnd = b.data < (batch + 1) * seg;
        // At the end every slot holding data is sealed, the last one as final (an empty file is one empty
        // final segment); otherwise the full batch goes and its extra slot is carried over.
        b.count = b.atEnd ? std::max<std::size_t>(1, (b.data + seg - 1) / seg) : batch;
        return true;
    };
    auto seal = [&s, seg, stride](Batch& b, std::uint64_t first) {
        b.sealed = true;
        for (std::size_t i = 0; i < b.count && b.sealed; ++i) {
            const bool last = b.atEnd && i + 1 == b.count;
            const std::size_t len = last ? b.data - i * seg : seg;
            std::uint8_t* slot = b.buf + i * stride;
            b.sealed = s.cipher.seal(std::uint32_t(first + i), last, slot, len, slot + len);
            b.outBytes = i * stride + len + kTagSize;
        }
    };
    auto write = [&](Batch& b) {
        iovec w[2] = {{const_cast<std::uint8_t*>(headerBytes.data()), kHeaderSize}, {b.buf, b.outBytes}};
        const int rc = headerPending ? out.writeVec(w, 2, written) : out.writeVec(w + 1, 1, written);
        headerPending = false;
        return rc;
    };

    // While one half is sealed on the worker, the previous half is written and then refilled with the next
    // batch. A file of one batch has nothing to overlap and stays on this thread.
    Batch *cur = &halves[0], *other = &halves[1], *pending = nullptr;
    if (!read(*cur, 0))
        return ReadError;
    BatchWorker worker;
    for (;;) {
        if (cancelled())
            return Cancelled;
        if (index + cur->count - 1 > UINT32_MAX)
            return CryptoFailure;
        auto job = [&seal, b = cur, first = index] { seal(*b, first); };
        index += cur->count;
        if (pending || !cur->atEnd)
            worker.post(job);
        else
            job();
        int rc = pending ? write(*pending) : Ok;
        bool readOk = true;
        if (rc == Ok && !cur->atEnd) {
            std::memcpy(other->buf, cur->buf + batch * stride, seg);
            readOk = read(*other, seg);
        }
        worker.wait();
        if (rc != Ok)
            return rc;
        if (!cur->sealed)
            return CryptoFailure;
        if (!readOk)
            return ReadError;
        if (cur->atEnd)
            return write(*cur);
        pending = cur;
        std::swap(cur, other);
    }
}

// Result of decrypting: the code, and how many plaintext bytes reached the output.
struct DecryptOutcome {
    int code = Ok;
    std::uint64_t committed = 0;
};

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
    HeaderBytes headerBytes;
    std::memcpy(headerBytes.data(), headerRaw, kHeaderSize);
    if (t_noDerivation && !s.cache.has(s.key, h))
        return {DerivationNeeded, 0};
    std::uint8_t master[kKeySize];
    const bool keyed = s.cache.masterKey(s.key, h, master) && s.cipher.beginFile(master, h, headerBytes);
    OPENSSL_cleanse(master, sizeof master);
    if (!keyed)
        return {CryptoFailure, 0};

    const std::size_t seg = h.segmentSize(), stride = seg + kTagSize, batch = slotsFor(stride);
    // Each segment is read into a slot of its own that starts on a cache line, so its plaintext is written
    // out from aligned memory.
    const std::size_t capacity = (batch + 1) * stride, slotBytes = slotSize(stride);
    const std::size_t halfBytes = (batch + 1) * slotBytes;
    std::uint8_t* buf = workingBuffer(s, 2 * halfBytes);
    if (!buf)
        return {CryptoFailure, 0};
    struct Batch {
        std::uint8_t* buf;
        std::vector<iovec> plain; // the authenticated plaintext to write
        std::size_t data = 0, count = 0;
        int pieces = 0;
        bool atEnd = false;
    };
    Batch halves[2] = {{buf, std::vector<iovec>(batch + 1)}, {buf + halfBytes, std::vector<iovec>(batch + 1)}};
    std::vector<iovec> reads(batch + 1);
    std::uint64_t index = 0;
    int failures = 0;
    bool badTail = false, foreign = false;

    // Fills b with the next batch; `carried`: its slot 0 holds the segment carried over from the last one.
    auto read = [&](Batch& b, bool carried) {
        const std::size_t first = carried ? 1 : 0;
        for (std::size_t i = first; i <= batch; ++i)
            reads[i] = {b.buf + i * slotBytes, stride};
        const long long got = in.readVec(reads.data() + first, int(batch + 1 - first));
        addProgress(got);
        if (got < 0)
            return false;
        b.data = (carried ? stride : 0) + std::size_t(got);
        b.atEnd = b.data < capacity;
        b.count = b.atEnd ? (b.data + stride - 1) / stride : batch;
        return true;
    };
    // Authenticates and decrypts b's segments in place; only plaintext before the file's first failure is kept.
    auto open = [&](Batch& b) {
        b.pieces = 0;
        for (std::size_t i = 0; i < b.count; ++i) {
            const bool last = b.atEnd && i + 1 == b.count;
            const std::size_t len = last ? b.data - i * stride : stride;
            std::uint8_t* slot = b.buf + i * slotBytes;
            // A final piece must hold a tag and at least one byte, unless it is the whole (empty) file.
            const bool shapeOk = len > kTagSize || (len == kTagSize && index == 0);
            const bool authentic =
                shapeOk && index <= UINT32_MAX &&
                s.cipher.open(std::uint32_t(index), last, slot, len - kTagSize, slot + len - kTagSize);
            if (!authentic) {
                if (index == 0) {
                    foreign = true; // wrong key or not ours
                    return;
                }
                ++failures;
                badTail = badTail || !shapeOk;
            } else if (!failures && len > kTagSize) {
                b.plain[b.pieces++] = {slot, len - kTagSize};
            }
            ++index;
        }
    };
    auto write = [&](Batch& b) {
        const int rc = b.pieces ? out.writeVec(b.plain.data(), b.pieces, r.committed) : Ok;
        if (rc != Ok)
            r.code = rc == DiskFull ? DiskFull : (r.committed ? PartialWriteError : WriteError);
        return rc == Ok;
    };

    // As in encryption: one half is opened on the worker while the other is written and refilled, and a file of
    // one batch stays on this thread. Nothing is written before its segment has authenticated.
    Batch *cur = &halves[0], *other = &halves[1], *pending = nullptr;
    if (!read(*cur, false))
        return {ReadError, 0};
    BatchWorker worker;
    for (;;) {
        if (cancelled())
            return {Cancelled, r.committed};
        if (cur->count == 0 && index == 0)
            return {InvalidCipherFile, 0}; // a header and nothing else
        auto job = [&open, b = cur] { open(*b); };
        if (pending || !cur->atEnd)
            worker.post(job);
        else
            job();
        const bool wrote = !pending || write(*pending);
        bool readOk = true;
        if (wrote && !cur->atEnd) {
            std::memcpy(other->buf, cur->buf + batch * slotBytes, stride);
            readOk = read(*other, true);
        }
        worker.wait();
        if (!wrote)
            return r;
        if (foreign)
            return {InvalidCipherFile, 0}; // nothing written
        if (cur->atEnd || failures >= 9 || !readOk) {
            if (!write(*cur))
                return r;
            if (!readOk && !failures) { // a read error counts only while nothing failed to authenticate
                r.code = r.committed ? PartialReadError : ReadError;
                return r;
            }
            break;
        }
        pending = cur;
        std::swap(cur, other);
    }
    if (failures == 0)
        r.code = Ok;
    else if (failures == 1 && badTail)
        r.code = PartialInvalidSize;
    else
        r.code = SegmentFailuresBase - std::min(failures, 9);
    return r;
}

// Codes from which the output keeps the authenticated plaintext written so far.
bool keepsPartialOutput(int code) {
    return code <= PartialReadError && code >= -99;
}

} // namespace

int allocate_buffers() {
    EngineState& s = state();
    std::lock_guard lock(s.mutex);
    if (!s.cipher.create())
        return 0;
    const std::size_t stride = (std::size_t(1) << kSegmentLog2) + kTagSize;
    if (!workingBuffer(s, 2 * (slotsFor(stride) + 1) * slotSize(stride)))
        return 0;
    s.allocated = true;
    return 1;
}

void deallocate_buffers() {
    EngineState& s = state();
    std::lock_guard lock(s.mutex);
    s.key.wipe();
    s.cache.wipe();
    s.buffer.wipe();
    s.compared.wipe();
    s.cipher.endFile();
    s.allocated = false;
}

void operation_initialization(const QByteArray& key, int encrypt, qint64 inputLength, int reserved) {
    Q_UNUSED(encrypt);
    Q_UNUSED(inputLength);
    Q_UNUSED(reserved);
    EngineState& s = state();
    std::lock_guard lock(s.mutex);
    s.key = SecretBytes(key.constData(), std::size_t(key.size()));
}

namespace {
// A complete result takes its name, or stays under its temporary name for a caller that renames many at once.
int commitResult(EngineState& s, OutputFile& out) {
    const int rc = out.commit(s.sync, s.syncFolder, -1,
                              s.renameOutput ? OutputFile::Placing::Replace : OutputFile::Placing::Leave);
    if (rc == Ok)
        s.lastOutput = QFile::decodeName(out.path());
    return rc;
}
} // namespace

int encrypt_file(const QString& inputPath, const QString& outputPath) {
    EngineState& s = state();
    std::lock_guard lock(s.mutex);
    if (const int rc = checkReady(s))
        return rc;
    InputFile in;
    if (const int rc = in.open(inputPath))
        return rc;
    OutputFile out;
    s.lastOutput = outputPath;
    if (const int rc = out.create(outputPath, in.info(), OutputFile::Creation::DirectWhenNew))
        return rc;
    int rc = encryptStream(s, in, out);
    s.cipher.endFile();
    if (rc == Ok)
        rc = commitResult(s, out);
    if (rc != Ok)
        out.discard();
    return rc;
}

int decrypt_file(const QString& inputPath, const QString& outputPath) {
    EngineState& s = state();
    std::lock_guard lock(s.mutex);
    if (const int rc = checkReady(s))
        return rc;
    InputFile in;
    if (const int rc = in.open(inputPath))
        return rc;
    OutputFile out;
    s.lastOutput = outputPath;
    if (const int rc = out.create(outputPath, in.info()))
        return rc;
    const DecryptOutcome d = decryptStream(s, in, out);
    s.cipher.endFile();
    int rc = d.code;
    if (rc == Ok) {
        rc = commitResult(s, out);
    } else if (keepsPartialOutput(rc) && d.committed > 0) {
        // Only whole, authenticated plaintext stays: cut anything a failed write may have left behind.
        if (out.commit(s.sync, s.syncFolder, static_cast<long long>(d.committed), OutputFile::Placing::BesideExisting) !=
            Ok)
            out.discard();
        else
            s.lastOutput = QFile::decodeName(out.path());
    } else {
        out.discard();
    }
    return rc;
}

int verify_file(const QString& cipherPath, const QString& plainPath) {
    EngineState& s = state();
    std::lock_guard lock(s.mutex);
    if (const int rc = checkReady(s))
        return rc;
    InputFile cipher, plain;
    if (const int rc = cipher.open(cipherPath))
        return rc;
    if (const int rc = plain.open(plainPath))
        return rc;
    constexpr std::size_t kCompareChunk = 1u << 20;
    if (s.compared.size() < kCompareChunk) {
        try {
            s.compared = SecretBytes(kCompareChunk);
        } catch (...) {
            return CryptoFailure;
        }
    }
    PlainComparison comparison(plain, s.compared);
    const DecryptOutcome d = decryptStream(s, cipher, comparison);
    s.cipher.endFile();
    if (d.code == WriteError || d.code == PartialWriteError)
        return VerifyMismatch; // the comparison's only failure
    if (d.code != Ok)
        return d.code;
    return comparison.fileEndsHere() ? Ok : VerifyMismatch;
}

int key_is_text(const QByteArray& key, int length) {
    qsizetype n = std::clamp<qsizetype>(length, 0, key.size());
    const auto* b = reinterpret_cast<const unsigned char*>(key.constData());
    while (n > 0 && b[n - 1] == 0)
        --n;
    if (n == 0)
        return 0;
    qsizetype high = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const unsigned char c = b[i];
        if (c >= 160)
            ++high;
        else if (!(c == '\t' || c == '\n' || c == '\r' || (c >= 32 && c <= 126)))
            return 0;
    }
    return high * 4 <= n ? 1 : 0;
}

// Runs f on the engine's state under its lock.
template <class F> auto locked(F f) {
    EngineState& s = state();
    std::lock_guard lock(s.mutex);
    return f(s);
}

void erase_key() {
    locked([](EngineState& s) {
        s.key.wipe();
        s.cache.wipe();
    });
}

void set_sync_output(bool on) {
    locked([on](EngineState& s) { s.sync = on; });
}

bool sync_output() {
    return locked([](EngineState& s) { return s.sync; });
}

void set_sync_output_folder(bool on) {
    locked([on](EngineState& s) { s.syncFolder = on; });
}

bool sync_output_folder() {
    return locked([](EngineState& s) { return s.syncFolder; });
}

void request_cancel() {
    g_cancel.store(true);
}

void clear_cancel() {
    g_cancel.store(false);
}

bool cancel_requested() {
    return cancelled();
}

qint64 progress_bytes() {
    return g_progress.load(std::memory_order_relaxed);
}

void set_no_derivation_on_this_thread(bool on) {
    t_noDerivation = on;
}

void set_rename_output(bool on) {
    locked([on](EngineState& s) { s.renameOutput = on; });
}

QString last_output_path() {
    return locked([](EngineState& s) { return s.lastOutput; });
}

qint64 cached_master_keys() {
    return locked([](EngineState& s) { return qint64(s.cache.size()); });
}

} // namespace zq4e
