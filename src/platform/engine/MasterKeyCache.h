#pragma once

#include "platform/engine/CipherHeader.h"
#include "platform/engine/SecretBytes.h"

#include <memory>
#include <vector>

// The keys of the session, each held once: the one in use, and for each key the master keys derived with
// scrypt, kept per (KDF salt, costs) so a run over many files derives once, and the random KDF salt that
// encryption uses with it during the session.
namespace zq4e {

class MasterKeyCache {
public:
    ~MasterKeyCache() { wipe(); }

    // Makes this key the one in use; a key used before in the session keeps what was derived from it.
    void use(const void* key, std::size_t size);
    // The key in use; empty when there is none.
    const SecretBytes& key() const;
    // Copies the 32-byte master key of the key in use for the header's KDF salt and costs into `out`. False if
    // scrypt failed or no key is in use.
    bool masterKey(const CipherHeader& h, std::uint8_t* out);
    // Whether masterKey would find the key without deriving it.
    bool has(const CipherHeader& h) const { return find(h) != nullptr; }
    // The KDF salt encryption uses with the key in use in this session; drawn at random on first use.
    bool encryptionSalt(std::array<std::uint8_t, kSaltSize>& salt);
    void wipe();              // every key and master key
    std::size_t size() const; // master keys held

private:
    struct Master {
        std::array<std::uint8_t, kSaltSize> salt{};
        std::uint8_t log2N = 0, r = 0, p = 0;
        SecretBytes master{kKeySize};
    };
    struct Key {
        SecretBytes key;
        bool salted = false;
        std::array<std::uint8_t, kSaltSize> salt{};
        std::vector<std::unique_ptr<Master>> masters;
    };
    const Master* find(const CipherHeader& h) const;
    static constexpr std::size_t kMaxKeys = 16;
    static constexpr std::size_t kMaxMastersPerKey = 64;
    std::vector<std::unique_ptr<Key>> m_keys;
    Key* m_current = nullptr;
};

} // namespace zq4e
