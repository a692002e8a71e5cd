#pragma once

#include "platform/engine/CipherHeader.h"
#include "platform/engine/SecretBytes.h"

#include <atomic>
#include <memory>
#include <thread>
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
    // Whether masterKey would find the key without deriving it or waiting for a derivation begun ahead.
    bool has(const CipherHeader& h) const;
    // Begins deriving the master key of the key in use for these costs and KDF salt on a thread of its own, so
    // that masterKey finds it ready, or waits only for the rest of it, instead of deriving it then. Nothing when
    // it is held or on its way already; a derivation begun before for another key or salt is waited for and
    // dropped. False when no key is in use or no thread could be had (masterKey then derives as before).
    bool deriveAhead(const CipherHeader& h);
    // The KDF salt encryption uses with the key in use in this session; drawn at random on first use.
    bool encryptionSalt(std::array<std::uint8_t, kSaltSize>& salt);
    void wipe();                    // every key and master key
    std::size_t size() const;       // master keys held
    static long long derivations(); // scrypt derivations begun in this process

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
    // A derivation begun by deriveAhead: it works on copies of its own, outside the engine's lock, and is
    // taken into the key's masters by the first masterKey that needs it. `done` is set as soon as the result is
    // there; the thread then still wipes and gives back its working memory, and is joined only when the next
    // derivation begins or the keys are wiped. `abandon` ends a derivation nobody waits for.
    struct Ahead {
        SecretBytes key;
        std::array<std::uint8_t, kSaltSize> salt{};
        std::uint8_t log2N = 0, r = 0, p = 0;
        SecretBytes master{kKeySize};
        bool ok = false;
        bool taken = false; // its master key is among the key's masters; key and master wiped
        std::atomic<bool> done{false};
        std::atomic<bool> abandon{false};
        std::thread thread;
    };
    const Master* find(const CipherHeader& h) const;
    // The derivation begun ahead for the key in use and the header's salt and costs, or null.
    Ahead* aheadFor(const CipherHeader& h) const;
    void dropAhead(); // abandons a derivation begun ahead, waits for its thread and wipes it
    std::unique_ptr<Ahead> m_ahead;
    static constexpr std::size_t kMaxKeys = 16;
    static constexpr std::size_t kMaxMastersPerKey = 64;
    std::vector<std::unique_ptr<Key>> m_keys;
    Key* m_current = nullptr;
};

} // namespace zq4e
