#include "platform/engine/EngineStreams.h"

#include "platform/engine/CipherHeader.h"
#include "platform/engine/EngineFiles.h"
#include "platform/engine/EngineState.h"
#include "platform/engine/FreshBytes.h"
#include "platform/engine/MasterKeyCache.h"
#include "platform/engine/SegmentCipher.h"
#include "platform/engine/StreamBatches.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

namespace zq4e::internal {

namespace {

// A new file's header: this session's KDF salt, a fresh file salt and nonce prefix. False when the random
// bytes cannot be had.
bool newHeader(EngineState& s, CipherHeader& h, HeaderBytes& headerBytes) {
    // The file salt and the nonce prefix in one draw.
    std::uint8_t fresh[kSaltSize + kNoncePrefixSize];
    if (!s.cache.encryptionSalt(h.kdfSalt) || !freshBytes(fresh, sizeof fresh))
        return false;
    std::memcpy(h.fileSalt.data(), fresh, kSaltSize);
    std::memcpy(h.noncePrefix.data(), fresh + kSaltSize, kNoncePrefixSize);
    headerBytes = encodeHeader(h);
    return true;
}

// One file's plaintext sealed segment by segment, the header written ahead of the first batch.
class EncryptStream {
public:
    EncryptStream(EngineState& s, InputFile& in, OutputFile& out, const HeaderBytes& headerBytes,
                  const StreamLayout& layout)
        : m_s(s), m_in(in), m_out(out), m_headerBytes(headerBytes), m_seg(layout.seg), m_stride(layout.stride),
          m_batch(layout.batch), m_laneBytes(layout.laneBytes),
          m_lanes{{layout.buf, s.cipher, std::vector<iovec>(m_batch + 1)},
                  {nullptr, s.secondCipher, std::vector<iovec>(m_batch + 1)}} {}

    int run() {
        runBatches(
            m_s,
            [this](Lane& l, std::uint64_t k) {
                l.code = cancelled() ? Cancelled : read(l, k) ? Ok : ReadError;
                return l.code != Ok || l.atEnd;
            },
            [this](Lane& l, std::uint64_t k) {
                if (l.code == Ok && !seal(l, k * m_batch))
                    l.code = CryptoFailure;
            },
            [this](Lane& l, std::uint64_t k) {
                if (l.code == Ok)
                    l.code = write(l, k == 0);
                const bool end = l.code != Ok || l.atEnd;
                if (end)
                    m_result = l.code;
                return end;
            },
            m_lanes, m_laneBytes);
        return m_result;
    }

private:
    struct Lane {
        std::uint8_t* buf;
        SegmentCipher& cipher;
        std::vector<iovec> iov;
        std::size_t data = 0, count = 0, outBytes = 0;
        bool atEnd = false;
        int code = Ok;
    };

    // Reads batch k into the lane, the carried segment first.
    bool read(Lane& l, std::uint64_t k) {
        if (k > 0)
            std::memcpy(l.buf, m_carry, m_seg);
        const std::size_t carried = k > 0 ? m_seg : 0;
        l.iov[0] = {l.buf + carried, m_seg - carried};
        for (std::size_t i = 1; i <= m_batch; ++i)
            l.iov[i] = {l.buf + i * m_stride, m_seg};
        const long long got = m_in.readVec(l.iov.data(), int(l.iov.size()));
        if (got < 0)
            return false;
        addProgress(got);
        l.data = carried + std::size_t(got);
        if (k == 0) {
            CipherHeader header;
            m_s.lastInputOurs = l.data >= kHeaderSize && decodeHeader(l.buf, header);
        }
        l.atEnd = l.data < (m_batch + 1) * m_seg;
        // At the end every slot holding data is sealed, the last one as final (an empty file is one empty
        // final segment); otherwise the full batch goes and its extra slot is carried over.
        l.count = l.atEnd ? std::max<std::size_t>(1, (l.data + m_seg - 1) / m_seg) : m_batch;
        m_carry = l.buf + m_batch * m_stride;
        return true;
    }

    // Seals the lane's segments in place, numbered from `first`, each followed by its tag.
    bool seal(Lane& l, std::uint64_t first) {
        if (first + l.count - 1 > UINT32_MAX)
            return false;
        for (std::size_t i = 0; i < l.count; ++i) {
            const bool last = l.atEnd && i + 1 == l.count;
            const std::size_t len = last ? l.data - i * m_seg : m_seg;
            std::uint8_t* slot = l.buf + i * m_stride;
            if (!l.cipher.seal(std::uint32_t(first + i), last, slot, len, slot + len))
                return false;
            l.outBytes = i * m_stride + len + kTagSize;
        }
        return true;
    }

    int write(Lane& l, bool withHeader) {
        iovec w[2] = {{const_cast<std::uint8_t*>(m_headerBytes.data()), kHeaderSize}, {l.buf, l.outBytes}};
        return withHeader ? m_out.writeVec(w, 2, m_written) : m_out.writeVec(w + 1, 1, m_written);
    }

    EngineState& m_s;
    InputFile& m_in;
    OutputFile& m_out;
    const HeaderBytes& m_headerBytes;
    const std::size_t m_seg, m_stride, m_batch, m_laneBytes;
    Lane m_lanes[2];
    const std::uint8_t* m_carry = nullptr; // the extra slot of the batch read last, the next batch's first segment
    std::uint64_t m_written = 0;
    int m_result = Ok;
};

} // namespace

int encryptToFile(EngineState& s, InputFile& in, OutputFile& out, bool mayDerive) {
    CipherHeader h;
    HeaderBytes headerBytes;
    if (!newHeader(s, h, headerBytes))
        return CryptoFailure;
    StreamLayout layout;
    if (const int rc = beginStream(s, h, headerBytes, mayDerive, SlotShape::Packed, layout))
        return rc;
    return EncryptStream(s, in, out, headerBytes, layout).run();
}

} // namespace zq4e::internal
