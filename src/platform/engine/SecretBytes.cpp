#include "platform/engine/SecretBytes.h"

#include <cstring>
#include <new>
#include <openssl/crypto.h>
#include <sys/mman.h>
#include <unistd.h>

namespace zq4e {

namespace {
std::size_t pageSize() {
    static const std::size_t size = [] {
        const long s = ::sysconf(_SC_PAGESIZE);
        return s > 0 ? std::size_t(s) : std::size_t(4096);
    }();
    return size;
}
} // namespace

SecretBytes::SecretBytes(std::size_t size) {
    if (!size)
        return;
    const std::size_t page = pageSize();
    const std::size_t mapped = (size + page - 1) / page * page;
    // Pages of its own (zero-filled by the system), so that what is asked of them below concerns nothing else.
    void* p = ::mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED)
        throw std::bad_alloc();
    ::madvise(p, mapped, MADV_DONTDUMP);
#ifdef MADV_WIPEONFORK
    ::madvise(p, mapped, MADV_WIPEONFORK);
#endif
    if (mapped <= kLockedSize)
        ::mlock(p, mapped);
    m_data = static_cast<std::uint8_t*>(p);
    m_size = size;
    m_mapped = mapped;
}

SecretBytes::SecretBytes(const void* data, std::size_t size) : SecretBytes(size) {
    if (size)
        std::memcpy(m_data, data, size);
}

SecretBytes::~SecretBytes() {
    wipe();
}

SecretBytes::SecretBytes(SecretBytes&& other) noexcept
    : m_data(other.m_data), m_size(other.m_size), m_mapped(other.m_mapped) {
    other.m_data = nullptr;
    other.m_size = other.m_mapped = 0;
}

SecretBytes& SecretBytes::operator=(SecretBytes&& other) noexcept {
    if (this != &other) {
        wipe();
        m_data = other.m_data;
        m_size = other.m_size;
        m_mapped = other.m_mapped;
        other.m_data = nullptr;
        other.m_size = other.m_mapped = 0;
    }
    return *this;
}

void SecretBytes::wipe() {
    if (m_data) {
        OPENSSL_cleanse(m_data, m_size);
        if (m_mapped <= kLockedSize)
            ::munlock(m_data, m_mapped);
        ::munmap(m_data, m_mapped);
    }
    m_data = nullptr;
    m_size = m_mapped = 0;
}

void protectPages(const void* data, std::size_t size) {
    if (!data || !size)
        return;
    const std::uintptr_t page = pageSize();
    const std::uintptr_t begin = reinterpret_cast<std::uintptr_t>(data) / page * page;
    const std::uintptr_t end = (reinterpret_cast<std::uintptr_t>(data) + size + page - 1) / page * page;
    void* const first = reinterpret_cast<void*>(begin);
    // Never asked to be wiped in a forked child: the heap must stay whole there.
    ::madvise(first, end - begin, MADV_DONTDUMP);
    ::mlock(first, end - begin);
}

bool SecretBytes::equals(const void* data, std::size_t size) const {
    return size == m_size && (size == 0 || CRYPTO_memcmp(m_data, data, size) == 0);
}

} // namespace zq4e
