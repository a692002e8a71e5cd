#pragma once

#include <cstddef>
#include <cstdint>

// scrypt's ROMix on x86-64, one definition per instruction set (ScryptRomixSse2.cpp, ScryptRomixAvx512.cpp).
namespace zq4e {

// Asked now and then by a ROMix in progress, with the `asked` it was given: false ends it. A plain function, so that
// nothing of the caller's is compiled with the vector file's options.
using RomixGoOn = bool (*)(const void* asked);

// Mixes one block of 128 * r bytes in place. `v` (128 * r * 2^log2N bytes) and `xy` (256 * r bytes) are its
// working memory, both 64-byte aligned; what they hold afterwards is the caller's to wipe. False when goOn (if
// any) said to stop: the block is then unspecified.
bool scryptRomixSse2(std::uint8_t* block, std::size_t r, unsigned log2N, void* v, void* xy, RomixGoOn goOn,
                     const void* asked);
// The same with single-instruction rotates; only for a processor with AVX-512F and AVX-512VL.
bool scryptRomixAvx512(std::uint8_t* block, std::size_t r, unsigned log2N, void* v, void* xy, RomixGoOn goOn,
                       const void* asked);

} // namespace zq4e
