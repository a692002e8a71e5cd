#pragma once

#include "platform/engine/BatchWorker.h"
#include "platform/engine/CipherHeader.h"
#include "platform/engine/EngineState.h"
#include "platform/engine/SecretBytes.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>

// What the encrypting stream (EncryptStream.cpp) and the decrypting one (DecryptStream.cpp) share: their start,
// their working buffers, and the turns in which their batches are read, sealed or opened, and written. Not for
// callers outside the engine.
namespace zq4e::internal {

inline bool cancelled() {
    return g_cancel.load(std::memory_order_relaxed);
}

inline void addProgress(long long bytes) {
    if (bytes > 0)
        g_progress.fetch_add(bytes, std::memory_order_relaxed);
    if (g_readHook)
        g_readHook(g_progress.load(std::memory_order_relaxed));
}

// A working buffer of at least `bytes` bytes starting on a cache line, so that the copies between it and the
// page cache run on aligned data; null when it cannot be had.
std::uint8_t* workingBuffer(SecretBytes& buffer, std::size_t bytes);

// How a stream lays out its lanes: a batch of segments, each in a slot of its own, and one slot more, since a
// segment is only known to be the final one once the file ends behind it.
struct StreamLayout {
    std::size_t seg = 0;    // plaintext bytes of a full segment
    std::size_t stride = 0; // a full segment and its tag
    std::size_t batch = 0;  // segments a batch takes
    std::size_t slot = 0;   // bytes from one slot to the next
    std::size_t laneBytes = 0;
    std::uint8_t* buf = nullptr; // the first lane's buffer
};

enum class SlotShape {
    Packed,     // each slot right after the one before
    CacheLines, // each slot starting on a cache line
};

// The start of every stream once its header is known (made for an encryption, read for a decryption): the
// file key from the header, and the layout and buffer of the first lane. Ok, or the code: DerivationNeeded when
// the master key is not at hand and mayDerive is false; nothing derived then.
int beginStream(EngineState& s, const CipherHeader& h, const HeaderBytes& headerBytes, bool mayDerive, SlotShape shape,
                StreamLayout& layout);

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

} // namespace zq4e::internal
