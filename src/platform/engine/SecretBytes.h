#pragma once

#include <cstddef>
#include <cstdint>

// A fixed-size byte buffer for key material: never reallocated, wiped with OPENSSL_cleanse when it goes.
// Each buffer has whole pages of its own, kept out of core dumps and out of a forked child's copy of the
// process; a small one (key material, up to kLockedSize) is also locked in memory so it is never written to
// swap. Where the system refuses (a limit on locked memory, an old kernel), the buffer works all the same.
namespace zq4e {

class SecretBytes {
public:
    static constexpr std::size_t kLockedSize = std::size_t(64) << 10;

    SecretBytes() = default;
    explicit SecretBytes(std::size_t size); // zero-filled; throws std::bad_alloc when no memory can be had
    SecretBytes(const void* data, std::size_t size);
    ~SecretBytes();
    SecretBytes(const SecretBytes&) = delete;
    SecretBytes& operator=(const SecretBytes&) = delete;
    SecretBytes(SecretBytes&& other) noexcept;
    SecretBytes& operator=(SecretBytes&& other) noexcept;

    void wipe(); // cleanses and releases
    std::uint8_t* data() { return m_data; }
    const std::uint8_t* data() const { return m_data; }
    std::size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    bool equals(const void* data, std::size_t size) const;

private:
    std::uint8_t* m_data = nullptr;
    std::size_t m_size = 0;
    std::size_t m_mapped = 0; // whole pages
};

// Key material that lives elsewhere (a key object's byte array on the heap): the pages it occupies are kept out
// of core dumps and locked in memory for the rest of the process's life, since other data may share them and
// they cannot be given back one buffer at a time. Where the system refuses, nothing changes.
void protectPages(const void* data, std::size_t size);

} // namespace zq4e
