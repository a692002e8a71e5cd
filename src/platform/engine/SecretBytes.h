#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

// A fixed-size byte buffer for key material: never reallocated, wiped with OPENSSL_cleanse when it goes.
namespace zq4e {

class SecretBytes {
public:
    SecretBytes() = default;
    explicit SecretBytes(std::size_t size);
    SecretBytes(const void* data, std::size_t size);
    ~SecretBytes();
    SecretBytes(const SecretBytes&) = delete;
    SecretBytes& operator=(const SecretBytes&) = delete;
    SecretBytes(SecretBytes&& other) noexcept;
    SecretBytes& operator=(SecretBytes&& other) noexcept;

    void wipe(); // cleanses and releases
    std::uint8_t* data() { return m_data.get(); }
    const std::uint8_t* data() const { return m_data.get(); }
    std::size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    bool equals(const void* data, std::size_t size) const;

private:
    std::unique_ptr<std::uint8_t[]> m_data;
    std::size_t m_size = 0;
};

} // namespace zq4e
