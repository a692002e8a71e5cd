#include "platform/engine/FreshBytes.h"

#include <atomic>
#include <cstring>
#include <openssl/crypto.h>
#include <openssl/rand.h>
#include <pthread.h>

namespace zq4e {

namespace {

std::atomic<unsigned> g_forks{0};

struct Pool {
    std::uint8_t bytes[1024];
    std::size_t left = 0; // the unused bytes are the last `left`
    unsigned forks = 0;   // g_forks when they were drawn
    ~Pool() { OPENSSL_cleanse(bytes, sizeof bytes); }
};

thread_local Pool t_pool;

void countForks() {
    static const bool registered = [] {
        return ::pthread_atfork(nullptr, nullptr, [] { g_forks.fetch_add(1, std::memory_order_relaxed); }) == 0;
    }();
    (void)registered;
}

} // namespace

bool freshBytes(std::uint8_t* out, std::size_t n) {
    countForks();
    Pool& p = t_pool;
    if (n > sizeof p.bytes)
        return RAND_bytes(out, int(n)) == 1;
    const unsigned forks = g_forks.load(std::memory_order_relaxed);
    if (p.forks != forks)
        p.left = 0;
    if (p.left < n) {
        if (RAND_bytes(p.bytes, int(sizeof p.bytes)) != 1) {
            p.left = 0;
            return false;
        }
        p.left = sizeof p.bytes;
        p.forks = forks;
    }
    std::uint8_t* from = p.bytes + sizeof p.bytes - p.left;
    std::memcpy(out, from, n);
    OPENSSL_cleanse(from, n);
    p.left -= n;
    return true;
}

} // namespace zq4e
