#include "platform/engine/SecretBytes.h"

#include <cstring>
#include <openssl/crypto.h>

namespace zq4e {

SecretBytes::SecretBytes(std::size_t size) : m_data(size ? new std::uint8_t[size]() : nullptr), m_size(size) {}

SecretBytes::SecretBytes(const void* data, std::size_t size) : SecretBytes(size) {
    if (size)
        std::memcpy(m_data.get(), data, size);
}

SecretBytes::~SecretBytes() {
    wipe();
}

SecretBytes::SecretBytes(SecretBytes&& other) noexcept : m_data(std::move(other.m_data)), m_size(other.m_size) {
    other.m_size = 0;
}

SecretBytes& SecretBytes::operator=(SecretBytes&& other) noexcept {
    if (this != &other) {
        wipe();
        m_data = std::move(other.m_data);
        m_size = other.m_size;
        other.m_size = 0;
    }
    return *this;
}

void SecretBytes::wipe() {
    if (m_data)
        OPENSSL_cleanse(m_data.get(), m_size);
    m_data.reset();
    m_size = 0;
}

bool SecretBytes::equals(const void* data, std::size_t size) const {
    return size == m_size && (size == 0 || CRYPTO_memcmp(m_data.get(), data, size) == 0);
}

} // namespace zq4e
