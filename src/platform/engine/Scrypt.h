#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>

// scrypt, the memory-hard derivation of a master key from a key: PBKDF2-HMAC-SHA256 (one iteration) spreads the
// key and the salt over p blocks of 128 * r bytes, each block goes in turn through ROMix (N = 2^log2N steps that
// fill an array of N blocks, then N steps that read it back in an order given by the data), and a second PBKDF2
// with the blocks as its salt gives the output.
//
// On x86-64 ROMix is our own vector code (with AVX-512 where the processor has it); anywhere else, or when asked,
// the crypto library computes the whole function. Both give the same bytes.
namespace zq4e {

// Who computes ROMix. Only tests and benchmarks choose; the engine takes the fastest.
enum class ScryptCore {
    Fastest, // AVX-512, else SSE2, else the library's
    Sse2,    // the 128-bit vector code without AVX-512 (x86-64 only)
    Avx512,  // the same code with AVX-512's rotates (x86-64 with AVX-512VL only)
    Library, // the crypto library's whole scrypt
};

// What the thread that asked for a derivation may do while another thread computes it.
struct ScryptControl {
    // Set: the derivation ends within a few milliseconds, refused (our cores; the library's runs to its end).
    const std::atomic<bool>* abandon = nullptr;
    // Called once `out` holds the result, before the working memory is wiped and given back (tens of
    // milliseconds more), so that whoever waits for the key need not wait for that.
    std::function<void()> ready;
};

// Whether this build on this processor has the core.
bool scryptCoreAvailable(ScryptCore core);

// Derives outLen bytes from the key and salt into `out`. False when the costs are refused (the same ones the
// library refuses: N below 2 or at least 2^(16 r), r * p at least 2^30; and N above 2^32), when the memory
// (128 * r * N bytes and a little more) cannot be had, or when the library fails; `out` is then unspecified.
// The working memory is wiped before it is given back: it holds every intermediate state of the derivation.
// With a control, `ready` is called on success (only then), before this returns.
bool scrypt(const void* key, std::size_t keyLen, const std::uint8_t* salt, std::size_t saltLen, unsigned log2N,
            unsigned r, unsigned p, std::uint8_t* out, std::size_t outLen, ScryptCore core = ScryptCore::Fastest,
            const ScryptControl* control = nullptr);

} // namespace zq4e
