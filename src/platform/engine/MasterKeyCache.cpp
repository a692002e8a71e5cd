#include "platform/engine/MasterKeyCache.h"

#include <cstring>
#include <openssl/evp.h>
#include <openssl/rand.h>

namespace zq4e {

const MasterKeyCache::Entry* MasterKeyCache::find(const SecretBytes& key, const CipherHeader& h) const {
    for (const auto& e : m_entries)
        if (e->salt == h.kdfSalt && e->log2N == h.scryptLog2N && e->r == h.scryptR && e->p == h.scryptP &&
            e->key.equals(key.data(), key.size()))
            return e.get();
    return nullptr;
}

bool MasterKeyCache::masterKey(const SecretBytes& key, const CipherHeader& h, std::uint8_t* out) {
    if (const Entry* e = find(key, h)) {
        std::memcpy(out, e->master.data(), kKeySize);
        return true;
    }
    auto e = std::make_unique<Entry>();
    e->key = SecretBytes(key.data(), key.size());
    e->salt = h.kdfSalt;
    e->log2N = h.scryptLog2N;
    e->r = h.scryptR;
    e->p = h.scryptP;
    // OpenSSL refuses more than 32 MiB unless told; allow what these costs need and a little more.
    const std::uint64_t maxMem = scryptMemory(h.scryptN(), h.scryptR) * 2 + (1u << 20);
    if (EVP_PBE_scrypt(reinterpret_cast<const char*>(key.data()), key.size(), e->salt.data(), e->salt.size(),
                       h.scryptN(), h.scryptR, h.scryptP, maxMem, e->master.data(), kKeySize) != 1)
        return false;
    std::memcpy(out, e->master.data(), kKeySize);
    if (m_entries.size() >= kMaxEntries)
        m_entries.erase(m_entries.begin());
    m_entries.push_back(std::move(e));
    return true;
}

bool MasterKeyCache::encryptionSalt(const SecretBytes& key, std::array<std::uint8_t, kSaltSize>& salt) {
    for (const auto& s : m_salts) {
        if (s->key.equals(key.data(), key.size())) {
            salt = s->salt;
            return true;
        }
    }
    auto s = std::make_unique<SaltEntry>();
    if (RAND_bytes(s->salt.data(), int(s->salt.size())) != 1)
        return false;
    s->key = SecretBytes(key.data(), key.size());
    salt = s->salt;
    if (m_salts.size() >= kMaxEntries)
        m_salts.erase(m_salts.begin());
    m_salts.push_back(std::move(s));
    return true;
}

void MasterKeyCache::wipe() {
    m_entries.clear(); // SecretBytes cleanse themselves
    m_salts.clear();
}

} // namespace zq4e
