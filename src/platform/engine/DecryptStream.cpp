#include "platform/engine/EngineStreams.h"

#include "platform/engine/CipherHeader.h"
#include "platform/engine/EngineFiles.h"
#include "platform/engine/EngineState.h"
#include "platform/engine/PlainComparison.h"
#include "platform/engine/SegmentCipher.h"
#include "platform/engine/StreamBatches.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

namespace zq4e::internal {

namespace {

// The header an encrypted file begins with, and its bytes. Ok, ReadError, or InvalidCipherFile when it is not
// a header of ours.
int readHeader(InputFile& in, CipherHeader& h, HeaderBytes& headerBytes) {
    const long long got = in.read(headerBytes.data(), kHeaderSize);
    if (got < 0)
        return ReadError;
    if (got < static_cast<long long>(kHeaderSize) || !decodeHeader(headerBytes.data(), h))
        return InvalidCipherFile;
    return Ok;
}

// One file's segments authenticated and opened, the plaintext written to a Sink: an OutputFile, or a
// PlainComparison that checks the plaintext against a file.
template <class Sink> class DecryptStream {
public:
    DecryptStream(EngineState& s, InputFile& in, Sink& out, const StreamLayout& layout, DecryptOutcome& r)
        : m_s(s), m_in(in), m_out(out), m_r(r), m_stride(layout.stride), m_batch(layout.batch), m_slot(layout.slot),
          m_capacity((m_batch + 1) * m_stride), m_laneBytes(layout.laneBytes),
          m_lanes{{layout.buf, s.cipher, std::vector<iovec>(m_batch + 1), std::vector<iovec>(m_batch + 1)},
                  {nullptr, s.secondCipher, std::vector<iovec>(m_batch + 1), std::vector<iovec>(m_batch + 1)}} {}

    // Runs the stream; its outcome is in the DecryptOutcome given.
    void run() {
        runBatches(
            m_s,
            [this](Lane& l, std::uint64_t k) {
                l.cancelled = cancelled();
                l.readFailed = !l.cancelled && !read(l, k);
                return l.cancelled || l.readFailed || l.atEnd;
            },
            [this](Lane& l, std::uint64_t k) {
                if (!l.cancelled && !l.readFailed)
                    open(l, k * m_batch);
            },
            [this](Lane& l, std::uint64_t k) { return settle(l, k); }, m_lanes, m_laneBytes);
    }

private:
    struct Lane {
        std::uint8_t* buf;
        SegmentCipher& cipher;
        std::vector<iovec> reads, plain; // plain: the authenticated plaintext before the batch's first failure
        std::size_t data = 0, count = 0;
        int pieces = 0, failures = 0;
        bool atEnd = false, readFailed = false, cancelled = false, foreign = false, badTail = false;
    };

    // Reads batch k into the lane, the carried segment first.
    bool read(Lane& l, std::uint64_t k) {
        const std::size_t first = k > 0 ? 1 : 0;
        if (k > 0)
            std::memcpy(l.buf, m_carry, m_stride);
        for (std::size_t i = first; i <= m_batch; ++i)
            l.reads[i] = {l.buf + i * m_slot, m_stride};
        const long long got = m_in.readVec(l.reads.data() + first, int(m_batch + 1 - first));
        addProgress(got);
        if (got < 0)
            return false;
        l.data = first * m_stride + std::size_t(got);
        l.atEnd = l.data < m_capacity;
        l.count = l.atEnd ? (l.data + m_stride - 1) / m_stride : m_batch;
        m_carry = l.buf + m_batch * m_slot;
        return true;
    }

    // Authenticates and decrypts the lane's segments in place, numbered from `first`.
    void open(Lane& l, std::uint64_t first) {
        l.pieces = l.failures = 0;
        l.foreign = l.badTail = false;
        for (std::size_t i = 0; i < l.count; ++i) {
            const std::uint64_t index = first + i;
            const bool last = l.atEnd && i + 1 == l.count;
            const std::size_t len = last ? l.data - i * m_stride : m_stride;
            std::uint8_t* slot = l.buf + i * m_slot;
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
    }

    int failureCode() const {
        if (m_failures == 0)
            return int(Ok);
        if (m_failures == 1 && m_badTail)
            return int(PartialInvalidSize);
        return SegmentFailuresBase - std::min(m_failures, 9);
    }

    // Batch k in its turn, after every batch before it: writes what may be written and tells whether the
    // outcome is decided, in the outcome.
    bool settle(Lane& l, std::uint64_t k) {
        DecryptOutcome& r = m_r;
        if (l.cancelled) {
            r.code = Cancelled;
            return true;
        }
        if (l.readFailed) { // a read error counts only while nothing failed to authenticate
            r.code = m_failures ? failureCode() : r.committed ? PartialReadError : ReadError;
            return true;
        }
        if ((k == 0 && l.count == 0) || l.foreign) {
            r.code = InvalidCipherFile; // a header alone, or the key does not open it: nothing written
            r.committed = 0;
            return true;
        }
        if (!m_failures && l.pieces) {
            const int rc = m_out.writeVec(l.plain.data(), l.pieces, r.committed);
            if (rc != Ok) {
                r.code = rc == DiskFull ? DiskFull : (r.committed ? PartialWriteError : WriteError);
                return true;
            }
        }
        m_failures += l.failures;
        m_badTail = m_badTail || l.badTail;
        // Past the first failure nothing is written, but the rest is still checked to count the failures.
        if (l.atEnd || m_failures >= 9) {
            r.code = failureCode();
            return true;
        }
        return false;
    }

    EngineState& m_s;
    InputFile& m_in;
    Sink& m_out;
    DecryptOutcome& m_r;
    const std::size_t m_stride, m_batch, m_slot, m_capacity, m_laneBytes;
    Lane m_lanes[2];
    const std::uint8_t* m_carry = nullptr; // the extra slot of the batch read last, the next batch's first segment
    int m_failures = 0;                    // of the batches settled so far
    bool m_badTail = false;
};

template <class Sink> DecryptOutcome decryptStream(EngineState& s, InputFile& in, Sink& out, bool mayDerive) {
    DecryptOutcome r;
    CipherHeader h;
    HeaderBytes headerBytes;
    if (const int rc = readHeader(in, h, headerBytes))
        return {rc, 0};
    r.ours = true;
    // Each segment is read into a slot of its own that starts on a cache line, so its plaintext is written out
    // from aligned memory.
    StreamLayout layout;
    if (const int rc = beginStream(s, h, headerBytes, mayDerive, SlotShape::CacheLines, layout))
        return {rc, 0};
    DecryptStream<Sink>(s, in, out, layout, r).run();
    return r;
}

} // namespace

DecryptOutcome decryptToFile(EngineState& s, InputFile& in, OutputFile& out, bool mayDerive) {
    return decryptStream(s, in, out, mayDerive);
}

DecryptOutcome decryptToComparison(EngineState& s, InputFile& in, PlainComparison& out, bool mayDerive) {
    return decryptStream(s, in, out, mayDerive);
}

} // namespace zq4e::internal
