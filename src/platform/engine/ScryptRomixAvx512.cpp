// Compiled with -mavx512f -mavx512vl (see CMakeLists.txt) and called only where the processor has both. Nothing
// here may have external linkage but the one function: an inline function compiled here could otherwise be the
// copy the whole program uses, on any processor.
#if defined(__x86_64__)

#if !defined(__AVX512VL__)
#error "this file is compiled for AVX-512VL"
#endif

#include "platform/engine/ScryptRomix.h"
#include "platform/engine/ScryptRomixKernel.h"

namespace zq4e {
namespace {

struct InstructionRotate {
    template <int N>
    static __m128i left(__m128i x) {
        return _mm_rol_epi32(x, N);
    }
};

} // namespace

bool scryptRomixAvx512(std::uint8_t* block, std::size_t r, unsigned log2N, void* v, void* xy, RomixGoOn goOn,
                       const void* asked) {
    return romix<InstructionRotate>(block, r, log2N, v, xy, goOn, asked);
}

} // namespace zq4e

#endif
