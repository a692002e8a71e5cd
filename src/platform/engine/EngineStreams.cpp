#include "platform/engine/EngineStreams.h"

#include "platform/engine/CipherHeader.h"
#include "platform/engine/EngineState.h"
#include "platform/engine/MasterKeyCache.h"
#include "platform/engine/SecretBytes.h"
#include "platform/engine/StreamBatches.h"

#include <algorithm>
#include <cstdint>
#include <openssl/crypto.h>

namespace zq4e::internal {

namespace {

// Segments are read and written in batches of about this many bytes: large enough for the disk, small
// enough to stay in the processor's caches.
constexpr std::size_t kBatchBytes = 4u << 20;

constexpr std::size_t kAlign = 64;

// Room for one segment and its tag, rounded up to whole cache lines.
std::size_t slotSize(std::size_t stride) {
    return (stride + kAlign - 1) / kAlign * kAlign;
}

std::size_t slotsFor(std::size_t stride) {
    return std::max<std::size_t>(1, kBatchBytes / stride);
}

// The cipher keyed for the file the header begins. Ok, or the code.
int keyTheFile(EngineState& s, const CipherHeader& h, const HeaderBytes& headerBytes, bool mayDerive) {
    if (!mayDerive && !s.cache.has(h))
        return DerivationNeeded;
    std::uint8_t master[kKeySize];
    const bool keyed = s.cache.masterKey(h, master) && s.cipher.beginFile(master, h, headerBytes);
    OPENSSL_cleanse(master, sizeof master);
    return keyed ? Ok : CryptoFailure;
}

} // namespace

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

int beginStream(EngineState& s, const CipherHeader& h, const HeaderBytes& headerBytes, bool mayDerive, SlotShape shape,
                StreamLayout& layout) {
    if (const int rc = keyTheFile(s, h, headerBytes, mayDerive))
        return rc;
    layout.seg = h.segmentSize();
    layout.stride = layout.seg + kTagSize;
    layout.batch = slotsFor(layout.stride);
    layout.slot = shape == SlotShape::CacheLines ? slotSize(layout.stride) : layout.stride;
    layout.laneBytes = (layout.batch + 1) * layout.slot;
    layout.buf = workingBuffer(s.buffer, layout.laneBytes);
    return layout.buf ? Ok : CryptoFailure;
}

int checkReadyForAFile(EngineState& s) {
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

// Forgets the file key in both ciphers.
void endTheFile(EngineState& s) {
    s.cipher.endFile();
    s.secondCipher.endFile();
}

} // namespace zq4e::internal
