#include "platform/engine/Scrypt.h"

#include "platform/engine/ScryptRomix.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>

#include <climits>
#include <sys/mman.h>

namespace zq4e {
namespace {

using Romix = bool (*)(std::uint8_t* block, std::size_t r, unsigned log2N, void* v, void* xy, RomixGoOn goOn,
                       const void* asked);

bool notAbandoned(const void* abandon) {
    return !static_cast<const std::atomic<bool>*>(abandon)->load(std::memory_order_relaxed);
}

void tellReady(const ScryptControl* control) {
    if (control && control->ready)
        control->ready();
}

#if defined(__x86_64__)
bool hasAvx512() {
    static const bool has = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl");
    return has;
}
#endif

// Our ROMix for the core, or null where the library computes the whole function.
Romix romixFor(ScryptCore core) {
#if defined(__x86_64__)
    switch (core) {
    case ScryptCore::Fastest:
        return hasAvx512() ? scryptRomixAvx512 : scryptRomixSse2;
    case ScryptCore::Sse2:
        return scryptRomixSse2;
    case ScryptCore::Avx512:
        return hasAvx512() ? scryptRomixAvx512 : nullptr;
    case ScryptCore::Library:
        return nullptr;
    }
#else
    (void)core;
#endif
    return nullptr;
}

// The costs the library accepts, and N up to 2^32 (ROMix picks its blocks by a 32-bit word).
bool costsAccepted(unsigned log2N, unsigned r, unsigned p) {
    constexpr unsigned kMaxProduct = (1u << 30) - 1; // r * p
    return log2N >= 1 && log2N <= 32 && r >= 1 && p >= 1 && p <= kMaxProduct / r && (r > 3 || log2N < 16 * r);
}

// The whole derivation by the library.
bool libraryScrypt(const char* key, std::size_t keyLen, const std::uint8_t* salt, std::size_t saltLen,
                   std::uint64_t memory, unsigned log2N, unsigned r, unsigned p, std::uint8_t* out,
                   std::size_t outLen) {
    // It refuses more than 32 MiB unless told; allow what these costs need and a little more.
    return EVP_PBE_scrypt(key, keyLen, salt, saltLen, std::uint64_t(1) << log2N, r, p, memory * 2 + (1u << 20), out,
                          outLen) == 1;
}

// The p blocks in one mapping with V, X and Y, so that a single wipe covers all that the derivation leaves.
bool vectorScrypt(Romix romix, const char* key, std::size_t keyLen, const std::uint8_t* salt, std::size_t saltLen,
                  std::size_t vBytes, unsigned log2N, std::size_t r, std::size_t p, std::uint8_t* out,
                  std::size_t outLen, const ScryptControl* control) {
    const std::size_t blockBytes = 128 * r;
    std::size_t total = 0;
    if (__builtin_add_overflow(vBytes, (2 + p) * blockBytes, &total) || keyLen > INT_MAX || saltLen > INT_MAX ||
        outLen > INT_MAX || p * blockBytes > INT_MAX)
        return false;
    void* mapped = ::mmap(nullptr, total, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED)
        return false;
    ::madvise(mapped, total, MADV_DONTDUMP); // it holds what leads to the key; a refusal changes nothing else
    auto* v = static_cast<std::uint8_t*>(mapped);
    std::uint8_t* xy = v + vBytes;
    std::uint8_t* blocks = xy + 2 * blockBytes;

    bool ok = PKCS5_PBKDF2_HMAC(key, int(keyLen), salt, int(saltLen), 1, EVP_sha256(), int(p * blockBytes),
                                blocks) == 1;
    const std::atomic<bool>* abandon = control ? control->abandon : nullptr;
    for (std::size_t i = 0; ok && i < p; ++i)
        ok = romix(blocks + i * blockBytes, r, log2N, v, xy, abandon ? notAbandoned : nullptr, abandon);
    ok = ok && PKCS5_PBKDF2_HMAC(key, int(keyLen), blocks, int(p * blockBytes), 1, EVP_sha256(), int(outLen), out) == 1;
    if (ok)
        tellReady(control);

    OPENSSL_cleanse(mapped, total);
    ::munmap(mapped, total);
    return ok;
}

} // namespace

bool scryptCoreAvailable(ScryptCore core) {
    return core == ScryptCore::Fastest || core == ScryptCore::Library || romixFor(core);
}

bool scrypt(const void* key, std::size_t keyLen, const std::uint8_t* salt, std::size_t saltLen, unsigned log2N,
            unsigned r, unsigned p, std::uint8_t* out, std::size_t outLen, ScryptCore core,
            const ScryptControl* control) {
    static const std::uint8_t kEmpty[1] = {0};
    const char* k = keyLen ? static_cast<const char*>(key) : reinterpret_cast<const char*>(kEmpty);
    const std::uint8_t* s = saltLen ? salt : kEmpty;
    std::size_t vBytes = 0; // 128 * r * N
    if (!costsAccepted(log2N, r, p) || __builtin_mul_overflow(std::size_t(128) << log2N, std::size_t(r), &vBytes))
        return false;
    if (const Romix romix = romixFor(core))
        return vectorScrypt(romix, k, keyLen, s, saltLen, vBytes, log2N, r, p, out, outLen, control);
    if (core != ScryptCore::Fastest && core != ScryptCore::Library)
        return false; // a core this processor does not have
    const bool ok = libraryScrypt(k, keyLen, s, saltLen, vBytes, log2N, r, p, out, outLen);
    if (ok)
        tellReady(control);
    return ok;
}

} // namespace zq4e
