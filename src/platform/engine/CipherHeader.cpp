#include "platform/engine/CipherHeader.h"

#include <algorithm>
#include <cstring>

namespace zq4e {

namespace {
constexpr std::uint8_t kMagic[4] = {'Z', 'Q', '4', 'E'};
constexpr std::size_t kKdfSaltAt = 12, kFileSaltAt = 28, kNoncePrefixAt = 44, kTailZeroAt = 51;
} // namespace

std::uint64_t scryptMemory(std::uint64_t n, std::uint64_t r) {
    return 128 * r * n;
}

HeaderBytes encodeHeader(const CipherHeader& h) {
    HeaderBytes b{};
    std::memcpy(b.data(), kMagic, 4);
    b[4] = kFormatVersion;
    b[5] = kAlgorithm;
    b[6] = h.segmentLog2;
    b[7] = h.scryptLog2N;
    b[8] = h.scryptR;
    b[9] = h.scryptP;
    std::copy(h.kdfSalt.begin(), h.kdfSalt.end(), b.begin() + kKdfSaltAt);
    std::copy(h.fileSalt.begin(), h.fileSalt.end(), b.begin() + kFileSaltAt);
    std::copy(h.noncePrefix.begin(), h.noncePrefix.end(), b.begin() + kNoncePrefixAt);
    return b;
}

bool decodeHeader(const std::uint8_t* b, CipherHeader& h) {
    if (std::memcmp(b, kMagic, 4) != 0 || b[4] != kFormatVersion || b[5] != kAlgorithm)
        return false;
    if (b[6] < kMinSegmentLog2 || b[6] > kMaxSegmentLog2)
        return false;
    if (b[7] < kMinScryptLog2N || b[7] > kMaxScryptLog2N || b[8] < 1 || b[8] > kMaxScryptR || b[9] < 1 ||
        b[9] > kMaxScryptP)
        return false;
    const std::uint64_t n = std::uint64_t(1) << b[7];
    if (scryptMemory(n, b[8]) > kMaxScryptMemory || n * b[8] * b[9] > kMaxScryptWork)
        return false;
    if (b[10] != 0 || b[11] != 0 || std::any_of(b + kTailZeroAt, b + kHeaderSize, [](std::uint8_t x) { return x; }))
        return false;
    h.segmentLog2 = b[6];
    h.scryptLog2N = b[7];
    h.scryptR = b[8];
    h.scryptP = b[9];
    std::copy(b + kKdfSaltAt, b + kKdfSaltAt + kSaltSize, h.kdfSalt.begin());
    std::copy(b + kFileSaltAt, b + kFileSaltAt + kSaltSize, h.fileSalt.begin());
    std::copy(b + kNoncePrefixAt, b + kNoncePrefixAt + kNoncePrefixSize, h.noncePrefix.begin());
    return true;
}

std::array<std::uint8_t, kNonceSize> segmentNonce(const CipherHeader& h, std::uint32_t index, bool last) {
    std::array<std::uint8_t, kNonceSize> n{};
    std::copy(h.noncePrefix.begin(), h.noncePrefix.end(), n.begin());
    n[7] = std::uint8_t(index >> 24);
    n[8] = std::uint8_t(index >> 16);
    n[9] = std::uint8_t(index >> 8);
    n[10] = std::uint8_t(index);
    n[11] = last ? 1 : 0;
    return n;
}

} // namespace zq4e
