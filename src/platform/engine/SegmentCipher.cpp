#include "platform/engine/SegmentCipher.h"

#include <climits>
#include <cstring>
#include <openssl/core_names.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/kdf.h>
#include <openssl/params.h>

namespace zq4e {

namespace {
constexpr char kInfoLabel[] = "ZQ4E v1";
constexpr std::size_t kInfoLabelSize = sizeof(kInfoLabel) - 1;
} // namespace

SegmentCipher::~SegmentCipher() {
    EVP_CIPHER_CTX_free(m_ctx);
    EVP_CIPHER_free(m_cipher);
    EVP_KDF_CTX_free(m_kdfCtx);
    EVP_KDF_free(m_kdf);
}

bool SegmentCipher::create() {
    if (!m_cipher)
        m_cipher = EVP_CIPHER_fetch(nullptr, "AES-256-GCM", nullptr);
    if (!m_ctx)
        m_ctx = EVP_CIPHER_CTX_new();
    if (!m_kdf)
        m_kdf = EVP_KDF_fetch(nullptr, "HKDF", nullptr);
    if (m_kdf && !m_kdfCtx)
        m_kdfCtx = EVP_KDF_CTX_new(m_kdf);
    return m_cipher && m_ctx && m_kdf && m_kdfCtx;
}

bool SegmentCipher::beginFile(const std::uint8_t* masterKey, const CipherHeader& h, const HeaderBytes& headerBytes) {
    std::uint8_t info[kInfoLabelSize + kHeaderSize];
    std::memcpy(info, kInfoLabel, kInfoLabelSize);
    std::memcpy(info + kInfoLabelSize, headerBytes.data(), kHeaderSize);
    std::uint8_t fileKey[kKeySize];
    std::array<std::uint8_t, kSaltSize> salt = h.fileSalt;
    char digest[] = "SHA256";
    OSSL_PARAM params[] = {
        OSSL_PARAM_construct_utf8_string(OSSL_KDF_PARAM_DIGEST, digest, 0),
        OSSL_PARAM_construct_octet_string(OSSL_KDF_PARAM_KEY, const_cast<std::uint8_t*>(masterKey), kKeySize),
        OSSL_PARAM_construct_octet_string(OSSL_KDF_PARAM_SALT, salt.data(), salt.size()),
        OSSL_PARAM_construct_octet_string(OSSL_KDF_PARAM_INFO, info, sizeof info),
        OSSL_PARAM_construct_end(),
    };
    EVP_KDF_CTX_reset(m_kdfCtx);
    bool ok = EVP_KDF_derive(m_kdfCtx, fileKey, kKeySize, params) == 1 &&
              EVP_CipherInit_ex2(m_ctx, m_cipher, fileKey, nullptr, -1, nullptr) == 1;
    OPENSSL_cleanse(fileKey, sizeof fileKey);
    EVP_KDF_CTX_reset(m_kdfCtx);
    m_header = h;
    return ok;
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

void SegmentCipher::endFile() {
    // Re-keying with a zero key overwrites the expanded file key held in the context.
    static const std::uint8_t zero[kKeySize] = {};
    if (m_ctx && m_cipher)
        EVP_CipherInit_ex2(m_ctx, m_cipher, zero, nullptr, -1, nullptr);
}

} // namespace zq4e
