#pragma once

// The body of scrypt's ROMix in x86-64 vectors, included by one file per instruction set and compiled there with
// that file's options. Everything here has internal linkage, so that a copy compiled for one processor never
// stands in for another's.
//
// A 64-byte block of Salsa20/8 is held as four vectors of its diagonals, words (0, 5, 10, 15), (4, 9, 14, 3),
// (8, 13, 2, 7) and (12, 1, 6, 11): a column round is then four 4-lane steps, and turning three of the vectors
// by a lane or two makes the next one a row round. ROMix keeps every block in that order throughout (X, Y and
// the whole array V), so the words are moved only when the block comes in and when it goes out.

#include "platform/engine/ScryptRomix.h"

#include <immintrin.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace zq4e {
namespace {

// Word t of a block held in diagonal order is word kDiagonal[t] of the block as stored in memory.
constexpr int kDiagonal[16] = {0, 5, 10, 15, 4, 9, 14, 3, 8, 13, 2, 7, 12, 1, 6, 11};

// Salsa20/8 of the block (a, b, c, d), in place: eight rounds, then the input added.
template <class Rotate>
inline void salsa20_8(__m128i& a, __m128i& b, __m128i& c, __m128i& d) {
    __m128i x0 = a, x1 = b, x2 = c, x3 = d;
#pragma GCC unroll 4
    for (int i = 0; i < 4; ++i) {
        x1 = _mm_xor_si128(x1, Rotate::template left<7>(_mm_add_epi32(x0, x3)));
        x2 = _mm_xor_si128(x2, Rotate::template left<9>(_mm_add_epi32(x1, x0)));
        x3 = _mm_xor_si128(x3, Rotate::template left<13>(_mm_add_epi32(x2, x1)));
        x0 = _mm_xor_si128(x0, Rotate::template left<18>(_mm_add_epi32(x3, x2)));
        x3 = _mm_shuffle_epi32(x3, 0x39);
        x1 = _mm_shuffle_epi32(x1, 0x93);
        x2 = _mm_shuffle_epi32(x2, 0x4E);
        x3 = _mm_xor_si128(x3, Rotate::template left<7>(_mm_add_epi32(x0, x1)));
        x2 = _mm_xor_si128(x2, Rotate::template left<9>(_mm_add_epi32(x3, x0)));
        x1 = _mm_xor_si128(x1, Rotate::template left<13>(_mm_add_epi32(x2, x3)));
        x0 = _mm_xor_si128(x0, Rotate::template left<18>(_mm_add_epi32(x1, x2)));
        x3 = _mm_shuffle_epi32(x3, 0x93);
        x1 = _mm_shuffle_epi32(x1, 0x39);
        x2 = _mm_shuffle_epi32(x2, 0x4E);
    }
    a = _mm_add_epi32(a, x0);
    b = _mm_add_epi32(b, x1);
    c = _mm_add_epi32(c, x2);
    d = _mm_add_epi32(d, x3);
}

// One 64-byte block of BlockMix: t = Salsa20/8(t ^ in (^ with)), stored at out.
template <class Rotate, bool Xor>
inline void mixBlock(__m128i& a, __m128i& b, __m128i& c, __m128i& d, const __m128i* in, const __m128i* with,
                     __m128i* out) {
    a = _mm_xor_si128(a, in[0]);
    b = _mm_xor_si128(b, in[1]);
    c = _mm_xor_si128(c, in[2]);
    d = _mm_xor_si128(d, in[3]);
    if constexpr (Xor) {
        a = _mm_xor_si128(a, with[0]);
        b = _mm_xor_si128(b, with[1]);
        c = _mm_xor_si128(c, with[2]);
        d = _mm_xor_si128(d, with[3]);
    }
    salsa20_8<Rotate>(a, b, c, d);
    out[0] = a;
    out[1] = b;
    out[2] = c;
    out[3] = d;
}

// out = BlockMix(in ^ with), or BlockMix(in) without Xor, over 2r blocks of four vectors: the even-numbered
// results go to the first half of out and the odd-numbered to the second, as BlockMix orders them. Returns the
// first word of the last 64 bytes of out, from which ROMix picks its next block.
template <class Rotate, bool Xor>
inline std::uint32_t blockMix(const __m128i* in, const __m128i* with, __m128i* out, std::size_t r) {
    if constexpr (!Xor)
        with = in; // not read
    const std::size_t last = (2 * r - 1) * 4;
    __m128i a = in[last], b = in[last + 1], c = in[last + 2], d = in[last + 3];
    if constexpr (Xor) {
        a = _mm_xor_si128(a, with[last]);
        b = _mm_xor_si128(b, with[last + 1]);
        c = _mm_xor_si128(c, with[last + 2]);
        d = _mm_xor_si128(d, with[last + 3]);
    }
    for (std::size_t i = 0; i < r; ++i) {
        mixBlock<Rotate, Xor>(a, b, c, d, in + 8 * i, with + 8 * i, out + 4 * i);
        mixBlock<Rotate, Xor>(a, b, c, d, in + 8 * i + 4, with + 8 * i + 4, out + 4 * (r + i));
    }
    return std::uint32_t(_mm_cvtsi128_si32(a));
}

// ROMix of one block of 128 * r bytes, in place; see ScryptRomix.h.
// Every this many steps ROMix asks whether to go on.
constexpr std::uint64_t kStepsBetweenAsking = 4096;

template <class Rotate>
bool romix(std::uint8_t* block, std::size_t r, unsigned log2N, void* vMemory, void* xyMemory, RomixGoOn goOn,
           const void* asked) {
    const std::size_t vectors = 8 * r; // of a 128 * r byte block
    const std::uint64_t n = std::uint64_t(1) << log2N;
    auto* v = static_cast<__m128i*>(vMemory);
    auto* x = static_cast<__m128i*>(xyMemory);
    auto* y = x + vectors;

    // V[0] is the block, its words in diagonal order.
    auto* v0 = reinterpret_cast<std::uint8_t*>(v);
    for (std::size_t k = 0; k < 2 * r; ++k)
        for (int t = 0; t < 16; ++t)
            std::memcpy(v0 + 64 * k + 4 * t, block + 64 * k + 4 * kDiagonal[t], 4);

    // V[i] = BlockMix(V[i - 1]), each computed where it stays; then X = BlockMix(V[N - 1]).
    for (std::uint64_t i = 1; i < n; ++i) {
        if (i % kStepsBetweenAsking == 0 && goOn && !goOn(asked))
            return false;
        blockMix<Rotate, false>(v + (i - 1) * vectors, nullptr, v + i * vectors, r);
    }
    std::uint32_t j = blockMix<Rotate, false>(v + (n - 1) * vectors, nullptr, x, r);

    // N times X = BlockMix(X ^ V[j]), j given by X. The whole of V[j] is asked of memory as soon as j is known:
    // it is almost never in the cache, and its lines then arrive together instead of one after another.
    const std::uint32_t mask = std::uint32_t(n - 1);
    for (std::uint64_t i = 0; i < n; ++i) {
        if (i % kStepsBetweenAsking == 0 && goOn && !goOn(asked))
            return false;
        const __m128i* vj = v + std::size_t(j & mask) * vectors;
        for (std::size_t l = 0; l < vectors; l += 4)
            _mm_prefetch(reinterpret_cast<const char*>(vj + l), _MM_HINT_T0);
        j = blockMix<Rotate, true>(x, vj, y, r);
        __m128i* t = x;
        x = y;
        y = t;
    }

    // The block is X, its words back in their own order.
    const auto* x0 = reinterpret_cast<const std::uint8_t*>(x);
    for (std::size_t k = 0; k < 2 * r; ++k)
        for (int t = 0; t < 16; ++t)
            std::memcpy(block + 64 * k + 4 * kDiagonal[t], x0 + 64 * k + 4 * t, 4);
    return true;
}

} // namespace
} // namespace zq4e
