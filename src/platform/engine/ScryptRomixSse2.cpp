#if defined(__x86_64__)

#include "platform/engine/ScryptRomix.h"
#include "platform/engine/ScryptRomixKernel.h"

namespace zq4e {
namespace {

// SSE2 has no rotate: two shifts and an or.
struct ShiftRotate {
    template <int N>
    static __m128i left(__m128i x) {
        return _mm_or_si128(_mm_slli_epi32(x, N), _mm_srli_epi32(x, 32 - N));
    }
};

} // namespace

bool scryptRomixSse2(std::uint8_t* block, std::size_t r, unsigned log2N, void* v, void* xy, RomixGoOn goOn,
                     const void* asked) {
    return romix<ShiftRotate>(block, r, log2N, v, xy, goOn, asked);
}

} // namespace zq4e

#endif
