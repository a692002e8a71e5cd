#include "platform/engine/MasterKeyCache.h"

#include <cstring>
#include <openssl/evp.h>
#include <openssl/rand.h>

namespace zq4e {

void MasterKeyCache::use(const void* key, std::size_t size) {
    m_current = nullptr;
    if (!size)
        return;
    for (const auto& k : m_keys)
        if (k->key.equals(key, size)) {
            m_current = k.get();
            return;
        }
    auto k = std::make_unique<Key>();
    k->key = SecretBytes(key, size);
    if (m_keys.size() >= kMaxKeys)
        m_keys.erase(m_keys.begin()); // the oldest; never the one in use, which is added now
    m_current = k.get();
    m_keys.push_back(std::move(k));
}

const SecretBytes& MasterKeyCache::key() const {
    static const SecretBytes none;
    return m_current ? m_current->key : none;
}

const MasterKeyCache::Master* MasterKeyCache::find(const CipherHeader& h) const {
    if (!m_current)
        return nullptr;
    for (const auto& m : m_current->masters)
        if (m->salt == h.kdfSalt && m->log2N == h.scryptLog2N && m->r == h.scryptR && m->p == h.scryptP)
            return m.get();
    return nullptr;
}

bool MasterKeyCache::masterKey(const CipherHeader& h, std::uint8_t* out) {
    if (const Master* m = find(h)) {
        std::memcpy(out, m->master.data(), kKeySize);
        return true;
    }
    if (!m_current)
        return false;
    auto m = std::make_unique<Master>();
    m->salt = h.kdfSalt;
    m->log2N = h.scryptLog2N;
    m->r = h.scryptR;
    m->p = h.scryptP;
    // OpenSSL refuses more than 32 MiB unless told; allow what these costs need and a little more.
    const std::uint64_t maxMem = scryptMemory(h.scryptN(), h.scryptR) * 2 + (1u << 20);
    const SecretBytes& key = m_current->key;
    if (EVP_PBE_scrypt(reinterpret_cast<const char*>(key.data()), key.size(), m->salt.data(), m->salt.size(),
                       h.scryptN(), h.scryptR, h.scryptP, maxMem, m->master.data(), kKeySize) != 1)
        return false;
    std::memcpy(out, m->master.data(), kKeySize);
    auto& masters = m_current->masters;
    if (masters.size() >= kMaxMastersPerKey)
        masters.erase(masters.begin());
    masters.push_back(std::move(m));
    return true;
}

bool MasterKeyCache::encryptionSalt(std::array<std::uint8_t, kSaltSize>& salt) {
    if (!m_current)
        return false;
    if (!m_current->salted) {
        if (RAND_bytes(m_current->salt.data(), int(m_current->salt.size())) != 1)
            return false;
        m_current->salted = true;
    }
    salt = m_current->salt;
    return true;
}

void MasterKeyCache::wipe() {
    m_current = nullptr;
    m_keys.clear(); // SecretBytes cleanse themselves
}

std::size_t MasterKeyCache::size() const {
    std::size_t n = 0;
    for (const auto& k : m_keys)
        n += k->masters.size();
    return n;
}

} // namespace zq4e
