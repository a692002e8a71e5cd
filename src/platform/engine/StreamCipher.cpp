#include "platform/engine/StreamCipher.h"

#include "platform/engine/CipherHeader.h"
#include "platform/engine/EngineState.h"
#include "platform/engine/SecretBytes.h"
#include "platform/engine/SegmentCipher.h"

#include <openssl/crypto.h>
#include <openssl/rand.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <new>
#include <unistd.h>

namespace zq4e {

namespace {

// Fills `size` bytes unless the input ends first; the bytes read, or -1 on a read error.
long long readFull(int fd, std::uint8_t* data, std::size_t size) {
    std::size_t got = 0;
    while (got < size) {
        const ssize_t n = ::read(fd, data + got, size - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        got += std::size_t(n);
    }
    return static_cast<long long>(got);
}

int writeFull(int fd, const std::uint8_t* data, std::size_t size, std::uint64_t& written) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 && (errno == ENOSPC || errno == EDQUOT) ? DiskFull : WriteError;
        data += n;
        size -= std::size_t(n);
        written += std::uint64_t(n);
    }
    return Ok;
}

// The master key of the header under `key`, from the engine's cache (derived there when it is not held).
bool masterKey(const QByteArray& key, CipherHeader& h, bool encrypt, std::uint8_t* master) {
    return internal::locked([&](internal::EngineState& s) {
        s.cache.use(key.constData(), std::size_t(key.size()));
        if (encrypt && !s.cache.encryptionSalt(h.kdfSalt))
            return false;
        return s.cache.masterKey(h, master);
    });
}

bool keyed(const QByteArray& key, CipherHeader& h, bool encrypt, SegmentCipher& cipher, HeaderBytes& bytes) {
    if (key.isEmpty() || !cipher.create())
        return false;
    std::uint8_t master[kKeySize];
    bool ok = masterKey(key, h, encrypt, master);
    if (ok && encrypt)
        bytes = encodeHeader(h);
    ok = ok && cipher.beginFile(master, h, bytes);
    OPENSSL_cleanse(master, sizeof master);
    return ok;
}

// Room for the segment being worked on and the next one read ahead, held like a key; empty when there is none.
SecretBytes twoSegments(std::size_t stride) {
    try {
        return SecretBytes(2 * stride);
    } catch (const std::bad_alloc&) {
        return SecretBytes();
    }
}
} // namespace

StreamOutcome encrypt_stream(const QByteArray& key, int in, int out) {
    StreamOutcome r;
    CipherHeader h;
    std::uint8_t fresh[kSaltSize + kNoncePrefixSize];
    if (RAND_bytes(fresh, int(sizeof fresh)) != 1)
        return {CryptoFailure};
    std::memcpy(h.fileSalt.data(), fresh, kSaltSize);
    std::memcpy(h.noncePrefix.data(), fresh + kSaltSize, kNoncePrefixSize);
    SegmentCipher cipher;
    HeaderBytes header{};
    if (!keyed(key, h, true, cipher, header))
        return {CryptoFailure};
    const std::size_t seg = h.segmentSize(), stride = seg + kTagSize;
    SecretBytes buffers = twoSegments(stride);
    if (buffers.empty())
        return {CryptoFailure};
    std::uint8_t* cur = buffers.data();
    std::uint8_t* next = buffers.data() + stride;
    if ((r.code = writeFull(out, header.data(), kHeaderSize, r.written)) != Ok)
        return r;
    long long have = readFull(in, cur, seg);
    for (std::uint64_t index = 0;; ++index) {
        if (have < 0)
            return r.code = ReadError, r;
        long long after = 0;
        if (std::size_t(have) == seg && (after = readFull(in, next, seg)) < 0)
            return r.code = ReadError, r;
        const bool last = std::size_t(have) < seg || after == 0;
        if (index > UINT32_MAX || !cipher.seal(std::uint32_t(index), last, cur, std::size_t(have), cur + have))
            return r.code = CryptoFailure, r;
        if ((r.code = writeFull(out, cur, std::size_t(have) + kTagSize, r.written)) != Ok)
            return r;
        ++r.segments;
        if (last)
            return r;
        std::swap(cur, next);
        have = after;
    }
}

StreamOutcome decrypt_stream(const QByteArray& key, int in, int out) {
    StreamOutcome r;
    std::uint8_t raw[kHeaderSize];
    const long long got = readFull(in, raw, kHeaderSize);
    if (got < 0)
        return {ReadError};
    CipherHeader h;
    if (got < static_cast<long long>(kHeaderSize) || !decodeHeader(raw, h))
        return {InvalidCipherFile};
    HeaderBytes header;
    std::memcpy(header.data(), raw, kHeaderSize);
    SegmentCipher cipher;
    if (!keyed(key, h, false, cipher, header))
        return {CryptoFailure};
    const std::size_t stride = h.segmentSize() + kTagSize;
    SecretBytes buffers = twoSegments(stride);
    if (buffers.empty())
        return {CryptoFailure};
    std::uint8_t* cur = buffers.data();
    std::uint8_t* next = buffers.data() + stride;
    long long have = readFull(in, cur, stride);
    for (std::uint64_t index = 0;; ++index) {
        if (have < 0)
            return r.code = index ? PartialReadError : ReadError, r;
        long long after = 0;
        if (std::size_t(have) == stride && (after = readFull(in, next, stride)) < 0)
            return r.code = index ? PartialReadError : ReadError, r;
        const bool last = std::size_t(have) < stride || after == 0;
        const std::size_t len = std::size_t(have);
        // A final piece holds a tag and at least one byte, unless it is the whole (empty) stream.
        const bool shapeOk = len > kTagSize || (len == kTagSize && index == 0);
        if (!shapeOk || index > UINT32_MAX ||
            !cipher.open(std::uint32_t(index), last, cur, len - kTagSize, cur + len - kTagSize)) {
            r.badSegment = index;
            r.code = index == 0 ? InvalidCipherFile : !shapeOk ? PartialInvalidSize : SegmentFailuresBase - 1;
            return r;
        }
        if (out >= 0 && len > kTagSize && (r.code = writeFull(out, cur, len - kTagSize, r.written)) != Ok) {
            if (r.code == WriteError && r.written > 0)
                r.code = PartialWriteError;
            return r;
        }
        ++r.segments;
        if (last)
            return r;
        std::swap(cur, next);
        have = after;
    }
}

} // namespace zq4e
