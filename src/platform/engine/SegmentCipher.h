#pragma once

#include "platform/engine/CipherHeader.h"

#include <cstddef>
#include <cstdint>

typedef struct evp_cipher_st EVP_CIPHER;
typedef struct evp_cipher_ctx_st EVP_CIPHER_CTX;
typedef struct evp_mac_st EVP_MAC;
typedef struct evp_mac_ctx_st EVP_MAC_CTX;

// The per-file key derivation and the sealing and opening of segments, on OpenSSL contexts that are fetched
// once and reused for every file.
namespace zq4e {

class SegmentCipher {
public:
    SegmentCipher() = default;
    ~SegmentCipher();
    SegmentCipher(const SegmentCipher&) = delete;
    SegmentCipher& operator=(const SegmentCipher&) = delete;

    bool create(); // fetches the algorithms; false if the library cannot provide them
    // File key = HKDF-SHA256(master, salt = file salt, info = "ZQ4E v1" || header); keys the cipher with it.
    bool beginFile(const std::uint8_t* masterKey, const CipherHeader& h, const HeaderBytes& headerBytes);
    // Encrypts `len` bytes in place and writes the tag to `tag`.
    bool seal(std::uint32_t index, bool last, std::uint8_t* data, std::size_t len, std::uint8_t* tag);
    // Decrypts `len` bytes in place; false when the segment does not authenticate.
    bool open(std::uint32_t index, bool last, std::uint8_t* data, std::size_t len, const std::uint8_t* tag);
    // Takes the file key and header of `other` (which began a file), so that a second thread can seal or open
    // segments of the same file at the same time.
    bool beginSameFile(const SegmentCipher& other);
    void endFile(); // forgets the file key

private:
    EVP_CIPHER* m_cipher = nullptr;
    EVP_CIPHER_CTX* m_ctx = nullptr;
    EVP_MAC* m_mac = nullptr;
    EVP_MAC_CTX* m_hmac = nullptr; // HMAC-SHA256, the digest chosen once
    bool hmac(const std::uint8_t* key, std::size_t keyLen, const std::uint8_t* a, std::size_t aLen,
              const std::uint8_t* b, std::size_t bLen, std::uint8_t* out);
    void forgetHmacKey();
    CipherHeader m_header;
};

} // namespace zq4e
