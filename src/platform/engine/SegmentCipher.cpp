#include "platform/engine/SegmentCipher.h"

#include <climits>
#include <cstring>
#include <openssl/core_names.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/params.h>

namespace zq4e {

namespace {
constexpr char kInfoLabel[] = "ZQ4E v1";
constexpr std::size_t kInfoLabelSize = sizeof(kInfoLabel) - 1;
} // namespace

SegmentCipher::~SegmentCipher() {
    EVP_CIPHER_CTX_free(m_ctx);
    EVP_CIPHER_free(m_cipher);
    EVP_MAC_CTX_free(m_hmac);
    EVP_MAC_free(m_mac);
}

bool SegmentCipher::create() {
    if (!m_cipher)
        m_cipher = EVP_CIPHER_fetch(nullptr, "AES-256-GCM", nullptr);
    if (!m_ctx)
        m_ctx = EVP_CIPHER_CTX_new();
    if (!m_mac)
        m_mac = EVP_MAC_fetch(nullptr, "HMAC", nullptr);
    if (m_mac && !m_hmac) {
        m_hmac = EVP_MAC_CTX_new(m_mac);
        char digest[] = "SHA256";
        const OSSL_PARAM params[] = {OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST, digest, 0),
                                     OSSL_PARAM_construct_end()};
        if (m_hmac && EVP_MAC_CTX_set_params(m_hmac, params) != 1) {
            EVP_MAC_CTX_free(m_hmac);
            m_hmac = nullptr;
        }
    }
    return m_cipher && m_ctx && m_mac && m_hmac;
}

bool SegmentCipher::hmac(const std::uint8_t* key, std::size_t keyLen, const std::uint8_t* a, std::size_t aLen,
                         const std::uint8_t* b, std::size_t bLen, std::uint8_t* out) {
    std::size_t outLen = 0;
    return EVP_MAC_init(m_hmac, key, keyLen, nullptr) == 1 && EVP_MAC_update(m_hmac, a, aLen) == 1 &&
           (bLen == 0 || EVP_MAC_update(m_hmac, b, bLen) == 1) && EVP_MAC_final(m_hmac, out, &outLen, kKeySize) == 1 &&
           outLen == kKeySize;
}

// HKDF (RFC 5869) with SHA-256 for one 32-byte output block:
//   PRK = HMAC(salt, master); file key = HMAC(PRK, info || 0x01).
bool SegmentCipher::beginFile(const std::uint8_t* masterKey, const CipherHeader& h, const HeaderBytes& headerBytes) {
    std::uint8_t info[kInfoLabelSize + kHeaderSize + 1];
    std::memcpy(info, kInfoLabel, kInfoLabelSize);
    std::memcpy(info + kInfoLabelSize, headerBytes.data(), kHeaderSize);
    info[sizeof info - 1] = 1;
    std::uint8_t prk[kKeySize], fileKey[kKeySize];
    const bool ok = hmac(h.fileSalt.data(), h.fileSalt.size(), masterKey, kKeySize, nullptr, 0, prk) &&
                    hmac(prk, kKeySize, info, sizeof info, nullptr, 0, fileKey) &&
                    EVP_CipherInit_ex2(m_ctx, m_cipher, fileKey, nullptr, -1, nullptr) == 1;
    OPENSSL_cleanse(prk, sizeof prk);
    OPENSSL_cleanse(fileKey, sizeof fileKey);
    forgetHmacKey();
    m_header = h;
    return ok;
}

bool SegmentCipher::beginSameFile(const SegmentCipher& other) {
    m_header = other.m_header;
    return m_ctx && other.m_ctx && EVP_CIPHER_CTX_copy(m_ctx, other.m_ctx) == 1;
}

bool SegmentCipher::seal(std::uint32_t index, bool last, std::uint8_t* data, std::size_t len, std::uint8_t* tag) {
    const auto nonce = segmentNonce(m_header, index, last);
    int outLen = 0;
    if (len > std::size_t(INT_MAX) || EVP_CipherInit_ex2(m_ctx, nullptr, nullptr, nonce.data(), 1, nullptr) != 1)
        return false;
    if (len && EVP_CipherUpdate(m_ctx, data, &outLen, data, int(len)) != 1)
        return false;
    if (EVP_CipherFinal_ex(m_ctx, data + outLen, &outLen) != 1)
        return false;
    return EVP_CIPHER_CTX_ctrl(m_ctx, EVP_CTRL_GCM_GET_TAG, int(kTagSize), tag) == 1;
}

bool SegmentCipher::open(std::uint32_t index, bool last, std::uint8_t* data, std::size_t len, const std::uint8_t* tag) {
    const auto nonce = segmentNonce(m_header, index, last);
    int outLen = 0;
    if (len > std::size_t(INT_MAX) || EVP_CipherInit_ex2(m_ctx, nullptr, nullptr, nonce.data(), 0, nullptr) != 1)
        return false;
    if (len && EVP_CipherUpdate(m_ctx, data, &outLen, data, int(len)) != 1)
        return false;
    std::uint8_t tagCopy[kTagSize];
    std::memcpy(tagCopy, tag, kTagSize);
    if (EVP_CIPHER_CTX_ctrl(m_ctx, EVP_CTRL_GCM_SET_TAG, int(kTagSize), tagCopy) != 1)
        return false;
    return EVP_CipherFinal_ex(m_ctx, data + outLen, &outLen) == 1;
}

// The HMAC context keeps the state of its last key, the intermediate key, from which the file key follows:
// keying it again with zeros overwrites that state.
void SegmentCipher::forgetHmacKey() {
    static const std::uint8_t zero[kKeySize] = {};
    if (m_hmac)
        EVP_MAC_init(m_hmac, zero, sizeof zero, nullptr);
}

void SegmentCipher::endFile() {
    // Re-keying with a zero key overwrites the expanded file key held in the context.
    static const std::uint8_t zero[kKeySize] = {};
    if (m_ctx && m_cipher)
        EVP_CipherInit_ex2(m_ctx, m_cipher, zero, nullptr, -1, nullptr);
}

} // namespace zq4e
