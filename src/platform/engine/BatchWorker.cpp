#include "platform/engine/BatchWorker.h"

#include <openssl/crypto.h>

namespace zq4e {

namespace {

// The cipher leaves key material in the vector registers, which the dynamic linker's first resolution of a
// function on this thread would save on its stack; cleared here once a job is done.
void clearVectorRegisters() {
#if defined(__x86_64__) && defined(__GNUC__)
#define ZQ4_LOW_VECTOR_REGISTERS                                                                                       \
    "xmm0", "xmm1", "xmm2", "xmm3", "xmm4", "xmm5", "xmm6", "xmm7", "xmm8", "xmm9", "xmm10", "xmm11", "xmm12",         \
        "xmm13", "xmm14", "xmm15"
    if (__builtin_cpu_supports("avx512f"))
        asm volatile("vpxord %%zmm16, %%zmm16, %%zmm16\n\tvpxord %%zmm17, %%zmm17, %%zmm17\n\t"
                     "vpxord %%zmm18, %%zmm18, %%zmm18\n\tvpxord %%zmm19, %%zmm19, %%zmm19\n\t"
                     "vpxord %%zmm20, %%zmm20, %%zmm20\n\tvpxord %%zmm21, %%zmm21, %%zmm21\n\t"
                     "vpxord %%zmm22, %%zmm22, %%zmm22\n\tvpxord %%zmm23, %%zmm23, %%zmm23\n\t"
                     "vpxord %%zmm24, %%zmm24, %%zmm24\n\tvpxord %%zmm25, %%zmm25, %%zmm25\n\t"
                     "vpxord %%zmm26, %%zmm26, %%zmm26\n\tvpxord %%zmm27, %%zmm27, %%zmm27\n\t"
                     "vpxord %%zmm28, %%zmm28, %%zmm28\n\tvpxord %%zmm29, %%zmm29, %%zmm29\n\t"
                     "vpxord %%zmm30, %%zmm30, %%zmm30\n\tvpxord %%zmm31, %%zmm31, %%zmm31" ::
                         : "memory");
    if (__builtin_cpu_supports("avx"))
        asm volatile("vzeroall" ::: "memory", ZQ4_LOW_VECTOR_REGISTERS);
    else
        asm volatile("pxor %%xmm0, %%xmm0\n\tpxor %%xmm1, %%xmm1\n\tpxor %%xmm2, %%xmm2\n\tpxor %%xmm3, %%xmm3\n\t"
                     "pxor %%xmm4, %%xmm4\n\tpxor %%xmm5, %%xmm5\n\tpxor %%xmm6, %%xmm6\n\tpxor %%xmm7, %%xmm7\n\t"
                     "pxor %%xmm8, %%xmm8\n\tpxor %%xmm9, %%xmm9\n\tpxor %%xmm10, %%xmm10\n\t"
                     "pxor %%xmm11, %%xmm11\n\tpxor %%xmm12, %%xmm12\n\tpxor %%xmm13, %%xmm13\n\t"
                     "pxor %%xmm14, %%xmm14\n\tpxor %%xmm15, %%xmm15" ::
                         : "memory", ZQ4_LOW_VECTOR_REGISTERS);
#undef ZQ4_LOW_VECTOR_REGISTERS
#endif
}

// Overwrites the stack below the caller, where a job's frames were: what they held (key material among it)
// would otherwise outlive the file in the thread's stack, which the thread library keeps for reuse.
[[gnu::noinline]] void scrubStack() {
    unsigned char area[64 * 1024];
    OPENSSL_cleanse(area, sizeof area);
}

} // namespace

BatchWorker::~BatchWorker() {
    if (!m_thread.joinable())
        return;
    {
        std::unique_lock lock(m_mutex);
        m_cv.wait(lock, [this] { return !m_busy; });
        m_quit = true;
    }
    m_cv.notify_all();
    m_thread.join();
}

bool BatchWorker::post(std::function<void()> job) {
    if (!m_thread.joinable()) {
        try {
            m_thread = std::thread([this] { loop(); });
        } catch (...) {
            return false;
        }
    }
    {
        std::lock_guard lock(m_mutex);
        m_job = std::move(job);
        m_busy = true;
    }
    m_cv.notify_all();
    return true;
}

void BatchWorker::wait() {
    std::unique_lock lock(m_mutex);
    m_cv.wait(lock, [this] { return !m_busy; });
}

void BatchWorker::loop() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_cv.wait(lock, [this] { return m_busy || m_quit; });
        if (!m_busy)
            return;
        std::function<void()> job = std::move(m_job);
        lock.unlock();
        job();
        job = nullptr;
        clearVectorRegisters();
        scrubStack();
        lock.lock();
        m_busy = false;
        m_cv.notify_all();
    }
}

bool BatchTurns::awaitRead(std::uint64_t k) {
    std::unique_lock lock(m_mutex);
    m_cv.wait(lock, [&] { return m_read == k || m_readsEnded || m_stopped; });
    return m_read == k && !m_readsEnded && !m_stopped;
}

void BatchTurns::readDone(bool last) {
    {
        std::lock_guard lock(m_mutex);
        ++m_read;
        m_readsEnded = m_readsEnded || last;
    }
    m_cv.notify_all();
}

bool BatchTurns::awaitWrite(std::uint64_t k) {
    std::unique_lock lock(m_mutex);
    m_cv.wait(lock, [&] { return m_write == k || m_stopped; });
    return !m_stopped;
}

void BatchTurns::writeDone(bool stop) {
    {
        std::lock_guard lock(m_mutex);
        ++m_write;
        m_stopped = m_stopped || stop;
    }
    m_cv.notify_all();
}

} // namespace zq4e
