#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// The 64-byte header of an encrypted file, format v1. Offsets: 0-3 magic "ZQ4E", 4 version 1, 5 algorithm 1
// (AES-256-GCM, HKDF-SHA256, scrypt), 6 log2 segment size, 7 scrypt log2 N, 8 scrypt r, 9 scrypt p, 10-11 zero,
// 12-27 KDF salt, 28-43 file salt, 44-50 nonce prefix, 51-63 zero.
namespace zq4e {

constexpr std::size_t kHeaderSize = 64;
constexpr std::size_t kSaltSize = 16;
constexpr std::size_t kNoncePrefixSize = 7;
constexpr std::size_t kNonceSize = 12;
constexpr std::size_t kTagSize = 16;
constexpr std::size_t kKeySize = 32;

// What we write.
constexpr std::uint8_t kFormatVersion = 1;
constexpr std::uint8_t kAlgorithm = 1;
constexpr std::uint8_t kSegmentLog2 = 16;
constexpr std::uint8_t kScryptLog2N = 17;
constexpr std::uint8_t kScryptR = 8;
constexpr std::uint8_t kScryptP = 1;

// What we accept. The memory bound keeps a crafted header from asking scrypt for gigabytes.
constexpr std::uint8_t kMinSegmentLog2 = 12, kMaxSegmentLog2 = 24;
constexpr std::uint8_t kMinScryptLog2N = 10, kMaxScryptLog2N = 22;
constexpr std::uint8_t kMaxScryptR = 32, kMaxScryptP = 16;
// A crafted header must not make us spend much: we write N = 2^17, r = 8, p = 1 (128 MiB, N·r·p = 2^20) and
// read at most four times that, in memory (128·N·r) and in work (N·r·p).
constexpr std::uint64_t kMaxScryptMemory = 1ull << 29;
constexpr std::uint64_t kMaxScryptWork = 1ull << 22;

struct CipherHeader {
    std::uint8_t segmentLog2 = kSegmentLog2;
    std::uint8_t scryptLog2N = kScryptLog2N;
    std::uint8_t scryptR = kScryptR;
    std::uint8_t scryptP = kScryptP;
    std::array<std::uint8_t, kSaltSize> kdfSalt{};
    std::array<std::uint8_t, kSaltSize> fileSalt{};
    std::array<std::uint8_t, kNoncePrefixSize> noncePrefix{};

    std::size_t segmentSize() const { return std::size_t(1) << segmentLog2; }
    std::uint64_t scryptN() const { return std::uint64_t(1) << scryptLog2N; }
};

using HeaderBytes = std::array<std::uint8_t, kHeaderSize>;

HeaderBytes encodeHeader(const CipherHeader& h);
// False when the bytes are not a v1 header we accept; nothing is derived from a refused header.
bool decodeHeader(const std::uint8_t* bytes, CipherHeader& h);
// Memory scrypt needs for these costs (128 * r * N bytes).
std::uint64_t scryptMemory(std::uint64_t n, std::uint64_t r);

// Nonce of segment `index`.
std::array<std::uint8_t, kNonceSize> segmentNonce(const CipherHeader& h, std::uint32_t index, bool last);

} // namespace zq4e
