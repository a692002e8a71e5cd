#pragma once

#include "platform/engine/CipherHeader.h"
#include "platform/engine/SecretBytes.h"

#include <memory>
#include <vector>

// Master keys derived with scrypt, kept per (key, KDF salt, costs) so a run over many files derives once, and
// the random KDF salt that encryption uses for each key during the session.
namespace zq4e {

class MasterKeyCache {
public:
    ~MasterKeyCache() { wipe(); }

    // Copies the 32-byte master key for the header's KDF salt and costs into `out`. False if scrypt failed.
    bool masterKey(const SecretBytes& key, const CipherHeader& h, std::uint8_t* out);
    // Whether masterKey would find the key without deriving it.
    bool has(const SecretBytes& key, const CipherHeader& h) const { return find(key, h) != nullptr; }
    // The KDF salt encryption uses with this key in this session; drawn at random on first use.
    bool encryptionSalt(const SecretBytes& key, std::array<std::uint8_t, kSaltSize>& salt);
    void wipe();
    std::size_t size() const { return m_entries.size(); }

private:
    struct Entry {
        SecretBytes key;
        std::array<std::uint8_t, kSaltSize> salt{};
        std::uint8_t log2N = 0, r = 0, p = 0;
        SecretBytes master{kKeySize};
    };
    struct SaltEntry {
        SecretBytes key;
        std::array<std::uint8_t, kSaltSize> salt{};
    };
    const Entry* find(const SecretBytes& key, const CipherHeader& h) const;
    static constexpr std::size_t kMaxEntries = 64;
    std::vector<std::unique_ptr<Entry>> m_entries;
    std::vector<std::unique_ptr<SaltEntry>> m_salts;
};

} // namespace zq4e
